// The colour chooser. Like the file and print dialogs it goes through one
// service: the program's shows the system's dialog; tests install one that
// answers for the user.
#pragma once

#include <windows.h>

#include <commdlg.h>

class IColorDialogService {
public:
    virtual ~IColorDialogService() = default;
    // Shows the chooser that cc describes and waits: IDOK with the chosen
    // colour in cc.rgbResult, else IDCANCEL (also for every failure).
    virtual INT_PTR Run(CHOOSECOLORA& cc) = 0;
};

IColorDialogService& AfxGetColorDialogService();
void AfxSetColorDialogService(IColorDialogService* pService);

class CColorDialog {
public:
    explicit CColorDialog(COLORREF clrInit = 0, DWORD dwFlags = 0, HWND hWndOwner = nullptr);
    virtual ~CColorDialog() = default;

    virtual INT_PTR DoModal();
    COLORREF GetColor() const { return m_cc.rgbResult; }

    CHOOSECOLORA m_cc = {};

private:
    COLORREF m_custom[16] = {};
};

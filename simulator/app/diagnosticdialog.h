// The diagnostics dialog (Options > Debugging): turns the log on for the
// file and for debug output, chooses its categories, the log file and the
// program that shows it.
#pragma once

#include <windows.h>

#include <string>

#include "framework/afx.h"
#include "framework/dialog.h"

// Whether path is on a fixed disk of this machine: "X:\" with X a drive
// that the system reports as fixed.
bool IsOnLocalHardDrive(const std::string& path);

class CDiagnosticDialog : public CDialog {
public:
    static constexpr int kCategoryCount = 16;
    // The check box of each category bit.
    static const UINT kCategoryBoxes[kCategoryCount];

    explicit CDiagnosticDialog(CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    const std::string& GetLogFile() const { return m_current.file; }
    const std::string& GetViewer() const { return m_current.viewer; }

protected:
    void OnBox(UINT id);
    void OnApply();
    void OnChange();
    void OnSetViewer();
    void OnViewLog();
    void OnResetLog();
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    struct Choices {
        bool toFile = false;
        bool debugOutput = false;
        unsigned mask = 0;
        std::string file;
        std::string viewer;
        bool operator==(const Choices&) const = default;
    };
    // The boxes as they stand, with the file and the viewer.
    Choices Read() const;
    void Show(const Choices& choices);
    void UpdateApply();
    void Apply();
    // An open-file dialog: the chosen path, or "" when cancelled.
    std::string ChooseFile(const std::string& start, DWORD flags, const char* filter);

    Choices m_start;
    Choices m_current;
};

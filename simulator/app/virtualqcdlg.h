// The simulator's main dialog: hosts the link window (and through it the
// simulated controller), shows each axis's demand position and move type,
// carries the digital I/O mimic and the program's few commands.
#pragma once

#include "framework/afx.h"
#include "framework/dialog.h"

#include <memory>
#include <string>

#include "simulator/app/controllerwnd.h"
#include "simulator/app/instance.h"
#include "simulator/app/iomimic.h"

// From the runtime: the output word (wParam). (The runtime takes the input
// word as the dialog publishes it; WM_APP+0x118, which once asked the
// dialog to write it through addresses in the message, has no handler.)
constexpr UINT WM_SIM_WRITE_OUTPUTS = WM_APP + 0x117;
constexpr UINT kAxisTimer = 1000;
constexpr int kMimicPoints = 32;

// The text of an axis's move-type code ("MA", "--", or the number "%02ld").
std::string MoveTypeText(long code);
// "%0.4f" of the demand position divided by the units.
std::string DemandPositionText(int32_t position, float units);
// The controller version as the about box shows it: "(Sys: 2.01, dev: 53)".
std::string SystemVersionText(float version);
// The about box's version line ("Version: 2.0.0.1  (Sys: 1.65)") and
// copyright line, from the version resource of the program's file (the
// copyright is empty without one).
struct AboutTexts {
    std::string version;
    std::string copyright;
};
AboutTexts ReadAboutTexts(const char* programFile);
// The folder of the running program, without a trailing "\".
std::string ProgramFolder();
// The main dialog's background: "QCSGraphic.teg" in folder deciphered (its
// faults shown to the user), else the bitmap resource.
HBITMAP LoadBackground(const std::string& folder, HWND owner);
// Sizes the axis list's three columns to fit beside its scroll bar.
void SizeAxisColumns(HWND list);
// Lower-cased command line asks for the reset dialog.
bool WantsResetDialog(const char* commandLine);

class CVirtualQCDlg : public CDialog {
public:
    explicit CVirtualQCDlg(CWnd* pParent = nullptr);
    ~CVirtualQCDlg() override;

    CControllerWnd& GetLinkWindow() { return m_link; }
    // The program's instance: the dialog marks its window as the one a
    // second simulator on the same memory brings forward.
    void SetInstance(const qcsim::CSimulatorInstance* instance) { m_instance = instance; }
    qcsim::CIOMimic& GetMimic() { return m_mimic; }
    bool AxesShown() const { return m_showAxes; }
    // The 32 mimic points as a word, point n in bit n.
    uint32_t InputWord() const;
    void RefreshAxes();

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

protected:
    void OnDestroy();
    void OnTimer(UINT_PTR nIDEvent);
    void OnPaint();
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    LRESULT OnQueryDragIcon(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryEndSession(WPARAM wParam, LPARAM lParam);
    LRESULT OnEndSession(WPARAM wParam, LPARAM lParam);
    LRESULT OnWriteOutputs(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetPoint(WPARAM wParam, LPARAM lParam);
    void OnMotionSim();
    void OnDump();
    void OnViewAxes();
    void OnResetImages();
    void OnResetDumpSequence();
    void OnExit();
    void OnAbout();
    void OnDebugging();
    DECLARE_MESSAGE_MAP()

private:
    void LayoutForAxes();
    void Close();

    CControllerWnd m_link;
    qcsim::CIOMimic m_mimic;
    const qcsim::CSimulatorInstance* m_instance = nullptr;
    HICON m_icon = nullptr;
    HBITMAP m_background = nullptr;
    HFONT m_pointFont = nullptr;
    HFONT m_headingFont = nullptr;
    HFONT m_warningFont = nullptr;
    bool m_showAxes = false;
    int m_margin = 0;
};

// "QCSimulation -reset": deletes the memory image files.
class CResetSimulatorDialog : public CDialog {
public:
    explicit CResetSimulatorDialog(CWnd* pParent = nullptr);
    BOOL OnInitDialog() override;
    void OnOK() override;
    // Deletes the two image files in folder; answers the paths that exist
    // but could not be deleted.
    static std::string DeleteImages(const std::string& folder);

private:
    HICON m_icon = nullptr;
};

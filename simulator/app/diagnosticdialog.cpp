#include "simulator/app/diagnosticdialog.h"

#include <shlobj.h>

#include <cctype>
#include <cstdio>

#include "framework/filedialog.h"
#include "framework/prompt.h"
#include "simulator/app/controllerwnd.h"
#include "simulator/app/resource.h"
#include "simulator/app/simlog.h"
#include "simulator/app/userdialog.h"

namespace {

bool IsChecked(HWND dialog, UINT id)
{
    return ::IsDlgButtonChecked(dialog, static_cast<int>(id)) == BST_CHECKED;
}

void SetChecked(HWND dialog, UINT id, bool on)
{
    ::CheckDlgButton(dialog, static_cast<int>(id), on ? BST_CHECKED : BST_UNCHECKED);
}

// A path for a command line: quoted when it holds a blank.
std::string CommandLineWord(const std::string& path)
{
    if (path.find(' ') == std::string::npos || (!path.empty() && path.front() == '"'))
        return path;
    return "\"" + path + "\"";
}

} // namespace

bool IsOnLocalHardDrive(const std::string& path)
{
    if (path.size() < 3 || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':' || path[2] != '\\')
        return false;
    const std::string root = path.substr(0, 3);
    return ::GetDriveTypeA(root.c_str()) == DRIVE_FIXED;
}

const UINT CDiagnosticDialog::kCategoryBoxes[kCategoryCount] = {
    IDC_LOG_BIT0,   IDC_LOG_BIT1,    IDC_LOG_BIT2,    IDC_LOG_BIT3,    IDC_LOG_EVENT4,  IDC_LOG_EVENT5,
    IDC_LOG_EVENT6, IDC_LOG_EVENT7,  IDC_LOG_EVENT8,  IDC_LOG_EVENT9,  IDC_LOG_EVENT10, IDC_LOG_EVENT11,
    IDC_LOG_EVENT12, IDC_LOG_EVENT13, IDC_LOG_EVENT14, IDC_LOG_EVENT15};

BEGIN_MESSAGE_MAP(CDiagnosticDialog, CDialog)
ON_WM_DESTROY()
ON_COMMAND_RANGE(IDC_LOG_TO_FILE, IDC_LOG_EVENT15, OnBox)
ON_COMMAND_RANGE(IDC_LOG_DEBUG_PRINT, IDC_LOG_DEBUG_PRINT, OnBox)
ON_BN_CLICKED(IDC_APPLY, OnApply)
ON_BN_CLICKED(IDC_CHANGE_LOG_FILE, OnChange)
ON_BN_CLICKED(IDC_SET_LOG_VIEWER, OnSetViewer)
ON_BN_CLICKED(IDC_VIEW_LOG, OnViewLog)
ON_BN_CLICKED(IDC_RESET_LOG, OnResetLog)
END_MESSAGE_MAP()

CDiagnosticDialog::CDiagnosticDialog(CWnd* parent) : CDialog(IDD_DIAGNOSTICS, parent) {}

BOOL CDiagnosticDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    Choices start;
    // The enable boxes show whether the log writes there now: a flag of a
    // disabled log writes nothing.
    const qcsim::CLogFile& log = SimLog();
    start.toFile = log.IsEnabled() && log.WritesToFile();
    start.debugOutput = log.IsEnabled() && log.WritesDebugOutput();
    start.mask = ReadSimSettingDword("\\Comms", "LogFlags", 0) & 0xFFFF;
    start.file = ReadSimSettingString("\\Config", "LogFileName");
    if (start.file.empty())
        start.file = DocumentsFolderPath() + "\\QSimDebug.log";
    start.viewer = ReadSimSettingString("\\Config", "LogViewer");
    if (start.viewer.empty())
        start.viewer = "Notepad.exe";
    m_start = start;
    Show(start);
    return TRUE;
}

CDiagnosticDialog::Choices CDiagnosticDialog::Read() const
{
    Choices choices;
    choices.toFile = IsChecked(m_hWnd, IDC_LOG_TO_FILE);
    choices.debugOutput = IsChecked(m_hWnd, IDC_LOG_DEBUG_PRINT);
    for (int bit = 0; bit < kCategoryCount; ++bit) {
        if (IsChecked(m_hWnd, kCategoryBoxes[bit]))
            choices.mask |= 1u << bit;
    }
    choices.file = m_current.file;
    choices.viewer = m_current.viewer;
    return choices;
}

void CDiagnosticDialog::Show(const Choices& choices)
{
    m_current = choices;
    SetChecked(m_hWnd, IDC_LOG_TO_FILE, choices.toFile);
    SetChecked(m_hWnd, IDC_LOG_DEBUG_PRINT, choices.debugOutput);
    for (int bit = 0; bit < kCategoryCount; ++bit)
        SetChecked(m_hWnd, kCategoryBoxes[bit], (choices.mask >> bit) & 1u);
    ::SetDlgItemTextA(m_hWnd, IDC_LOG_FILE, choices.file.c_str());
    UpdateApply();
}

void CDiagnosticDialog::UpdateApply()
{
    const bool changed = !(Read() == m_start);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_APPLY), changed);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDOK), changed);
}

void CDiagnosticDialog::OnBox(UINT)
{
    m_current = Read();
    UpdateApply();
}

void CDiagnosticDialog::Apply()
{
    const Choices choices = Read();
    qcsim::CLogFile& log = SimLog();
    log.SetFilePath(choices.file);
    if (choices.toFile) {
        const std::string caption = qcsim::LoadSimString(IDS_LOG_FILE_CAPTION),
                          text = qcsim::LoadSimString(IDS_RESET_LOG_QUESTION),
                          yes = qcsim::LoadSimString(IDS_YES), no = qcsim::LoadSimString(IDS_NO);
        const LPCTSTR labels[2] = {yes.c_str(), no.c_str()};
        if (AfxGetPromptService().PromptLabelled(m_hWnd, text.c_str(), caption.c_str(),
                                                 MB_YESNO | MB_DEFBUTTON1, labels, 2) == IDYES)
            log.Reset();
    }
    const bool enabled = choices.toFile || choices.debugOutput;
    WriteSimSettingDword("\\Comms", "LogFlags", choices.mask);
    WriteSimSettingDword("\\Config", "LogToFile", choices.toFile ? 1 : 0);
    WriteSimSettingDword("\\Config", "LogWithDebugPrint", choices.debugOutput ? 1 : 0);
    WriteSimSettingDword("\\Config", "EnableCommsLogging", enabled ? 1 : 0);
    log.SetLogMask(choices.mask);
    log.SetLogToFile(choices.toFile);
    log.SetDebugOutput(choices.debugOutput);
    log.SetEnabled(enabled);
    m_start = choices;
    m_current = choices;
    UpdateApply();
    // The main dialog shows or clears its logging warning.
    if (HWND owner = ::GetParent(m_hWnd))
        ::RedrawWindow(owner, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CDiagnosticDialog::OnApply()
{
    Apply();
}

void CDiagnosticDialog::OnOK()
{
    if (::IsWindowEnabled(::GetDlgItem(m_hWnd, IDC_APPLY)))
        Apply();
    EndDialog(IDOK);
}

void CDiagnosticDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

std::string CDiagnosticDialog::ChooseFile(const std::string& start, DWORD flags, const char* filter)
{
    CFileDialog dialog(TRUE, nullptr, start.c_str(), flags, filter, this);
    if (dialog.DoModal() != IDOK)
        return std::string();
    return static_cast<LPCTSTR>(dialog.GetPathName());
}

void CDiagnosticDialog::OnChange()
{
    const std::string path =
        ChooseFile(m_current.file, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, "Log Files (*.log)|*.log||");
    if (path.empty())
        return;
    if (!IsOnLocalHardDrive(path)) {
        qcsim::ShowMessage(m_hWnd, qcsim::LoadSimString(IDS_LOCAL_DRIVE_ONLY), IDS_LOG_FILE_CAPTION);
        return;
    }
    m_current.file = path;
    ::SetDlgItemTextA(m_hWnd, IDC_LOG_FILE, path.c_str());
    UpdateApply();
}

void CDiagnosticDialog::OnSetViewer()
{
    const std::string path =
        ChooseFile(m_current.viewer, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, "Executable Files (*.exe)|*.exe||");
    if (path.empty() || ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    m_current.viewer = path;
    WriteSimSettingString("\\Config", "LogViewer", path);
    UpdateApply();
}

void CDiagnosticDialog::OnViewLog()
{
    const std::string& file = m_current.file;
    if (::GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        char text[MAX_PATH + 64];
        std::snprintf(text, sizeof text, qcsim::LoadSimString(IDS_LOG_MISSING).c_str(), file.c_str());
        qcsim::ShowMessage(m_hWnd, text, IDS_VIEW_LOG_CAPTION);
        return;
    }
    if (m_current.viewer.empty()) {
        qcsim::ShowMessage(m_hWnd, qcsim::LoadSimString(IDS_NO_VIEWER), IDS_VIEW_LOG_CAPTION);
        return;
    }
    std::string command = CommandLineWord(m_current.viewer) + " " + CommandLineWord(file);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        qcsim::ShowMessage(m_hWnd, qcsim::LoadSimString(IDS_VIEWER_FAILED), IDS_VIEW_LOG_CAPTION);
        return;
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
}

void CDiagnosticDialog::OnResetLog()
{
    SimLog().Reset();
}

void CDiagnosticDialog::OnDestroy()
{
    WriteSimSettingString("\\Config", "LogFileName", m_current.file);
    CDialog::OnDestroy();
}

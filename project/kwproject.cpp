#include "project/kwproject.h"

#include "framework/filedialog.h"
#include "framework/prompt.h"
#include "foundation/filepath.h"
#include "foundation/fileutil.h"
#include "ieclink/kwmpelink.h"
#include "ieclink/kwmpelink_ids.h"
#include "link/asciicoder.h"
#include "ui/windowlookup.h"

namespace {

const char kNoLink[] = "No link to MultiProg";
const char kCodedExtension[] = "zwa";

CString FormatText(const char* format, const CString& argument)
{
    CString text;
    text.Format(format, argument.GetString());
    return text;
}

CString WithExtension(const CString& path, const CString& extension)
{
    CFilePath parts(path);
    parts.SetExtension(extension);
    return parts.GetFullPath();
}

CString WithoutExtension(const CString& path)
{
    return CFilePath(path).GetPathWithoutExtension();
}

// The last-write time of a file; false when it cannot be read.
bool LastWriteTime(const CString& path, FILETIME& time)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return false;
    time = data.ftLastWriteTime;
    return true;
}

// A small notice, owned by the project window, while the system starts
// (which can take seconds).
class CStartingNotice {
public:
    CStartingNotice()
    {
        m_hWnd = ::CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "IEC 61131", WS_POPUP | WS_CAPTION | WS_BORDER, 0, 0,
                                   260, 80, GetProjectWndHandle(), nullptr, ::GetModuleHandleA(nullptr), nullptr);
        if (!m_hWnd)
            return;
        ::CreateWindowExA(0, "STATIC", "Starting MULTIPROG Express", WS_CHILD | WS_VISIBLE | SS_CENTER, 10, 14, 230,
                          20, m_hWnd, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
        ::UpdateWindow(m_hWnd);
    }
    ~CStartingNotice()
    {
        if (m_hWnd)
            ::DestroyWindow(m_hWnd);
    }
    CStartingNotice(const CStartingNotice&) = delete;
    CStartingNotice& operator=(const CStartingNotice&) = delete;

private:
    HWND m_hWnd = nullptr;
};

} // namespace

CKWProject::CKWProject() = default;

CKWProject::~CKWProject()
{
    if (!m_pLink)
        return;
    m_pLink->CloseProject();
    m_pLink->EnableUserAppClose();
    m_pLink->CloseApp();
    delete m_pLink;
}

int CKWProject::Fail(const CString& text)
{
    m_strLastError = text;
    return 0;
}

int CKWProject::FailFromLink()
{
    m_strLastError = m_pLink ? m_pLink->GetLastError() : CString(kNoLink);
    return 0;
}

int CKWProject::Connect()
{
    m_strLastError.Empty();
    if (!m_pLink)
        m_pLink = new CKWMPELink;
    if (m_pLink->IsAppConnected())
        return 1;
    CString path = m_pLink->GetAppPath();
    if (path.IsEmpty()) {
        if (!m_pLink->LocateAppExecutable())
            return FailFromLink();
        path = m_pLink->GetAppPath();
    }
    if (!PathExists(path))
        return Fail(FormatText("File %s does not exist.", path));
    {
        CStartingNotice notice;
        if (!m_pLink->Connect())
            return FailFromLink();
    }
    if (!m_pLink->IsProjectOpen()) {
        m_strLastError = "No project open";
        return 1;
    }
    m_strCurrentProjectFilePath = m_pLink->GetCurrentProjectFilePath();
    return 1;
}

int CKWProject::IsProjectOpen()
{
    if (!Connect())
        return 0;
    return m_pLink->IsProjectOpen();
}

int CKWProject::OpenProject(const CString& mwePath)
{
    m_strLastError.Empty();
    if (!Connect())
        return 0;
    m_strLastError.Empty();
    if (m_pLink->IsProjectOpen()) {
        // Already open: it stays open and held.
        if (m_pLink->GetCurrentProjectFilePath().CompareNoCase(mwePath) == 0) {
            m_strCurrentProjectFilePath = mwePath;
            m_pLink->DisableUserAppClose();
            return 1;
        }
        if (!CloseOpenProject())
            return 0;
    }
    m_pLink->ClearError();
    if (!m_pLink->OpenProject(mwePath)) {
        FailFromLink();
        m_strCurrentProjectFilePath.Empty();
        return 0;
    }
    m_strCurrentProjectFilePath = mwePath;
    // The user may not close the system while a project is held in it.
    m_pLink->DisableUserAppClose();
    return 1;
}

int CKWProject::CreateProject(const CString& mwePath)
{
    m_strLastError.Empty();
    if (!Connect())
        return 0;
    m_strLastError.Empty();
    if (m_pLink->IsProjectOpen() && !CloseOpenProject())
        return 0;
    m_pLink->ClearError();
    if (!m_pLink->CreateProject(mwePath))
        return FailFromLink();
    m_strCurrentProjectFilePath = mwePath;
    return 1;
}

int CKWProject::CloseProject()
{
    m_strLastError.Empty();
    if (!Connect())
        return 0;
    m_strLastError.Empty();
    int result = 1;
    if (m_pLink->IsProjectOpen()) {
        m_pLink->ClearError();
        if (!m_pLink->CloseProject())
            result = FailFromLink();
        else
            m_strCurrentProjectFilePath.Empty();
    }
    // The user gets the right to close the system back once nothing is
    // held in it; a project that would not close is still held.
    if (!m_pLink->IsProjectOpen() && !m_pLink->IsUserAppCloseEnabled())
        m_pLink->EnableUserAppClose();
    return result;
}

int CKWProject::CloseOpenProject()
{
    CloseProject();
    if (!m_pLink->IsProjectOpen()) {
        m_strLastError.Empty();
        return 1;
    }
    // The project that stays open is the failure; the close's reason is
    // kept when it gave one.
    if (m_strLastError.IsEmpty())
        m_strLastError.LoadString(IDS_KW_FAILED_CLOSE_OPEN_PROJECT);
    return 0;
}

int CKWProject::Compile()
{
    m_strLastError.Empty();
    if (!Connect())
        return 0;
    m_strLastError.Empty();
    m_pLink->ClearError();
    return m_pLink->CompileProject() ? 1 : FailFromLink();
}

int CKWProject::SetIPAddress(const CIP4Address& address)
{
    m_strLastError.Empty();
    if (!Connect())
        return 0;
    m_strLastError.Empty();
    if (!m_pLink->IsProjectOpen())
        return Fail("No project open");
    m_pLink->ClearError();
    return m_pLink->SetIPAddress(address) ? 1 : FailFromLink();
}

int CKWProject::ReadCRC(int (CKWMPELink::*query)(unsigned long&), unsigned long& crc)
{
    m_strLastError.Empty();
    crc = 0;
    if (!Connect())
        return 0;
    m_strLastError.Empty();
    m_pLink->ClearError();
    const int result = (m_pLink->*query)(crc);
    if (!result)
        FailFromLink();
    return result;
}

int CKWProject::GetProjectCRC(unsigned long& crc)
{
    return ReadCRC(&CKWMPELink::GetProjectCRC, crc);
}

int CKWProject::GetControllerProjectCRC(unsigned long& crc)
{
    return ReadCRC(&CKWMPELink::GetControllerProjectCRC, crc);
}

int CKWProject::SaveCompressed()
{
    m_strLastError.Empty();
    if (!m_pLink || !m_pLink->IsProjectOpen())
        return Fail(kNoLink);
    m_pLink->ClearError();
    return m_pLink->SaveCompressed() ? 1 : FailFromLink();
}

void CKWProject::ShowApp(int bShow)
{
    if (!m_pLink)
        return;
    if (bShow)
        m_pLink->ShowApp();
    else
        m_pLink->HideApp();
}

void CKWProject::ShowLastError(int bShowNoError)
{
    if (!m_strLastError.IsEmpty())
        AfxMessageBox(m_strLastError, MB_OK | MB_ICONEXCLAMATION);
    else if (bShowNoError)
        AfxMessageBox("No error", MB_OK | MB_ICONINFORMATION);
}

CString CKWProject::PathWithoutExtension() const
{
    return WithoutExtension(m_strCurrentProjectFilePath);
}

CString CKWProject::GetProjectName() const
{
    return CFilePath(m_strCurrentProjectFilePath).GetName();
}

CString CKWProject::GetCompressedFilePath() const
{
    return PathWithoutExtension() + "." + CKWMPELink::m_kstrCompressedFileExtension;
}

CString CKWProject::GetCodedFilePath() const
{
    return PathWithoutExtension() + "." + kCodedExtension;
}

int CKWProject::ExportProject()
{
    m_strLastError.Empty();
    if (!m_pLink || !m_pLink->IsProjectOpen())
        return Fail(kNoLink);
    if (!SaveCompressed())
        return 0;
    const CString zwe = GetCompressedFilePath();
    if (!PathExists(zwe))
        return Fail(FormatText("File %s does not exist.", zwe));
    CASCIICoder coder;
    if (!coder.EncodeFile(zwe, GetCodedFilePath()))
        return Fail(FormatText("Error ASCII encodeig file %s", zwe));
    return 1;
}

int CKWProject::IsChangedSinceExport()
{
    m_strLastError.Empty();
    if (!m_pLink || !m_pLink->IsProjectOpen() || m_strCurrentProjectFilePath.IsEmpty())
        return 1;
    FILETIME mwe, zwa;
    if (!LastWriteTime(m_strCurrentProjectFilePath, mwe) || !LastWriteTime(GetCodedFilePath(), zwa))
        return 1;
    if (::CompareFileTime(&mwe, &zwa) > 0)
        return 1;
    CString newest;
    FILETIME newestTime{};
    if (!FindNewestFile(PathWithoutExtension(), newest, newestTime, 0, 32))
        return 1;
    return ::CompareFileTime(&newestTime, &zwa) > 0 ? 1 : 0;
}

int CKWProject::ImportProject(const CString& zwaPath, int bSilent)
{
    m_strLastError.Empty();
    if (!PathExists(zwaPath))
        return Fail(FormatText("File %s does not exist.", zwaPath));
    const CString dataFolder = WithoutExtension(zwaPath);
    const CString zwe = WithExtension(zwaPath, CKWMPELink::m_kstrCompressedFileExtension);
    const CString mwe = WithExtension(zwaPath, CKWMPELink::m_kstrProjectFileExtension);

    // Decoded into a temporary file first: a file that does not decode
    // leaves the old project as it was.
    const CString decoded = zwe + ".new";
    CASCIICoder coder;
    if (!coder.DecodeFile(zwaPath, decoded) || !PathExists(decoded)) {
        ::DeleteFileA(decoded);
        return Fail(FormatText("Error decoding ASCII compressed file %s", zwaPath));
    }

    if (PathExists(zwe) || PathExists(mwe)) {
        int answer = IDNO; // Overwrite
        if (!bSilent) {
            static const LPCTSTR kButtons[] = {"&Backup", "&Overwrite", "&Cancel"};
            answer = AfxGetPromptService().PromptLabelled(
                GetProjectWndHandle(),
                FormatText("Project file %s already exists on the PC do you want to back it up or overwrite it?",
                           dataFolder),
                "Save program", MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1, kButtons, 3);
        }
        if (answer == IDYES) {
            CFileDialog dialog(FALSE, CKWMPELink::m_kstrCompressedFileExtension, nullptr,
                               OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, "Compressed KW Project (*.zwe)|*.zwe||");
            if (dialog.DoModal() != IDOK) {
                ::DeleteFileA(decoded);
                return 0;
            }
            const CString target = dialog.GetPathName();
            if (target.CompareNoCase(zwe) == 0) {
                AfxGetPromptService().Prompt(GetProjectWndHandle(), "Cannot backup file to itself!", "&Backup",
                                             MB_OK | MB_ICONEXCLAMATION);
                ::DeleteFileA(decoded);
                return Fail("Cannot backup file to itself!");
            }
            if (!::CopyFileA(zwe, target, FALSE)) {
                ::DeleteFileA(decoded);
                return Fail(FormatText("Error writing to file %s", target));
            }
        } else if (answer != IDNO) {
            ::DeleteFileA(decoded);
            return 0;
        }
        // The open project lets go of its files before they are replaced.
        if (m_pLink && m_pLink->IsProjectOpen() &&
            m_pLink->GetCurrentProjectFilePath().CompareNoCase(mwe) == 0 && !CloseProject()) {
            ::DeleteFileA(decoded);
            return 0;
        }
        if (PathExists(zwe))
            ::DeleteFileA(zwe);
        if (PathExists(mwe)) {
            ::DeleteFileA(mwe);
            if (DirectoryExists(dataFolder))
                DeleteDirectory(dataFolder);
        }
    }
    if (!::MoveFileExA(decoded, zwe, MOVEFILE_REPLACE_EXISTING)) {
        ::DeleteFileA(decoded);
        return Fail(FormatText("Error decoding ASCII compressed file %s", zwaPath));
    }
    return OpenCompressedProject(zwe);
}

int CKWProject::OpenCompressedProject(const CString& zwePath)
{
    m_strLastError.Empty();
    if (!PathExists(zwePath))
        return Fail(FormatText("File %s does not exist.", zwePath));
    const CString mwe = WithExtension(zwePath, CKWMPELink::m_kstrProjectFileExtension);
    if (PathExists(mwe)) {
        const int answer =
            AfxGetPromptService().Prompt(GetProjectWndHandle(),
                                         FormatText("File %s exists\n\nDo you want to overwrite it?", mwe),
                                         "Save table", MB_YESNO | MB_ICONQUESTION);
        if (answer != IDYES)
            return Fail("Aborted by user");
        if (!Connect())
            return 0;
        // The open project lets go of its folder before it is deleted.
        if (m_pLink->IsProjectOpen()) {
            m_pLink->ClearError();
            if (!m_pLink->CloseProject())
                return FailFromLink();
            m_strCurrentProjectFilePath.Empty();
        }
        const CString folder = WithoutExtension(zwePath);
        if (DirectoryExists(folder) && !DeleteDirectory(folder))
            return Fail(FormatText("Error deleting directory %s", folder));
    }
    if (!Connect())
        return 0;
    m_strLastError.Empty();
    m_pLink->ClearError();
    if (!m_pLink->OpenCompressed(zwePath))
        return FailFromLink();
    m_strCurrentProjectFilePath = mwe;
    m_pLink->DisableUserAppClose();
    return 1;
}

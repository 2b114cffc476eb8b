#include "project/loadsavetable.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "foundation/fileutil.h"
#include "foundation/logline.h"
#include "foundation/safefile.h"
#include "framework/app.h"
#include "framework/prompt.h"
#include "link/controllermessage.h"
#include "project/loadsavefile.h"
#include "project/newfolder.h"
#include "project/project_resource.h"
#include "project/projectmessages.h"
#include "ui/progress.h"
#include "ui/userdialog.h"
#include "ui/windowlookup.h"

namespace {

const int kTableSizeQuery = 29; // "?TSIZE[0];"
const int kTableValues = 31;    // "TABLEVALUES(%i,%i,%i)"
const int kTableWrite = 96;     // "TABLE(%i,%s)"
const int kReadBlock = 32;
const int kValuesPerLine = 10;
// What a "#" value (a location the controller cannot show) is stored as,
// and the magnitude from which a stored value counts as invalid.
const double kInvalidMarker = 1.7976931348623158e+303;
const double kInvalidThreshold = 3.402789230410738e+33;

long ReadLong(CEdit& edit, bool& ok)
{
    CString text;
    edit.GetWindowText(text);
    text.Trim();
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    ok = !text.IsEmpty() && end && *end == '\0';
    return value;
}

} // namespace

IMPLEMENT_DYNAMIC(CLoadSaveTable, CDialog)

BEGIN_MESSAGE_MAP(CLoadSaveTable, CDialog)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_MESSAGE(WM_DESTROY_REQUEST, OnDestroyRequest)
ON_MESSAGE(WM_QUERY_REPLY_CLASS, OnQueryReplyClass)
ON_MESSAGE(WM_TABLE_STOP, OnStop)
ON_BN_CLICKED(IDC_TABLE_TYPE_LIST, OnFileType)
ON_BN_CLICKED(IDC_TABLE_TYPE_PROGRAM, OnFileType)
ON_BN_CLICKED(IDC_TABLE_TYPE_TEXT, OnFileType)
ON_EN_CHANGE(IDC_TABLE_FILE, OnFieldChange)
ON_EN_CHANGE(IDC_TABLE_START, OnFieldChange)
ON_EN_CHANGE(IDC_TABLE_END, OnFieldChange)
ON_BN_CLICKED(IDC_TABLE_NEW_DIR, OnNewDirectory)
END_MESSAGE_MAP()

CLoadSaveTable::CLoadSaveTable(int mode) : CDialog(IDD_LOAD_SAVE_TABLE, nullptr), m_nMode(mode)
{
    SetReply("LoadSaveTable");
    m_sender.SetText("LoadSaveTable");
    m_values.SetGrowth(8192);
}

CLoadSaveTable::~CLoadSaveTable() = default;

BOOL CLoadSaveTable::Create(CWnd* pParentWnd)
{
    return CreateOrDelete(IDD_LOAD_SAVE_TABLE, pParentWnd);
}

void CLoadSaveTable::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_TABLE_TREE, m_tree);
    DDX_Control(pDX, IDC_TABLE_FILE, m_fileName);
    DDX_Control(pDX, IDC_TABLE_START, m_start);
    DDX_Control(pDX, IDC_TABLE_END, m_end);
    DDX_Control(pDX, IDC_TABLE_HIGHEST, m_highest);
}

int CLoadSaveTable::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CDialog::OnCreate(lpCreateStruct) == -1)
        return -1;
    m_hWndProject = RegisterToolWindow(TOOL_ID_TABLE_LOAD_SAVE, m_hWnd);
    if (!m_hWndProject)
        return -1;
    m_bRegistered = TRUE;
    return 0;
}

BOOL CLoadSaveTable::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_bWasCreated = TRUE;
    SetWindowText(m_nMode == MODE_LOAD ? "Load Table" : (m_nMode == MODE_SAVE ? "Save Table" : "Error"));
    const HWND main = AfxGetMainWndHandle();
    const LRESULT limit = ::IsWindow(main) ? ::SendMessageA(main, WM_MF_QUERY_LINE_LIMIT, 0, 0) : 0;
    m_nLineLimit = limit > 0 ? static_cast<int>(limit) : 80;
    m_values.SetLineLength(m_nLineLimit);
    m_bFeature = ::IsWindow(m_hWndProject) && ::SendMessageA(m_hWndProject, WM_PW_QUERY_FEATURE, 0, 36) != 0;
    CheckRadioButton(IDC_TABLE_TYPE_LIST, IDC_TABLE_TYPE_TEXT, IDC_TABLE_TYPE_LIST + m_nFileType);
    m_start.SetWindowText("0");
    m_end.SetWindowText("0");
    if (m_nMode == MODE_LOAD) {
        m_highest.ShowWindow(SW_HIDE);
        m_fileName.EnableWindow(FALSE);
    } else {
        m_highest.ShowWindow(SW_SHOW);
        m_fileName.EnableWindow(TRUE);
        m_sender.SendSequenceEx(m_hWnd, this, {CommandItem(kTableSizeQuery)});
        ShowHighest();
    }
    AskToShowFileExtensions(m_hWnd);
    m_tree.SetFileFilter(m_nMode == MODE_LOAD, "*." + Extension());
    m_tree.PopulateTree();
    UpdateOk();
    return TRUE;
}

CString CLoadSaveTable::Extension() const
{
    return m_nFileType == FILE_LIST ? "lst" : (m_nFileType == FILE_PROGRAM ? "bas" : "txt");
}

BOOL CLoadSaveTable::SelectFolder(LPCSTR folder)
{
    LPITEMIDLIST pidl = m_tree.PidlFromPath(folder);
    const BOOL ok = pidl && m_tree.SelectPath(pidl);
    m_tree.Free(pidl);
    UpdateOk();
    return ok;
}

void CLoadSaveTable::ShowHighest()
{
    CString text;
    const long highest = m_nHighest.load();
    if (highest < 0)
        text = "None";
    else
        text.Format("%ld", highest);
    m_highest.SetWindowText(text);
}

void CLoadSaveTable::OnFileType()
{
    m_nFileType = IsDlgButtonChecked(IDC_TABLE_TYPE_PROGRAM) ? FILE_PROGRAM
                  : IsDlgButtonChecked(IDC_TABLE_TYPE_TEXT)  ? FILE_TEXT
                                                             : FILE_LIST;
    m_tree.SetFileFilter(m_nMode == MODE_LOAD, "*." + Extension());
    UpdateOk();
}

void CLoadSaveTable::OnFieldChange()
{
    UpdateOk();
}

void CLoadSaveTable::UpdateOk()
{
    CString folder, name;
    bool startOk = false, endOk = false;
    const long start = ReadLong(m_start, startOk);
    const long end = ReadLong(m_end, endOk);
    m_fileName.GetWindowText(name);
    const bool enable = m_tree.GetSelectedPath(folder) && !name.IsEmpty() && startOk && endOk && start >= 0 &&
                        start <= end;
    if (CWnd* ok = GetDlgItem(IDOK))
        ok->EnableWindow(enable ? TRUE : FALSE);
}

BOOL CLoadSaveTable::BuildPath(CString& path)
{
    CString folder, name;
    if (!m_tree.GetSelectedPath(folder))
        return FALSE;
    if (m_nMode == MODE_LOAD && m_tree.IsSelectedFile()) {
        path = folder;
        return TRUE;
    }
    m_fileName.GetWindowText(name);
    // The name loses an ending found among its last four characters.
    const int dot = name.ReverseFind('.');
    if (dot >= 0 && dot >= name.GetLength() - 4)
        name = name.Left(dot);
    if (name.IsEmpty())
        return FALSE;
    name += "." + Extension();
    path = folder;
    if (path.IsEmpty() || path[path.GetLength() - 1] != '\\')
        path += '\\';
    path += name;
    return TRUE;
}

void CLoadSaveTable::OnOK()
{
    bool startOk = false, endOk = false;
    const long start = ReadLong(m_start, startOk);
    const long end = ReadLong(m_end, endOk);
    if (m_nMode == MODE_SAVE && (!startOk || !endOk || end < start)) {
        ShowUserMessage(this, "No Entries Specified", "Save table");
        return;
    }
    CString path;
    if (!BuildPath(path))
        return;
    ++m_nBusy;
    if (m_nMode == MODE_SAVE)
        Save(path, start, end);
    else
        Load(path);
    --m_nBusy;
}

void CLoadSaveTable::Save(const CString& path, long start, long end)
{
    CString folder = path.Left(path.ReverseFind('\\'));
    if (!DirectoryExists(folder)) {
        CString text;
        text.Format("Directory %s does not exist!", folder.GetString());
        ShowUserMessage(this, text, "Save table");
        return;
    }
    if (FileExists(path)) {
        CString text;
        text.Format("File %s exists\n\nDo you want to overwrite it?", path.GetString());
        if (AfxGetPromptService().Prompt(m_hWnd, text, "Save table", MB_YESNO | MB_DEFBUTTON2) != IDYES)
            return;
    }
    const long highest = m_nHighest.load();
    if (start < 0 || start > highest) {
        ShowUserMessage(this, "No Entries Specified", "Save table");
        return;
    }
    if (end > highest)
        end = highest;

    // Every value is read before the file is touched.
    m_values.Clear();
    m_values.SetStart(start);
    m_bStop = false;
    bool complete = true;
    CTransferProgress progress(m_hWnd, "Reading table values");
    for (long first = start; first <= end; first += kReadBlock) {
        const long last = std::min<long>(first + kReadBlock - 1, end);
        const int before = m_values.GetCount();
        CString arguments;
        arguments.Format("%ld,%ld,%d", first, last, 0);
        const BOOL sent = m_sender.SendSequenceEx(m_hWnd, this, {CommandItem(kTableValues, arguments.GetString())});
        if (!sent || m_values.GetCount() != before + static_cast<int>(last - first + 1) || Stopped(progress)) {
            complete = false;
            break;
        }
        progress.Show(last - start + 1, end - start + 1);
    }
    progress.Close();
    if (!complete) {
        CString text;
        text.Format("Reading the table values from the controller did not complete.\n\nFile %s was not changed.",
                    path.GetString());
        ShowUserMessage(this, text, "Save table");
        return;
    }
    if (m_values.FindValue(4, kInvalidThreshold, TRUE))
        ShowUserMessage(this,
                        "One or more values read from the controller may be invalid.\n\nThis is usually caused by "
                        "reading table locations which have not been initialised.",
                        "Warning");
    const std::string text = m_nFileType == FILE_LIST ? m_values.WriteDelimitedValues(1, ':', ',')
                                                      : m_values.WriteTableCommands(kValuesPerLine, m_nLineLimit);
    if (!ReplaceFileContents(path, text)) {
        CString message;
        message.Format("Error writing to file:\n%s", path.GetString());
        ShowUserMessage(this, message, "Save table");
    }
}

void CLoadSaveTable::Load(const CString& path)
{
    std::string bytes;
    {
        CWaiting wait(this, "Loading ...");
        wait.Show();
        const BOOL read = ReadWholeFileBytes(path, bytes);
        wait.Hide();
        if (!read) {
            CString text;
            text.Format("File %s does not exist.", path.GetString());
            ShowUserMessage(this, text, "Load table");
            return;
        }
        m_values.Clear();
        m_values.SetStart(0);
        if (m_nFileType == FILE_LIST)
            m_values.LoadSeparatedLines(MakeTextLineReader(bytes), ':', ',');
        else
            m_values.LoadLines(MakeTextLineReader(bytes));
    }
    const int count = m_values.GetCount();
    if (count <= 0)
        return;
    m_bStop = false;
    long next = m_values.GetStart();
    const long end = m_values.GetStart() + count;
    CTransferProgress progress(m_hWnd, "Storing table values");
    while (next < end && !Stopped(progress)) {
        // "first,v,v,..." up to 10 values, short of the line limit - 10.
        CString arguments;
        arguments.Format("%ld", next);
        int values = 0;
        long index = next;
        while (index < end && values < kValuesPerLine) {
            const CString value = m_values.FormatValues(index, 1, ',');
            if (values > 0 && arguments.GetLength() + 1 + value.GetLength() >= m_nLineLimit - 10)
                break;
            arguments += "," + value;
            ++values;
            ++index;
        }
        if (!m_sender.SendSequenceEx(m_hWnd, this, {CommandItem(kTableWrite, arguments.GetString())}))
            break;
        next = index;
        progress.Show(next - m_values.GetStart(), count);
    }
    progress.Close();
}

bool CLoadSaveTable::Stopped(const CTransferProgress& progress) const
{
    return m_bStop.load() || m_bClosing.load() || progress.IsCancelled();
}

void CLoadSaveTable::OnNewDirectory()
{
    MakeFolderInTree(this, m_tree);
    UpdateOk();
}

// ---------------------------------------------------------------- CTransferProgress

CTransferProgress::CTransferProgress(HWND hWndNotify, LPCSTR text) : m_pGauge(StartProgressGauge())
{
    if (!m_pGauge)
        return;
    m_pGauge->SetText(text);
    m_pGauge->SetRange(100);
    m_pGauge->SetNotifyWindow(hWndNotify);
    m_pGauge->SetConfirmCancel(FALSE);
    // The gauge sets the flag when Cancel is pressed and it stays set, so a
    // click the transfer's thread has not yet seen is not lost.
    m_pGauge->SetCancelFlag(&m_nCancel);
    m_pGauge->ShowButton(TRUE);
}

CTransferProgress::~CTransferProgress()
{
    Close();
}

void CTransferProgress::Show(long done, long total)
{
    const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
    m_nPercent = percent;
    if (m_pGauge)
        m_pGauge->SetPos(percent);
}

bool CTransferProgress::IsCancelled() const
{
    return std::atomic_ref<int>(m_nCancel).load() != 0;
}

void CTransferProgress::Close()
{
    if (m_pGauge) {
        m_pGauge->SetCancelFlag(nullptr); // the gauge writes no more to the flag
        m_pGauge->Close();
    }
    m_pGauge = nullptr;
}

void CLoadSaveTable::OnReply(ControllerMessage* message)
{
    GlobalLogLine("RxAtTool: Load/Save Table", LOG_TOOL_REPLIES);
    if (!message || m_bClosing.load())
        return;
    if (message->m_nCommandId == kTableSizeQuery) {
        m_nHighest = static_cast<long>(message->GetInteger()) - 1;
    } else if (message->m_nCommandId == kTableValues) {
        if (message->HasBytes()) {
            const char* text = message->GetText();
            while (*text == ' ')
                ++text;
            m_values.AddValue(*text == '#' ? kInvalidMarker : std::atof(text));
        } else {
            m_values.AddValue(message->GetReal());
        }
    }
}

void CLoadSaveTable::OnCancel()
{
    PostMessage(WM_DESTROY_REQUEST, 0, 0);
}

LRESULT CLoadSaveTable::OnStop(WPARAM, LPARAM)
{
    m_bStop = true;
    return 0;
}

LRESULT CLoadSaveTable::OnQueryReplyClass(WPARAM wParam, LPARAM)
{
    if (wParam)
        *reinterpret_cast<CVexoReply**>(wParam) = this;
    return 1;
}

LRESULT CLoadSaveTable::OnDestroyRequest(WPARAM, LPARAM)
{
    const bool busy = m_nBusy > 0;
    GlobalLogFormat(LOG_DESTROY_REQUESTS, "Destroy window request \"%s\" (%d)", "LoadSaveTable", busy ? 1 : 0);
    m_bClosing = true;
    if (busy)
        PostMessage(WM_DESTROY_REQUEST, 0, 0);
    else
        DestroyWindow();
    return 0;
}

void CLoadSaveTable::OnDestroy()
{
    m_bClosing = true;
    SetClosing();
    m_sender.SetClosing(true);
    if (m_bRegistered && ::IsWindow(m_hWndProject))
        UnregisterToolWindow(m_hWndProject, TOOL_ID_TABLE_LOAD_SAVE, m_hWnd, FALSE);
    m_bRegistered = FALSE;
    CDialog::OnDestroy();
}

void CLoadSaveTable::PostNcDestroy()
{
    if (m_bWasCreated)
        delete this;
}

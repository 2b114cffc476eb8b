#include "tools/watchwindow.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "framework/resources.h"
#include "link/programdata.h"
#include "project/projectwndmessages.h"
#include "tools/watchdialogs_resource.h"

namespace {

constexpr int kFeatureWatch = 5;
constexpr int kFeatureWriteVariables = 6;
constexpr int kFeatureExponent = 36;
constexpr int kMinimumWidth = 240;
constexpr int kMinimumHeight = 100;

} // namespace

using tools::CToolDialog;

IMPLEMENT_DYNAMIC(CWatchWindow, CToolDialog)

BEGIN_MESSAGE_MAP(CWatchWindow, CToolDialog)
ON_WM_DESTROY()
ON_WM_SIZE()
ON_WM_GETMINMAXINFO()
ON_BN_CLICKED(IDC_WATCH_REFRESH, OnRefresh)
ON_BN_CLICKED(IDOK, OnCloseButton)
ON_EN_KILLFOCUS(IDC_WATCH_EDIT, OnEditorKillFocus)
ON_MESSAGE(WM_WATCH_ITEM, OnWatchItem)
ON_MESSAGE(WM_WATCH_PROCESS_STATUS, OnProcessStatus)
END_MESSAGE_MAP()

CWatchWindow::CWatchWindow(HWND hWndProject)
    : tools::CToolDialog(IDD_WATCH, kToolIdWatch, "VariableWatch", 1, hWndProject)
{
}

CWatchWindow::~CWatchWindow()
{
    if (m_hRefreshBitmap)
        ::DeleteObject(m_hRefreshBitmap);
}

LRESULT CWatchWindow::AskProject(UINT message, WPARAM wParam, LPARAM lParam) const
{
    HWND project = CToolWindowParts::GetProjectWindow();
    if (!project || !::IsWindow(project))
        return 0;
    DWORD_PTR answer = 0;
    if (!::SendMessageTimeoutA(project, message, wParam, lParam, SMTO_NORMAL, 10000, &answer))
        return 0;
    return static_cast<LRESULT>(answer);
}

BOOL CWatchWindow::OnInitTool()
{
    HWND list = List();
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    static const struct {
        const char* title;
        int width;
    } columns[kWatchColumns] = {{"Name", 90}, {"Value", 90}, {"Program", 90}, {"Process", 50}};
    for (int i = 0; i < kWatchColumns; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = LVCFMT_LEFT;
        column.cx = columns[i].width;
        column.pszText = const_cast<char*>(columns[i].title);
        ListView_InsertColumn(list, i, &column);
    }
    for (int row = 0; row < kWatchRows; ++row) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<char*>("");
        ListView_InsertItem(list, &item);
    }
    // A character typed into the list opens the cell editor with it.
    ::SetWindowSubclass(list, ListProc, 2, reinterpret_cast<DWORD_PTR>(this));
    DecorateRefresh();
    m_list.SetExponentAllowed(AskProject(WM_WATCH_FEATURE, 0, kFeatureExponent) != 0);
    CString projectPath;
    if (AskProject(PWM_PROJECT_FILE_PATH, 0, reinterpret_cast<LPARAM>(&projectPath)))
        m_projectFile.SetFilePath(projectPath);
    AskProject(WM_WATCH_SET_WINDOW, 0, reinterpret_cast<LPARAM>(m_hWnd));
    Layout();
    // A controller without watch support: the window closes at once.
    if (AskProject(WM_WATCH_FEATURE, 0, kFeatureWatch) == 0)
        PostMessage(tools::WM_TOOL_DESTROY_REQUEST);
    return TRUE;
}

void CWatchWindow::DecorateRefresh()
{
    HWND refresh = ::GetDlgItem(m_hWnd, IDC_WATCH_REFRESH);
    if (!refresh)
        return;
    // Grey in the picture becomes the button's face.
    const LPCSTR name = MAKEINTRESOURCEA(IDB_WATCH_REFRESH);
    m_hRefreshBitmap = static_cast<HBITMAP>(
        ::LoadImageA(AfxFindResourceHandle(name, RT_BITMAP), name, IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
    if (m_hRefreshBitmap)
        ::SendMessageA(refresh, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_hRefreshBitmap));
    if (m_toolTip.Create(this)) {
        m_toolTip.AddTool(CWnd::FromHandle(refresh), "&Refresh");
        m_toolTip.Activate(TRUE);
    }
}

BOOL CWatchWindow::PreTranslateMessage(MSG* pMsg)
{
    if (m_toolTip.m_hWnd && pMsg->message >= WM_MOUSEFIRST && pMsg->message <= WM_MOUSELAST)
        m_toolTip.RelayEvent(pMsg);
    return tools::CToolDialog::PreTranslateMessage(pMsg);
}

void CWatchWindow::OnDestroy()
{
    if (m_toolTip.m_hWnd)
        m_toolTip.DestroyWindow();
    if (m_hEditor)
        ::DestroyWindow(m_hEditor);
    m_hEditor = nullptr;
    AskProject(WM_WATCH_SET_WINDOW, 0, 0);
    tools::CToolDialog::OnDestroy();
}

void CWatchWindow::OnGetMinMaxInfo(MINMAXINFO* info)
{
    info->ptMinTrackSize.x = kMinimumWidth;
    info->ptMinTrackSize.y = kMinimumHeight;
}

void CWatchWindow::OnSize(UINT nType, int cx, int cy)
{
    CBusy busy(*this);
    if (m_hEditor)
        FinishEditor(false);
    Layout();
}

void CWatchWindow::Layout()
{
    HWND list = List();
    HWND refresh = ::GetDlgItem(m_hWnd, IDC_WATCH_REFRESH);
    HWND close = ::GetDlgItem(m_hWnd, IDOK);
    if (!list || !refresh || !close)
        return;
    RECT client = {}, button = {};
    ::GetClientRect(m_hWnd, &client);
    ::GetWindowRect(refresh, &button);
    const int width = button.right - button.left, height = button.bottom - button.top;
    const int left = client.right - 4 - width;
    ::SetWindowPos(refresh, nullptr, left, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::SetWindowPos(close, nullptr, left, height + 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ::SetWindowPos(list, nullptr, 4, 4, std::max(0, left - 8), std::max(0, static_cast<int>(client.bottom) - 8),
                   SWP_NOZORDER);
}

void CWatchWindow::ShowCells()
{
    HWND list = List();
    for (int row = 0; row < kWatchRows; ++row)
        for (int column = 0; column < kWatchColumns; ++column) {
            const std::string& text = m_list.Cell(row, column);
            if (m_shown[row][column] == text)
                continue;
            m_shown[row][column] = text;
            ListView_SetItemText(list, row, column, const_cast<char*>(text.c_str()));
        }
}

void CWatchWindow::OnRefresh()
{
    // During a pass the items are only marked: the pass reads them too.
    if (m_list.MarkPending(false))
        ReadPending();
}

void CWatchWindow::OnEditorKillFocus()
{
    // Losing the focus ends the edit; the notice of an editor that is gone
    // (it comes posted) leaves the open one alone.
    const MSG* message = GetCurrentMessage();
    const HWND from = message ? reinterpret_cast<HWND>(message->lParam) : nullptr;
    if (m_hEditor && from == m_hEditor && ::GetFocus() != m_hEditor)
        FinishEditor(false);
}

void CWatchWindow::OnCloseButton()
{
    PostMessage(WM_CLOSE);
}

void CWatchWindow::Read(int row)
{
    const CWatchData asked = m_list.Item(row);
    const std::optional<SWatchCommand> command = CWatchList::ReadCommand(asked);
    if (!command)
        return;
    std::vector<ControllerMessage> replies;
    if (command->isText)
        Send({CommandItem(command->id, command->text.c_str())}, &replies);
    else
        Send({CommandItem(command->id, command->integer)}, &replies);
    for (const ControllerMessage& message : replies) {
        CWatchReplyData reply;
        reply.commandId = message.m_nCommandId;
        reply.channel = message.m_nChannel;
        reply.real = message.GetReal();
        reply.text.assign(message.GetText(), static_cast<size_t>(message.GetLength()));
        reply.request = asked;
        if (m_list.TakeReply(reply) == CWatchList::kReplyRejected)
            break; // an answer that belongs to nothing ends the pass
    }
}

void CWatchWindow::ReadPending()
{
    // A pass under way takes what was marked meanwhile.
    if (IsBusy() || IsClosing())
        return;
    CBusy busy(*this);
    for (int row = m_list.TakeNextPending(); row >= 0 && !IsClosing(); row = m_list.TakeNextPending()) {
        Read(row);
        ShowCells();
    }
    ++m_nPassesDone;
}

LRESULT CWatchWindow::OnWatchItem(WPARAM wParam, LPARAM lParam)
{
    if (IsClosing())
        return 0;
    switch (static_cast<int>(wParam)) {
    case kWatchAdd: {
        const auto* item = reinterpret_cast<const editor::SWatchItem*>(lParam);
        if (!item)
            return 0;
        bool readNow = false;
        const bool added = m_list.Add(CWatchData(*item), &readNow);
        ShowCells();
        if (readNow)
            PostMessage(WM_WATCH_ITEM, kWatchReadPending);
        ::PostMessageA(CToolWindowParts::GetProjectWindow(), WM_WATCH_SET_WINDOW, 0, reinterpret_cast<LPARAM>(m_hWnd));
        return added ? 1 : 0;
    }
    case kWatchReadRow:
        m_list.MarkRowPending(static_cast<int>(lParam));
        ReadPending();
        return 0;
    case kWatchReadPending:
        ReadPending();
        return 0;
    case kWatchVariableTable:
        if (const auto* table = reinterpret_cast<const editor::VariableTable*>(lParam)) {
            m_list.ResolveVariableIndices(*table);
            ShowCells();
        }
        return 0;
    case kWatchAskTables:
        ::PostMessageA(CToolWindowParts::GetProjectWindow(), WM_WATCH_SET_WINDOW, 0, reinterpret_cast<LPARAM>(m_hWnd));
        return 0;
    default:
        return 0;
    }
}

LRESULT CWatchWindow::OnProcessStatus(WPARAM wParam, LPARAM lParam)
{
    const auto* process = reinterpret_cast<const CProcessData*>(lParam);
    if (!process || IsClosing())
        return 0;
    const std::string program = static_cast<LPCSTR>(process->m_strProgram);
    switch (static_cast<int>(wParam)) {
    case 0:
        m_list.ProcessStopped(program, process->m_nProcess);
        break;
    case 1:
    case 3:
        if (m_list.ProcessStarted(program, process->m_nProcess, static_cast<int>(wParam)))
            PostMessage(WM_WATCH_ITEM, kWatchReadPending);
        break;
    default:
        break;
    }
    ShowCells();
    return 0;
}

void CWatchWindow::EndEdit(int row, int column, const char* text)
{
    if (!text) {
        m_list.RestoreCell(row, column);
        m_shown[row][column] = "\x01"; // shown again as the model has it
        ShowCells();
        return;
    }
    bool askTables = false;
    switch (column) {
    case kWatchName:
        askTables = m_list.SetName(row, text);
        break;
    case kWatchProgram:
        askTables = m_list.SetProgram(row, text);
        break;
    case kWatchProcess:
        askTables = m_list.SetProcess(row, text);
        break;
    case kWatchValue: {
        bool readBack = false;
        const bool writeNamed = AskProject(WM_WATCH_FEATURE, 0, kFeatureWriteVariables) != 0;
        const std::optional<SWatchCommand> write = m_list.SetValue(row, text, writeNamed, &readBack);
        ShowCells();
        if (write) {
            CBusy busy(*this);
            Send({CommandItem(write->id, write->text.c_str())});
        }
        if (readBack)
            PostMessage(WM_WATCH_ITEM, kWatchReadRow, row);
        break;
    }
    default:
        break;
    }
    ShowCells();
    if (askTables)
        PostMessage(WM_WATCH_ITEM, kWatchAskTables);
}

BOOL CWatchWindow::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header)
        return tools::CToolDialog::OnNotify(wParam, lParam, pResult);
    if (header->code == LVN_ENDLABELEDITA && (header->idFrom == IDC_WATCH_EDIT || header->idFrom == IDC_WATCH_LIST)) {
        const auto* info = reinterpret_cast<const NMLVDISPINFOA*>(lParam);
        if (info->item.iItem >= 0 && info->item.iItem < kWatchRows && info->item.iSubItem >= 0 &&
            info->item.iSubItem < kWatchColumns)
            EndEdit(info->item.iItem, info->item.iSubItem, info->item.pszText);
        *pResult = 0;
        return TRUE;
    }
    if (header->idFrom == IDC_WATCH_LIST && header->code == LVN_BEGINLABELEDITA) {
        *pResult = 1; // only the cell editor edits
        return TRUE;
    }
    if (header->idFrom == IDC_WATCH_LIST && (header->code == NM_CLICK || header->code == NM_DBLCLK)) {
        const auto* click = reinterpret_cast<const NMITEMACTIVATE*>(lParam);
        LVHITTESTINFO hit = {};
        hit.pt = click->ptAction;
        if (ListView_SubItemHitTest(List(), &hit) >= 0)
            BeginEdit(hit.iItem, hit.iSubItem, true);
        *pResult = 0;
        return TRUE;
    }
    return tools::CToolDialog::OnNotify(wParam, lParam, pResult);
}

void CWatchWindow::BeginEdit(int row, int column, bool byMouse)
{
    if (m_hEditor)
        FinishEditor(false);
    // Rows in use and the first free row; a column that can be seen.
    if (row < 0 || row > m_list.RowsInUse() || row >= kWatchRows || column < 0 || column >= kWatchColumns)
        return;
    HWND list = List();
    if (ListView_GetColumnWidth(list, column) < 5)
        return;
    ListView_EnsureVisible(list, row, FALSE);
    RECT cell = {};
    if (!ListView_GetSubItemRect(list, row, column, LVIR_LABEL, &cell))
        return;
    RECT client = {};
    ::GetClientRect(list, &client);
    const int right = std::min(cell.right - 3, client.right);
    m_hEditor = ::CreateWindowExA(0, "EDIT", m_list.Cell(row, column).c_str(),
                                  WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL | ES_LEFT, cell.left, cell.top,
                                  std::max(10, right - static_cast<int>(cell.left)), cell.bottom - cell.top, list,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_WATCH_EDIT)), nullptr, nullptr);
    if (!m_hEditor)
        return;
    m_nEditRow = row;
    m_nEditColumn = column;
    m_bEditorByMouse = byMouse;
    ::SendMessageA(m_hEditor, WM_SETFONT, ::SendMessageA(list, WM_GETFONT, 0, 0), TRUE);
    ::SetWindowSubclass(m_hEditor, EditorProc, 1, reinterpret_cast<DWORD_PTR>(this));
    ::SendMessageA(m_hEditor, EM_SETSEL, 0, -1);
    ::SetFocus(m_hEditor);
}

void CWatchWindow::FinishEditor(bool cancelled)
{
    if (!m_hEditor || m_bFinishing)
        return;
    m_bFinishing = true;
    char text[256] = {};
    ::GetWindowTextA(m_hEditor, text, sizeof text);
    HWND editor = m_hEditor;
    m_hEditor = nullptr;
    ::DestroyWindow(editor);
    NMLVDISPINFOA info = {};
    info.hdr.hwndFrom = editor;
    info.hdr.idFrom = IDC_WATCH_EDIT;
    info.hdr.code = LVN_ENDLABELEDITA;
    info.item.mask = LVIF_TEXT;
    info.item.iItem = m_nEditRow;
    info.item.iSubItem = m_nEditColumn;
    info.item.pszText = cancelled ? nullptr : text;
    info.item.cchTextMax = static_cast<int>(std::strlen(text));
    m_nEditRow = m_nEditColumn = -1;
    m_bFinishing = false;
    SendMessage(WM_NOTIFY, IDC_WATCH_EDIT, reinterpret_cast<LPARAM>(&info));
}

void CWatchWindow::MoveEditor(UINT key, bool shift)
{
    int row = m_nEditRow, column = m_nEditColumn;
    FinishEditor(key == VK_ESCAPE);
    switch (key) {
    case VK_RETURN:
        row = (row + 1) % kWatchRows;
        column = 0;
        break;
    case VK_DOWN:
        row = (row + 1) % kWatchRows;
        break;
    case VK_UP:
        if (row == 0)
            return;
        --row;
        break;
    case VK_LEFT:
        column = std::max(0, column - 1);
        break;
    case VK_RIGHT:
        column = std::min(kWatchColumns - 1, column + 1);
        break;
    case VK_HOME:
        row = 0;
        break;
    case VK_END:
        row = m_list.RowsInUse() - 1;
        break;
    case VK_PRIOR:
    case VK_NEXT: {
        const int page = std::max(1, static_cast<int>(ListView_GetCountPerPage(List())));
        row = key == VK_PRIOR ? std::max(0, row - page) : std::min(kWatchRows - 1, row + page);
        break;
    }
    case VK_TAB:
        if (!shift) {
            column = column + 1 < kWatchColumns ? column + 1 : 0;
            row = column == 0 ? (row + 1) % kWatchRows : row;
        } else if (column > 0) {
            --column;
        } else if (row > 0) {
            --row;
            column = kWatchColumns - 1;
        } else {
            return;
        }
        break;
    default:
        return; // Esc: no new editor
    }
    ::SetFocus(List());
    BeginEdit(row, column);
}

bool CWatchWindow::IsEditorMoveKey(UINT key) const
{
    switch (key) {
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_TAB:
    case VK_PRIOR:
    case VK_NEXT:
        return true;
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT:
        return !m_bEditorByMouse; // opened by a click: the arrows move the caret
    case VK_HOME:
    case VK_END:
        return ::GetKeyState(VK_CONTROL) < 0;
    default:
        return false;
    }
}

void CWatchWindow::FitEditor()
{
    if (!m_hEditor)
        return;
    char text[256] = {};
    const int length = ::GetWindowTextA(m_hEditor, text, sizeof text);
    SIZE extent = {};
    HDC dc = ::GetDC(m_hEditor);
    HGDIOBJ font = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(m_hEditor, WM_GETFONT, 0, 0)));
    ::GetTextExtentPoint32A(dc, text, length, &extent);
    ::SelectObject(dc, font);
    ::ReleaseDC(m_hEditor, dc);
    const HWND list = List();
    RECT editor = {}, client = {};
    ::GetWindowRect(m_hEditor, &editor);
    ::MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&editor), 2);
    ::GetClientRect(list, &client);
    const int width = std::min(static_cast<int>(extent.cx) + 5, static_cast<int>(client.right - editor.left));
    if (width > editor.right - editor.left)
        ::SetWindowPos(m_hEditor, nullptr, 0, 0, width, editor.bottom - editor.top,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK CWatchWindow::ListProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR data)
{
    auto* self = reinterpret_cast<CWatchWindow*>(data);
    if (message == WM_CHAR && wParam >= ' ' && wParam != 0x7F) {
        const int row = ListView_GetNextItem(hWnd, -1, LVNI_SELECTED);
        if (row >= 0) {
            self->BeginEdit(row, kWatchName);
            if (self->m_hEditor) {
                ::SendMessageA(self->m_hEditor, WM_CHAR, wParam, lParam);
                return 0;
            }
        }
    } else if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hWnd, ListProc, id);
    }
    return ::DefSubclassProc(hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWatchWindow::EditorProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR data)
{
    auto* self = reinterpret_cast<CWatchWindow*>(data);
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | ::DefSubclassProc(hWnd, message, wParam, lParam);
    case WM_KEYDOWN:
        if (self->IsEditorMoveKey(static_cast<UINT>(wParam))) {
            self->MoveEditor(static_cast<UINT>(wParam), ::GetKeyState(VK_SHIFT) < 0);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == '\r' || wParam == 27 || wParam == '\t')
            return 0;
        {
            // Typing widens the editor to its text.
            const LRESULT result = ::DefSubclassProc(hWnd, message, wParam, lParam);
            self->FitEditor();
            return result;
        }
    case WM_KILLFOCUS:
        self->PostMessage(WM_COMMAND, MAKEWPARAM(IDC_WATCH_EDIT, EN_KILLFOCUS), reinterpret_cast<LPARAM>(hWnd));
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(hWnd, EditorProc, id);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(hWnd, message, wParam, lParam);
}

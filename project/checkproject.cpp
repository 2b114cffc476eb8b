#include "project/checkproject.h"

#include <cstdarg>
#include <cstdio>

#include "foundation/logline.h"
#include "framework/clock.h"
#include "framework/thread.h"
#include "link/modeltables.h"
#include "project/loadsavefile.h"
#include "project/project_resource.h"
#include "project/projectmessages.h"

IMPLEMENT_DYNAMIC(CCheckProject, CDialog)

BEGIN_MESSAGE_MAP(CCheckProject, CDialog)
ON_MESSAGE(WM_DESTROY_REQUEST, OnDestroyRequest)
END_MESSAGE_MAP()

CCheckProject::CCheckProject() : CDialog(IDD_CHECK_PROJECT, nullptr)
{
    for (int& value : m_values)
        value = 2;
}

CCheckProject::~CCheckProject() = default;

BOOL CCheckProject::Create(CWnd* pParentWnd)
{
    return CDialog::Create(IDD_CHECK_PROJECT, pParentWnd);
}

void CCheckProject::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    for (int i = 0; i < kButtons; ++i)
        DDX_Control(pDX, IDC_CHECK_BUTTON0 + i, m_buttons[i]);
    DDX_Control(pDX, IDC_CHECK_CONTROLLER_TREE, m_controllerTree);
    DDX_Control(pDX, IDC_CHECK_PROJECT_TREE, m_projectTree);
    DDX_Control(pDX, IDC_CHECK_QUESTION, m_question);
    DDX_Control(pDX, IDC_CHECK_LOG, m_log);
}

BOOL CCheckProject::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetWindowText("Check project");
    ClearButtons();
    SetRoot(m_controllerTree, "Unknown");
    SetRoot(m_projectTree, "Unknown");
    return TRUE;
}

void CCheckProject::SetQuestion(LPCSTR text)
{
    m_question.SetWindowText(text ? text : "");
}

void CCheckProject::SetButton(int index, LPCSTR caption, int value, BOOL makeDefault)
{
    if (index >= 0 && index < kButtons) {
        m_buttons[index].SetWindowText(caption ? caption : "");
        m_buttons[index].EnableWindow(TRUE);
        m_buttons[index].ShowWindow(SW_SHOW);
        m_values[index] = value;
        if (makeDefault) {
            m_nDefault = index;
            SetDefID(IDC_CHECK_BUTTON0 + index);
        }
    }
    if (m_nDefault >= 0)
        m_buttons[m_nDefault].SetFocus();
}

void CCheckProject::EnableButton(int index, BOOL enable)
{
    if (index >= 0 && index < kButtons)
        m_buttons[index].EnableWindow(enable);
}

void CCheckProject::ClearButtons()
{
    for (int i = 0; i < kButtons; ++i) {
        m_values[i] = 2;
        m_buttons[i].SetWindowText("");
        m_buttons[i].EnableWindow(FALSE);
        m_buttons[i].ShowWindow(SW_HIDE);
    }
    m_nDefault = -1;
}

BOOL CCheckProject::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    if (id >= IDC_CHECK_BUTTON0 && id < IDC_CHECK_BUTTON0 + kButtons && HIWORD(wParam) == BN_CLICKED) {
        m_nAnswer = m_values[id - IDC_CHECK_BUTTON0];
        m_bWaiting = false;
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CCheckProject::OnOK()
{
    // Enter answers the default button's value; without one, 1.
    m_nAnswer = m_nDefault >= 0 ? m_values[m_nDefault] : 1;
    m_bWaiting = false;
}

void CCheckProject::OnCancel()
{
    m_nAnswer = 2;
    m_bWaiting = false;
}

int CCheckProject::WaitForAnswer()
{
    m_bWaiting = true;
    while (m_bWaiting.load() && !m_bClosing.load()) {
        MSG msg;
        if (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!AfxPumpMessages())
                break;
        } else {
            AfxGetClock().SleepMs(1);
        }
    }
    m_bWaiting = false;
    return m_nAnswer;
}

int CCheckProject::GetAnswer(BOOL wait)
{
    const int answer = wait ? WaitForAnswer() : m_nAnswer;
    ClearButtons();
    SetQuestion("");
    return answer;
}

void CCheckProject::AddMessage(LPCSTR format, ...)
{
    char text[301] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format ? format : "", args);
    va_end(args);
    m_strLog += CString("* ") + text + "\r\n";
    m_log.SetWindowText(m_strLog);
    m_log.SendMessage(EM_LINESCROLL, 0, m_log.SendMessage(EM_GETLINECOUNT));
}

void CCheckProject::SetStatus(LPCSTR text)
{
    SetDlgItemText(IDC_CHECK_STATUS, text ? text : "");
}

void CCheckProject::SetRoot(CTreeCtrl& tree, LPCSTR text)
{
    m_strRoot = text ? text : "";
    const int image = ModelNameToCode(m_strRoot);
    if (const HTREEITEM root = tree.GetRootItem())
        tree.SetItemImage(root, image, image);
    else
        tree.InsertItem(m_strRoot, image, image);
}

void CCheckProject::SetControllerRoot(LPCSTR modelName)
{
    SetRoot(m_controllerTree, modelName);
}

void CCheckProject::SetProjectRoot(LPCSTR modelName)
{
    ClearTree(m_projectTree, FALSE);
    SetRoot(m_projectTree, modelName);
}

void CCheckProject::AddProgram(CTreeCtrl& tree, LPCSTR name, bool makeRoot)
{
    HTREEITEM root = tree.GetRootItem();
    if (!root) {
        if (!makeRoot)
            return;
        const int image = ModelNameToCode(m_strRoot);
        root = tree.InsertItem(m_strRoot, image, image);
    }
    tree.Expand(root, TVE_EXPAND);
    if (!name || !name[0] || FindProgram(tree, name))
        return;
    tree.InsertItem(name, IMAGE_UNJUDGED, IMAGE_UNJUDGED, root);
    tree.SendMessage(TVM_SORTCHILDREN, 0, reinterpret_cast<LPARAM>(root));
    tree.Expand(root, TVE_EXPAND);
}

void CCheckProject::AddControllerProgram(LPCSTR name)
{
    AddProgram(m_controllerTree, name, true);
}

void CCheckProject::AddProjectProgram(LPCSTR name)
{
    AddProgram(m_projectTree, name, false);
}

HTREEITEM CCheckProject::FindProgram(CTreeCtrl& tree, LPCSTR name)
{
    const HTREEITEM root = tree.GetRootItem();
    for (HTREEITEM item = root ? tree.GetChildItem(root) : nullptr; item; item = tree.GetNextSiblingItem(item)) {
        if (tree.GetItemText(item).CompareNoCase(name ? name : "") == 0)
            return item;
    }
    return nullptr;
}

BOOL CCheckProject::SelectControllerProgram(LPCSTR name)
{
    const HTREEITEM item = FindProgram(m_controllerTree, name);
    return item && m_controllerTree.SelectItem(item);
}

BOOL CCheckProject::SelectProjectProgram(LPCSTR name)
{
    const HTREEITEM item = FindProgram(m_projectTree, name);
    return item && m_projectTree.SelectItem(item);
}

BOOL CCheckProject::RemoveControllerProgram(LPCSTR name)
{
    if (const HTREEITEM item = FindProgram(m_controllerTree, name))
        m_controllerTree.DeleteItem(item);
    return TRUE;
}

BOOL CCheckProject::RemoveProjectProgram(LPCSTR name)
{
    if (const HTREEITEM item = FindProgram(m_projectTree, name))
        m_projectTree.DeleteItem(item);
    return TRUE;
}

void CCheckProject::MarkProgram(LPCSTR name, BOOL matched)
{
    if (!name || !name[0])
        return;
    const int image = matched ? IMAGE_MATCHED : IMAGE_FAILED;
    for (CTreeCtrl* tree : {&m_controllerTree, &m_projectTree}) {
        if (const HTREEITEM item = FindProgram(*tree, name))
            tree->SetItemImage(item, image, image);
    }
}

void CCheckProject::ClearTree(CTreeCtrl& tree, BOOL keepRoot)
{
    const HTREEITEM root = tree.GetRootItem();
    if (!keepRoot || !root) {
        tree.DeleteAllItems();
        return;
    }
    while (const HTREEITEM child = tree.GetChildItem(root))
        tree.DeleteItem(child);
}

void CCheckProject::ClearControllerTree(BOOL keepRoot)
{
    ClearTree(m_controllerTree, keepRoot);
}

void CCheckProject::ClearProjectTree(BOOL keepRoot)
{
    ClearTree(m_projectTree, keepRoot);
}

void CCheckProject::ClearTrees()
{
    ClearTree(m_controllerTree, FALSE);
    ClearTree(m_projectTree, FALSE);
}

LRESULT CCheckProject::OnDestroyRequest(WPARAM, LPARAM)
{
    GlobalLogLine("Destroy window request \"Check Project\"", LOG_DESTROY_REQUESTS);
    m_bClosing = true;
    DestroyWindow();
    return 0;
}

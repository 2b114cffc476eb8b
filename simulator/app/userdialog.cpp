#include "simulator/app/userdialog.h"

#include "simulator/app/resource.h"

namespace qcsim {

namespace {

const UINT kButtonIds[CUserDialog::kMaxButtons] = {IDC_USER_BUTTON1, IDC_USER_BUTTON2, IDC_USER_BUTTON3};

RECT ChildRect(HWND dialog, UINT id)
{
    RECT box{};
    HWND child = ::GetDlgItem(dialog, static_cast<int>(id));
    ::GetWindowRect(child, &box);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
    return box;
}

} // namespace

std::string LoadSimString(UINT id)
{
    char text[512] = {};
    ::LoadStringA(AfxGetInstanceHandle(), id, text, sizeof text);
    return text;
}

BEGIN_MESSAGE_MAP(CUserDialog, CDialog)
ON_COMMAND_RANGE(IDC_USER_BUTTON1, IDC_USER_BUTTON3, OnButton)
END_MESSAGE_MAP()

CUserDialog::CUserDialog() : CDialog(IDD_USER_DIALOG, nullptr) {}

void CUserDialog::Create(CWnd* parent, UINT captionId)
{
    m_pParentWnd = parent;
    m_caption = LoadSimString(captionId);
}

void CUserDialog::SetText(UINT textId)
{
    m_text = LoadSimString(textId);
}

bool CUserDialog::AddButton(UINT labelId, int result, bool isDefault)
{
    return AddButton(LoadSimString(labelId), result, isDefault);
}

bool CUserDialog::AddButton(const std::string& label, int result, bool isDefault)
{
    if (m_count >= kMaxButtons)
        return false;
    if (isDefault) {
        for (Button& button : m_buttons)
            button.isDefault = false;
    }
    m_buttons[m_count++] = Button{label, result, isDefault};
    return true;
}

INT_PTR CUserDialog::DoModal()
{
    m_modal = true;
    m_result = IDCANCEL;
    const INT_PTR result = CDialog::DoModal();
    m_modal = false;
    return result < 0 ? IDCANCEL : result;
}

BOOL CUserDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::SetWindowTextA(m_hWnd, m_caption.c_str());
    ::SetDlgItemTextA(m_hWnd, IDC_USER_TEXT, m_text.c_str());
    RECT places[kMaxButtons];
    for (int n = 0; n < kMaxButtons; ++n)
        places[n] = ChildRect(m_hWnd, kButtonIds[n]);
    // One button stands where the middle one does; two move right by half
    // the spacing, so either way the row stays centred.
    const int spacing = places[1].left - places[0].left;
    int shift = 0;
    int first = 0;
    if (m_count == 1)
        first = 1;
    else if (m_count == 2)
        shift = spacing / 2;
    HWND focus = nullptr;
    for (int n = 0; n < kMaxButtons; ++n) {
        HWND button = ::GetDlgItem(m_hWnd, static_cast<int>(kButtonIds[n]));
        if (n >= m_count) {
            ::ShowWindow(button, SW_HIDE);
            ::EnableWindow(button, FALSE);
            continue;
        }
        const RECT& place = places[first + n];
        ::SetWindowPos(button, nullptr, place.left + shift, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ::SetWindowTextA(button, m_buttons[n].label.c_str());
        ::SendMessageA(button, BM_SETSTYLE, m_buttons[n].isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
        if (m_buttons[n].isDefault) {
            ::SendMessageA(m_hWnd, DM_SETDEFID, kButtonIds[n], 0);
            focus = button;
        }
    }
    if (!focus)
        return TRUE;
    ::SetFocus(focus);
    return FALSE;
}

void CUserDialog::OnButton(UINT id)
{
    for (int n = 0; n < m_count; ++n) {
        if (kButtonIds[n] == id) {
            End(m_buttons[n].result);
            return;
        }
    }
}

void CUserDialog::OnOK()
{
    // Enter presses the default button; without one it does nothing.
    for (int n = 0; n < m_count; ++n) {
        if (m_buttons[n].isDefault) {
            End(m_buttons[n].result);
            return;
        }
    }
}

void CUserDialog::OnCancel()
{
    End(IDCANCEL);
}

void CUserDialog::End(int result)
{
    m_result = result;
    if (m_modal)
        EndDialog(result);
    else
        DestroyWindow();
}

int ShowMessage(HWND owner, const std::string& text, UINT captionId)
{
    return ShowMessage(owner, text, LoadSimString(captionId));
}

int ShowMessage(HWND owner, const std::string& text, const std::string& caption)
{
    const std::string ok = LoadSimString(IDS_OK);
    const LPCTSTR labels[1] = {ok.c_str()};
    return AfxGetPromptService().PromptLabelled(owner, text.c_str(), caption.c_str(), MB_OK, labels, 1);
}

int CSimPrompts::Prompt(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type)
{
    return ::MessageBoxA(owner, text, caption, type);
}

int CSimPrompts::PromptLabelled(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type, const LPCTSTR* labels,
                                int count)
{
    // The type's buttons, in its order, with their results.
    static const struct {
        UINT type;
        int results[CUserDialog::kMaxButtons];
        const char* names[CUserDialog::kMaxButtons];
    } kTypes[] = {
        {MB_OK, {IDOK, 0, 0}, {"OK", nullptr, nullptr}},
        {MB_OKCANCEL, {IDOK, IDCANCEL, 0}, {"OK", "Cancel", nullptr}},
        {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}, {"&Abort", "&Retry", "&Ignore"}},
        {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}, {"&Yes", "&No", "Cancel"}},
        {MB_YESNO, {IDYES, IDNO, 0}, {"&Yes", "&No", nullptr}},
        {MB_RETRYCANCEL, {IDRETRY, IDCANCEL, 0}, {"&Retry", "Cancel", nullptr}},
    };
    const UINT kind = type & MB_TYPEMASK;
    const int defaultIndex = static_cast<int>((type & MB_DEFMASK) >> 8);
    for (const auto& entry : kTypes) {
        if (entry.type != kind)
            continue;
        CUserDialog dialog;
        dialog.KeepParentHandle(owner);
        dialog.SetCaption(caption ? caption : "");
        dialog.SetText(text ? text : "");
        for (int n = 0; n < CUserDialog::kMaxButtons && entry.names[n]; ++n) {
            const char* label = n < count && labels && labels[n] ? labels[n] : entry.names[n];
            dialog.AddButton(std::string(label), entry.results[n], n == defaultIndex);
        }
        return static_cast<int>(dialog.DoModal());
    }
    return Prompt(owner, text, caption, type);
}

} // namespace qcsim

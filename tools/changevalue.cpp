#include "tools/changevalue.h"

#include "tools/watchdialogs_resource.h"
#include "ui/userdialog.h"

namespace {

// Posted when the value field has lost the focus: the check waits until the
// focus has reached its new window.
constexpr UINT kMsgCheckAfterFocus = WM_APP + 0x300;

} // namespace

IMPLEMENT_DYNAMIC(CChangeValueDialog, CDialog)

BEGIN_MESSAGE_MAP(CChangeValueDialog, CDialog)
ON_EN_KILLFOCUS(IDC_CHANGE_VALUE, OnValueKillFocus)
ON_MESSAGE(kMsgCheckAfterFocus, OnCheckAfterFocus)
END_MESSAGE_MAP()

CChangeValueDialog::CChangeValueDialog(CWnd* pParent, int kind) : CDialog(IDD_CHANGE_VALUE, pParent), m_field(kind) {}

void CChangeValueDialog::SetTitle(LPCSTR title)
{
    m_strTitle = title ? title : "";
    if (m_hWnd)
        SetWindowText(m_strTitle);
}

void CChangeValueDialog::SetTitle(UINT nID)
{
    SetTitle(LoadStringOr(nID));
}

void CChangeValueDialog::SetPrompt(LPCSTR prompt)
{
    m_strPrompt = prompt ? prompt : "";
    if (m_hWnd)
        SetDlgItemText(IDC_CHANGE_PROMPT, m_strPrompt);
}

void CChangeValueDialog::SetPrompt(UINT nID)
{
    SetPrompt(LoadStringOr(nID));
}

BOOL CChangeValueDialog::SetRange(double minimum, double maximum)
{
    return m_field.SetRange(minimum, maximum) ? TRUE : FALSE;
}

BOOL CChangeValueDialog::SetValue(double value)
{
    if (!m_field.SetValue(value))
        return FALSE;
    if (m_hWnd)
        SetDlgItemText(IDC_CHANGE_VALUE, m_field.Format(m_field.GetValue()).c_str());
    return TRUE;
}

BOOL CChangeValueDialog::GetValue(double& value) const
{
    value = m_field.GetValue();
    return TRUE;
}

BOOL CChangeValueDialog::GetValue(std::int32_t& value) const
{
    const bool fits = m_field.GetKind() == kValueSigned;
    value = fits ? static_cast<std::int32_t>(m_field.GetValue()) : 0;
    return fits ? TRUE : FALSE;
}

BOOL CChangeValueDialog::GetValue(std::uint32_t& value) const
{
    const bool fits = m_field.GetKind() == kValueUnsigned;
    value = fits ? static_cast<std::uint32_t>(m_field.GetValue()) : 0;
    return fits ? TRUE : FALSE;
}

BOOL CChangeValueDialog::GetValue(float& value) const
{
    const bool fits = m_field.GetKind() == kValueFloat;
    value = fits ? static_cast<float>(m_field.GetValue()) : 0.0f;
    return fits ? TRUE : FALSE;
}

BOOL CChangeValueDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (!m_strTitle.IsEmpty())
        SetWindowText(m_strTitle);
    if (!m_strPrompt.IsEmpty())
        SetDlgItemText(IDC_CHANGE_PROMPT, m_strPrompt);
    SetDlgItemText(IDC_CHANGE_VALUE, m_field.Format(m_field.GetValue()).c_str());
    return TRUE;
}

CString CChangeValueDialog::ValueText() const
{
    CString text;
    GetDlgItemText(IDC_CHANGE_VALUE, text);
    return text;
}

BOOL CChangeValueDialog::CheckField()
{
    if (m_bChecking)
        return FALSE;
    const std::optional<double> value = m_field.Check(static_cast<LPCSTR>(ValueText()));
    if (value) {
        m_field.SetValue(*value);
        return TRUE;
    }
    m_bChecking = TRUE;
    CString caption;
    GetWindowText(caption);
    ShowUserMessage(this, m_field.OutOfRangeText().c_str(), caption);
    m_bChecking = FALSE;
    return FALSE;
}

void CChangeValueDialog::OnOK()
{
    if (CheckField())
        EndDialog(IDOK);
}

void CChangeValueDialog::OnValueKillFocus()
{
    PostMessage(kMsgCheckAfterFocus);
}

LRESULT CChangeValueDialog::OnCheckAfterFocus(WPARAM, LPARAM)
{
    // Leaving the field for Cancel (or OK, which checks itself), or for a
    // window outside the dialog (the refusal's own box), shows nothing.
    HWND focus = ::GetFocus();
    if (!focus || !::IsChild(m_hWnd, focus))
        return 0;
    const int id = ::GetDlgCtrlID(focus);
    if (id == IDCANCEL || id == IDOK || id == IDC_CHANGE_VALUE)
        return 0;
    CheckField();
    return 0;
}

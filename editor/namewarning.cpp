#include "editor/namewarning.h"

#include <cstdio>

#include "editor/editor_resource.h"
#include "settings/vqregistry.h"

namespace editor {

CVariableLengthWarningDialog::CVariableLengthWarningDialog(CWnd* pParent)
    : CDialog(IDD_VARIABLE_LENGTH_WARNING, pParent)
{
}

BOOL CVariableLengthWarningDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::SetDlgItemTextA(m_hWnd, IDC_VARIABLE_LENGTH_TEXT, m_text.c_str());
    return TRUE;
}

void CVariableLengthWarningDialog::OnOK()
{
    if (::IsDlgButtonChecked(m_hWnd, IDC_DISABLE_FURTHER_WARNINGS) == BST_CHECKED)
        CVQRegistry().SetShowlongVariableWarnings(0);
    EndDialog(IDOK);
}

std::string LongNameWarningText(const std::string& name, int limit)
{
    char text[512];
    std::snprintf(text, sizeof text,
                  "Warning\n\nVariable name \"%s\" is longer than the maximum unique variable name (%d "
                  "characters).\nOnly the first %d characters will be used for the variable name on the controller.",
                  name.c_str(), limit, limit);
    return text;
}

CLongNameWarner::CLongNameWarner(Show show) : m_show(std::move(show))
{
    if (!m_show)
        m_show = [](const std::string& text) {
            CVariableLengthWarningDialog dialog;
            dialog.SetMessageText(text);
            dialog.DoModal();
        };
}

bool CLongNameWarner::WarnLongName(const std::string& name, int limit)
{
    if (!CVQRegistry().GetShowlongVariableWarnings())
        return false;
    m_show(LongNameWarningText(name, limit));
    return true;
}

} // namespace editor

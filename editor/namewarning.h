// The warning about a variable name longer than the controller keeps
// apart: the dialog, with its box that switches such warnings off for good
// (Editor\ShowlongVariableWarnings), and the warner the document gives its
// lines.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "editor/editline.h"
#include "framework/dialog.h"

namespace editor {

class CVariableLengthWarningDialog : public CDialog {
public:
    explicit CVariableLengthWarningDialog(CWnd* pParent = nullptr);
    void SetMessageText(const std::string& text) { m_text = text; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    std::string m_text;
};

// The text of the warning for name and limit.
std::string LongNameWarningText(const std::string& name, int limit);

class CLongNameWarner : public INameWarner {
public:
    // Shows the text; the dialog by default.
    using Show = std::function<void(const std::string& text)>;
    explicit CLongNameWarner(Show show = {});
    // Warns while the setting is on; true when it did.
    bool WarnLongName(const std::string& name, int limit) override;

private:
    Show m_show;
};

} // namespace editor

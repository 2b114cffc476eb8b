// The simulator's own message dialog: a caption, a text and up to three
// buttons, each with a label and the result it ends the dialog with; and
// the prompt service of the simulator program, which shows it for every
// question asked with button labels of its own.
#pragma once

#include <windows.h>

#include <string>

#include "framework/afx.h"
#include "framework/dialog.h"
#include "framework/prompt.h"

namespace qcsim {

class CUserDialog : public CDialog {
public:
    static constexpr int kMaxButtons = 3;

    CUserDialog();
    // Sets the parent and the caption (a string of the program).
    void Create(CWnd* parent, UINT captionId);
    using CDialog::Create;
    void SetCaption(const std::string& caption) { m_caption = caption; }
    void SetText(UINT textId);
    void SetText(const std::string& text) { m_text = text; }
    // False (and nothing changes) once three buttons exist.
    bool AddButton(UINT labelId, int result, bool isDefault);
    bool AddButton(const std::string& label, int result, bool isDefault);

    // The result of the button pressed; 2 when the dialog is closed
    // otherwise.
    INT_PTR DoModal() override;
    int GetResult() const { return m_result; }
    bool IsModal() const { return m_modal; }
    int GetButtonCount() const { return m_count; }

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

protected:
    void OnButton(UINT id);
    DECLARE_MESSAGE_MAP()

private:
    struct Button {
        std::string label;
        int result = IDCANCEL;
        bool isDefault = false;
    };
    void End(int result);

    std::string m_caption;
    std::string m_text;
    Button m_buttons[kMaxButtons];
    int m_count = 0;
    int m_result = IDCANCEL;
    bool m_modal = false;
};

// Shows text with the caption string and one "OK" button; its result.
int ShowMessage(HWND owner, const std::string& text, UINT captionId);
int ShowMessage(HWND owner, const std::string& text, const std::string& caption);

// The program's prompt service: questions that label their buttons show a
// CUserDialog with those labels (results are the type's button ids); plain
// questions keep the system message box with its icon.
class CSimPrompts : public IPromptService {
public:
    int Prompt(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type) override;
    int PromptLabelled(HWND owner, LPCTSTR text, LPCTSTR caption, UINT type, const LPCTSTR* labels,
                       int count) override;
};

// The simulator's string of that id ("" when it has none).
std::string LoadSimString(UINT id);

} // namespace qcsim

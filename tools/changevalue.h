// CChangeValueDialog: asks the user for one number of a kind (signed,
// unsigned, float, double) within a range, modally. The caller sets the
// title, prompt, range and value, runs it and reads the value after OK.
// A value outside the range, text behind the number or a number the kind
// cannot hold is refused with "Value outside specified range(...)" under
// the dialog's title, and the dialog stays open.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/dialog.h"
#include "tools/valuefield.h"

class CChangeValueDialog : public CDialog {
    DECLARE_DYNAMIC(CChangeValueDialog)
public:
    CChangeValueDialog(CWnd* pParent, int kind);

    void SetTitle(LPCSTR title);
    void SetTitle(UINT nID);
    void SetPrompt(LPCSTR prompt);
    void SetPrompt(UINT nID);
    // Changing the kind clears value and range.
    void SetKind(int kind) { m_field.SetKind(kind); }
    void SetDecimals(int decimals) { m_field.SetDecimals(decimals); }
    // Accepted when both ends are values of the kind, minimum first.
    BOOL SetRange(double minimum, double maximum);
    // Accepted when the value is one of the kind; shown when the window exists.
    BOOL SetValue(double value);
    // The value; the typed forms answer FALSE (and 0) unless they are the kind's.
    BOOL GetValue(double& value) const;
    BOOL GetValue(std::int32_t& value) const;
    BOOL GetValue(std::uint32_t& value) const;
    BOOL GetValue(float& value) const;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnValueKillFocus();
    LRESULT OnCheckAfterFocus(WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()

private:
    CString ValueText() const;
    // Reads the field; shows the message and answers FALSE when the value
    // is refused.
    BOOL CheckField();

    CValueField m_field;
    CString m_strTitle;
    CString m_strPrompt;
    BOOL m_bChecking = FALSE; // a refusal is being shown
};

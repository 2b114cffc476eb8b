#include "project/checkfaildialog.h"

#include <cstring>

#include "project/projectmessages.h"

namespace {

const int kLoad = 1000;
const int kSave = 1001;

} // namespace

char* DuplicateCheckFailText(LPCSTR text)
{
    const std::size_t length = text ? std::strlen(text) : 0;
    char* copy = new char[length + 1];
    if (length)
        std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

void FreeCheckFailText(LPARAM text)
{
    delete[] reinterpret_cast<char*>(text);
}

CProgCheckFailDialog::CProgCheckFailDialog(CWnd* pParent, LPCSTR caption, LPCSTR message, LPCSTR program,
                                           LPCSTR second)
    : CUserDialog(pParent, caption), m_hWndNotify(pParent ? pParent->m_hWnd : nullptr),
      m_strProgram(program ? program : ""), m_strSecond(second ? second : "")
{
    SetMessageText(message);
    AddButton("&Save", kSave, TRUE);
    AddButton("&Load", kLoad, FALSE);
    AddButton("&Cancel", IDCANCEL, FALSE);
}

void CProgCheckFailDialog::EndWithButton(int nIndex)
{
    const int result = (nIndex >= 0 && nIndex < m_nButtonCount) ? m_entries[nIndex].nResult : IDCANCEL;
    if (::IsWindow(m_hWndNotify)) {
        if (result == kLoad || result == kSave) {
            // The dialog is gone before the project window reads them, so
            // the texts travel as copies that the receiver owns.
            char* program = DuplicateCheckFailText(m_strProgram);
            char* second = DuplicateCheckFailText(m_strSecond);
            if (!::PostMessageA(m_hWndNotify, result == kLoad ? WM_PW_LOAD_PROGRAM_FILE : WM_PW_SAVE_PROGRAM_FILE,
                                reinterpret_cast<WPARAM>(program), reinterpret_cast<LPARAM>(second))) {
                delete[] program;
                delete[] second;
            }
        } else {
            ::PostMessageA(m_hWndNotify, WM_PW_DISCONNECT, 3, 0);
        }
    }
    CUserDialog::EndWithButton(nIndex);
}

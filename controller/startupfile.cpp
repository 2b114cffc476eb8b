// The STARTUP program's file: reading it, the project window's question
// and the write through a temporary file.
#include "controller/startupfile.h"

#include <windows.h>

#include <algorithm>

#include "foundation/logline.h"
#include "foundation/safefile.h"
#include "ui/toolmessages.h"
#include "ui/windowlookup.h"

namespace {

// The program name of a path: its file name without folder and extension
// ("StartUp" for "C:\Demo\StartUp.bas").
CString ProgramNameOf(const CString& path)
{
    const int slash = std::max(path.ReverseFind('\\'), path.ReverseFind('/'));
    CString name = path.Mid(slash + 1);
    const int dot = name.ReverseFind('.');
    return dot >= 0 ? name.Left(dot) : name;
}

} // namespace

BOOL CStartupFile::IsAvailable(BOOL askProject) const
{
    if (askProject) {
        HWND project = GetProjectWndHandle();
        if (!project || !::IsWindow(project))
            return FALSE;
        const CString name = ProgramNameOf(m_strPath);
        if (!::SendMessageA(project, WM_PW_QUERY_HAS_PROGRAM, 0, reinterpret_cast<LPARAM>(name.GetString())))
            return FALSE;
    }
    return FileExists(m_strPath);
}

BOOL CStartupFile::Read()
{
    RemoveAllSections();
    m_diskBytes.clear();
    std::string bytes;
    BOOL exists = FALSE;
    if (!ReadWholeFileBytes(m_strPath, bytes, &exists, TRUE)) {
        const DWORD error = ::GetLastError();
        if (!exists) {
            m_diskState = DiskState::Missing;
            return FALSE;
        }
        GlobalLogFormat(LOG_PROJECT_MESSAGES, "STARTUP file %s could not be read (error %lu)", m_strPath.GetString(),
                        static_cast<unsigned long>(error));
        m_diskState = DiskState::Unreadable;
        ::SetLastError(error);
        return FALSE;
    }
    if (!LoadText(bytes)) {
        RemoveAllSections();
        GlobalLogFormat(LOG_PROJECT_MESSAGES, "STARTUP file %s could not be taken into sections", m_strPath.GetString());
        m_diskState = DiskState::Unreadable;
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    m_diskState = DiskState::Read;
    m_diskBytes = std::move(bytes);
    return TRUE;
}

BOOL CStartupFile::Write()
{
    if (m_diskState == DiskState::Unreadable) {
        // Its lines were never read: replacing it would lose them.
        GlobalLogFormat(LOG_PROJECT_MESSAGES, "STARTUP file %s not written: it could not be read",
                        m_strPath.GetString());
        ::SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    std::string text;
    if (!FormatText(text)) {
        GlobalLogFormat(LOG_PROJECT_MESSAGES, "STARTUP file %s not written: its sections could not be read",
                        m_strPath.GetString());
        ::SetLastError(ERROR_TIMEOUT);
        return FALSE;
    }
    // After a Read the file must still hold what was read (or still be
    // missing or empty), else another writer's change would be lost.
    const std::string* expected =
        m_diskState == DiskState::Read || m_diskState == DiskState::Missing ? &m_diskBytes : nullptr;
    if (!ReplaceFileContents(m_strPath, text, expected)) {
        const DWORD error = ::GetLastError();
        GlobalLogFormat(LOG_PROJECT_MESSAGES, "STARTUP file %s not written (error %lu)", m_strPath.GetString(),
                        static_cast<unsigned long>(error));
        ::SetLastError(error);
        return FALSE;
    }
    m_diskState = DiskState::Read;
    m_diskBytes = text;
    return TRUE;
}

#include "foundation/versioninfo.h"

#include <cstring>

#include "foundation/safefile.h"
#include "framework/app.h"
#include "framework/exceptions.h"

namespace {

CString ExeFromHelpPath(const CString& helpPath)
{
    const int length = helpPath.GetLength();
    if (length < 4 || helpPath[length - 4] != '.')
        return helpPath;
    return helpPath.Left(length - 3) + "exe";
}

} // namespace

// ---- CVersionInfo --------------------------------------------------------

CVersionInfo::CVersionInfo()
{
    CWinApp* app = AfxGetApp();
    if (!app || app->m_strHelpFilePath.IsEmpty())
        return;
    m_path = ExeFromHelpPath(app->m_strHelpFilePath);
    ReadBlock(m_path, m_own);
}

CVersionInfo::CVersionInfo(LPCSTR helpFilePath)
{
    if (!helpFilePath || !*helpFilePath)
        return;
    m_path = ExeFromHelpPath(helpFilePath);
    ReadBlock(m_path, m_own);
}

void CVersionInfo::ReadBlock(const CString& path, Block& block)
{
    block = Block();
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path, &handle);
    if (size == 0)
        return;
    std::vector<BYTE> data(size);
    if (!::GetFileVersionInfoA(path, 0, size, data.data()))
        return;
    block.data = std::move(data);
    void* value = nullptr;
    UINT length = 0;
    if (::VerQueryValueA(block.data.data(), "\\VarFileInfo\\Translation", &value, &length) && value && length >= 4) {
        const BYTE* p = static_cast<const BYTE*>(value);
        // language, then code page: two little-endian words
        block.translation = static_cast<DWORD>(p[0] | (p[1] << 8)) | (static_cast<DWORD>(p[2] | (p[3] << 8)) << 16);
    }
}

CString CVersionInfo::StringValue(const Block& block, LPCSTR name)
{
    if (block.data.empty())
        return CString();
    CString query;
    query.Format("\\StringFileInfo\\%04x%04x\\%s", static_cast<unsigned>(block.translation & 0xFFFF),
                 static_cast<unsigned>(block.translation >> 16), name);
    void* value = nullptr;
    UINT length = 0;
    // VerQueryValue wants a writable block.
    std::vector<BYTE> copy(block.data);
    if (!::VerQueryValueA(copy.data(), query, &value, &length) || !value || length == 0)
        return CString();
    const char* text = static_cast<const char*>(value);
    const size_t bounded = strnlen(text, length);
    return CString(text, static_cast<int>(bounded));
}

CString CVersionInfo::VersionText(const Block& block, BOOL withSpecialBuild)
{
    if (block.data.empty())
        return CString();
    std::vector<BYTE> copy(block.data);
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueA(copy.data(), "\\", &value, &length) || !value || length < 52)
        return CString();
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, value, sizeof fixed);
    CString text;
    text.Format("%u.%u.%u.%u", static_cast<unsigned>(HIWORD(fixed.dwFileVersionMS)),
                static_cast<unsigned>(LOWORD(fixed.dwFileVersionMS)),
                static_cast<unsigned>(HIWORD(fixed.dwFileVersionLS)),
                static_cast<unsigned>(LOWORD(fixed.dwFileVersionLS)));
    if (withSpecialBuild) {
        const CString special = StringValue(block, "SpecialBuild");
        if (!special.IsEmpty())
            text += " " + special;
    }
    return text;
}

BOOL CVersionInfo::SetOtherFile(LPCSTR path)
{
    m_other = Block();
    m_otherPath.Empty();
    if (!path || !*path)
        return TRUE;
    if (!FileExists(path))
        return FALSE;
    m_otherPath = path;
    ReadBlock(m_otherPath, m_other);
    return TRUE;
}

CString CVersionInfo::GetVersionText(BOOL withSpecialBuild) const
{
    return VersionText(m_own, withSpecialBuild);
}

CString CVersionInfo::GetOtherVersionText(BOOL withSpecialBuild) const
{
    return VersionText(m_other, withSpecialBuild);
}

CString CVersionInfo::GetCopyright() const
{
    return StringValue(m_own, "LegalCopyright");
}

BOOL CVersionInfo::IsSameVersion() const
{
    if (m_path.IsEmpty() || m_otherPath.IsEmpty() || !FileExists(m_path) || !FileExists(m_otherPath))
        return FALSE;
    return GetVersionText(TRUE) == GetOtherVersionText(TRUE);
}

// ---- CCharFile -----------------------------------------------------------

CCharFile::CCharFile(LPCSTR fileName, UINT openFlags)
{
    if (fileName)
        Open(fileName, openFlags);
}

BOOL CCharFile::WriteBytes(const char* bytes, UINT count)
{
    if (!IsOpen())
        return FALSE;
    try {
        Write(bytes, count);
    } catch (CException* e) {
        e->Delete();
        return FALSE;
    }
    return TRUE;
}

BOOL CCharFile::WriteChar(char ch)
{
    return WriteBytes(&ch, 1);
}

BOOL CCharFile::WriteString(LPCSTR text)
{
    if (!text)
        return FALSE;
    return WriteBytes(text, static_cast<UINT>(std::strlen(text)));
}

BOOL CCharFile::WriteLine(LPCSTR text)
{
    if (!text)
        return FALSE;
    return WriteString(text) && WriteBytes("\r\n", 2);
}

CString CCharFile::GetFullPath() const
{
    CFileStatus status;
    if (!GetStatus(status))
        return CString();
    return status.m_szFullName;
}

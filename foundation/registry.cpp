#include "foundation/registry.h"

#include <cstring>
#include <vector>

namespace {

class KeyHandle {
public:
    explicit KeyHandle(HKEY key) : m_key(key) {}
    ~KeyHandle()
    {
        if (m_key)
            ::RegCloseKey(m_key);
    }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    explicit operator bool() const { return m_key != nullptr; }
    HKEY get() const { return m_key; }

private:
    HKEY m_key;
};

// Queries a value's type and whole data.
bool QueryValue(HKEY key, LPCSTR name, DWORD& type, std::vector<BYTE>& data)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        if (::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return false;
        data.resize(size);
        LONG result = ::RegQueryValueExA(key, name, nullptr, &type, size ? data.data() : nullptr, &size);
        if (result == ERROR_MORE_DATA)
            continue; // grew in between
        if (result != ERROR_SUCCESS)
            return false;
        data.resize(size);
        return true;
    }
    return false;
}

bool ReadDword(HKEY key, LPCSTR name, DWORD& value)
{
    DWORD type = 0, data = 0, size = sizeof data;
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_DWORD || size != sizeof data)
        return false;
    value = data;
    return true;
}

} // namespace

HKEY CRegistry::OpenKey(REGSAM access) const
{
    if (!m_root)
        return nullptr;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(m_root, m_path, 0, access, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

BOOL CRegistry::Open(HKEY root, LPCSTR path)
{
    HKEY key = nullptr;
    if (root && ::RegOpenKeyExA(root, path ? path : "", 0, KEY_READ, &key) == ERROR_SUCCESS) {
        ::RegCloseKey(key);
        m_root = root;
        m_path = path ? path : "";
        return TRUE;
    }
    m_path.Empty();
    return FALSE;
}

BOOL CRegistry::CreatePath(HKEY root, LPCSTR path)
{
    if (!root || !path || !*path || path[0] == '\\')
        return FALSE;
    const char* slash = std::strchr(path, '\\');
    const CString first = slash ? CString(path, static_cast<int>(slash - path)) : CString(path);
    HKEY key = nullptr;
    if (::RegCreateKeyExA(root, first, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return FALSE;
    KeyHandle level(key);
    if (!slash || !slash[1])
        return TRUE; // the last level (a trailing "\" adds none)
    return CreatePath(level.get(), slash + 1);
}

BOOL CRegistry::CreateAndOpen(HKEY root, LPCSTR path)
{
    return CreatePath(root, path) && Open(root, path);
}

BOOL CRegistry::KeyExists() const
{
    KeyHandle key(OpenKey(KEY_READ));
    return key ? TRUE : FALSE;
}

BOOL CRegistry::GetKeyInfo(CRegistryKeyInfo& info) const
{
    info = {};
    KeyHandle key(OpenKey(KEY_READ));
    if (!key)
        return FALSE;
    return ::RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &info.subKeyCount, &info.maxSubKeyLength, nullptr,
                              &info.valueCount, &info.maxValueNameLength, &info.maxValueDataLength, nullptr,
                              &info.lastWriteTime) == ERROR_SUCCESS;
}

BOOL CRegistry::GetSubKeyNames(CStringList& names) const
{
    names.RemoveAll();
    KeyHandle key(OpenKey(KEY_READ));
    if (!key)
        return FALSE;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD length = sizeof name;
        const LONG result = ::RegEnumKeyExA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS)
            return TRUE;
        if (result != ERROR_SUCCESS)
            return FALSE;
        names.AddTail(CString(name, static_cast<int>(length)));
    }
}

BOOL CRegistry::DeleteSubKey(LPCSTR name) const
{
    KeyHandle key(OpenKey(KEY_WRITE));
    if (!key)
        return TRUE;
    return name && ::RegDeleteKeyA(key.get(), name) == ERROR_SUCCESS;
}

BOOL CRegistry::ValueExists(LPCSTR name) const
{
    KeyHandle key(OpenKey(KEY_READ));
    return key && ::RegQueryValueExA(key.get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

BOOL CRegistry::DeleteValue(LPCSTR name) const
{
    KeyHandle key(OpenKey(KEY_WRITE));
    if (!key)
        return TRUE;
    return ::RegDeleteValueA(key.get(), name) == ERROR_SUCCESS;
}

BOOL CRegistry::GetString(LPCSTR name, CString& text) const
{
    text.Empty();
    KeyHandle key(OpenKey(KEY_READ));
    if (!key)
        return FALSE;
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!QueryValue(key.get(), name, type, data) || type != REG_SZ)
        return FALSE;
    // Stored with or without the NUL: the text ends at the first NUL.
    size_t length = 0;
    while (length < data.size() && data[length] != 0)
        ++length;
    text = CString(reinterpret_cast<const char*>(data.data()), static_cast<int>(length));
    return TRUE;
}

BOOL CRegistry::SetString(LPCSTR name, LPCSTR text) const
{
    KeyHandle key(OpenKey(KEY_WRITE));
    if (!key)
        return FALSE;
    const char* value = text ? text : "";
    return ::RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                            static_cast<DWORD>(std::strlen(value) + 1)) == ERROR_SUCCESS;
}

BOOL CRegistry::GetDword(LPCSTR name, DWORD& value) const
{
    value = 0;
    KeyHandle key(OpenKey(KEY_READ));
    return key && ReadDword(key.get(), name, value);
}

BOOL CRegistry::SetDword(LPCSTR name, DWORD value) const
{
    KeyHandle key(OpenKey(KEY_WRITE));
    return key && ::RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                   sizeof value) == ERROR_SUCCESS;
}

BOOL CRegistry::GetUInt(LPCSTR name, UINT& value) const
{
    KeyHandle key(OpenKey(KEY_READ));
    DWORD read = 0;
    if (!key || !ReadDword(key.get(), name, read))
        return FALSE;
    value = read;
    return TRUE;
}

BOOL CRegistry::SetUInt(LPCSTR name, UINT value) const
{
    return SetDword(name, value);
}

BOOL CRegistry::GetWord(LPCSTR name, WORD& value) const
{
    KeyHandle key(OpenKey(KEY_READ));
    DWORD read = 0;
    if (!key || !ReadDword(key.get(), name, read))
        return FALSE;
    value = static_cast<WORD>(read & 0xFFFF);
    return TRUE;
}

BOOL CRegistry::SetWord(LPCSTR name, WORD value) const
{
    return SetDword(name, value);
}

BOOL CRegistry::GetBinary(LPCSTR name, void* buffer, DWORD& size) const
{
    if (!buffer || size == 0) {
        size = 0;
        return FALSE;
    }
    KeyHandle key(OpenKey(KEY_READ));
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!key || !QueryValue(key.get(), name, type, data) || type != REG_BINARY) {
        size = 0;
        return FALSE;
    }
    const DWORD count = data.size() < size ? static_cast<DWORD>(data.size()) : size;
    if (count)
        std::memcpy(buffer, data.data(), count);
    size = count;
    return TRUE;
}

BOOL CRegistry::SetBinary(LPCSTR name, const void* data, DWORD length) const
{
    KeyHandle key(OpenKey(KEY_WRITE));
    return key &&
           ::RegSetValueExA(key.get(), name, 0, REG_BINARY, static_cast<const BYTE*>(data), length) == ERROR_SUCCESS;
}

BOOL CRegistry::GetDouble(LPCSTR name, double& value) const
{
    // One byte more than a double, so a longer value is not taken for one.
    BYTE bytes[sizeof(double) + 1];
    DWORD size = sizeof bytes;
    if (!GetBinary(name, bytes, size) || size != sizeof(double))
        return FALSE;
    std::memcpy(&value, bytes, sizeof(double));
    return TRUE;
}

BOOL CRegistry::SetDouble(LPCSTR name, double value) const
{
    return SetBinary(name, &value, sizeof value);
}

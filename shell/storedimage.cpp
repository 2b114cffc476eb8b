#include "shell/storedimage.h"

#include <cstring>
#include <string>

#include "foundation/fileutil.h"

namespace {

const StoredImageExtension kRows[] = {
    {"oldbmp", "teg"},
    {"bmp", "tebg"},
    {"png", "tepg"},
};

const DWORD kLargestPicture = 64u * 1024 * 1024;

// Whether the bytes begin the way an image of the plain format does.
bool LooksLike(const CString& plain, const std::string& bytes)
{
    if (plain.CompareNoCase("png") == 0)
        return bytes.size() > 8 && bytes.compare(0, 8, "\x89PNG\r\n\x1a\n", 8) == 0;
    // Both bitmap rows: a file header ("BM") and an info header after it.
    return bytes.size() > 14 + 12 && bytes[0] == 'B' && bytes[1] == 'M';
}

bool ReadAll(LPCSTR path, std::string& bytes)
{
    HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    bool ok = ::GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart <= kLargestPicture;
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
             read == bytes.size();
    }
    ::CloseHandle(file);
    return ok;
}

bool WriteAll(LPCSTR path, const std::string& bytes)
{
    HANDLE file = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    ok = ::CloseHandle(file) && ok;
    if (!ok)
        ::DeleteFileA(path);
    return ok;
}

} // namespace

const StoredImageExtension* StoredImageExtensions()
{
    return kRows;
}

int StoredExtensionCount()
{
    return static_cast<int>(sizeof kRows / sizeof kRows[0]);
}

CString PlainExtensionFor(LPCSTR storedExtension)
{
    if (!storedExtension)
        return CString();
    for (const StoredImageExtension& row : kRows) {
        if (_stricmp(row.stored, storedExtension) == 0)
            return CString(row.plain);
    }
    return CString();
}

BOOL ConvertStoredImageFile(LPCSTR storedPath, LPCSTR outputPath)
{
    if (!storedPath || !*storedPath || !outputPath || !*outputPath)
        return FALSE;
    const CString plain = PlainExtensionFor(GetFileExtension(storedPath));
    std::string bytes;
    if (plain.IsEmpty() || !ReadAll(storedPath, bytes) || !LooksLike(plain, bytes))
        return FALSE;
    return WriteAll(outputPath, bytes) ? TRUE : FALSE;
}

// The coder's file side and the maker's shared folder.
#include "link/asciicoder.h"

#include "foundation/fileutil.h"
#include "foundation/logline.h"
#include "foundation/safefile.h"

namespace {

// Reads a whole file. Sets missing when there is no such file (that is not
// a failure here: there is nothing to carry).
bool ReadSource(LPCSTR path, std::string& bytes, bool& missing)
{
    BOOL exists = FALSE;
    const BOOL read = path ? ReadWholeFileBytes(path, bytes, &exists) : FALSE;
    missing = path && !exists;
    if (missing)
        GlobalLogFormat(LOG_LINK, "ASCII coder: no file %s", path);
    return read != FALSE;
}

} // namespace

BOOL CASCIICoder::EncodeFile(LPCSTR sourcePath, LPCSTR targetPath)
{
    std::string bytes;
    bool missing = false;
    if (!ReadSource(sourcePath, bytes, missing))
        return missing ? TRUE : FALSE;
    if (bytes.empty() || !targetPath)
        return FALSE;
    return ReplaceFileContents(targetPath, EncodeAsciiText(bytes));
}

BOOL CASCIICoder::DecodeFile(LPCSTR sourcePath, LPCSTR targetPath)
{
    std::string text;
    bool missing = false;
    if (!ReadSource(sourcePath, text, missing))
        return missing ? TRUE : FALSE;
    std::string bytes;
    if (!DecodeAsciiText(text, bytes)) {
        GlobalLogFormat(LOG_STATUS_ERRORS, "ASCII coder: %s is not a coded file", sourcePath);
        return FALSE;
    }
    return targetPath ? ReplaceFileContents(targetPath, bytes) : FALSE;
}

void GetMakerCommonFolder(CString& folder)
{
    folder = GetCommonFilesMakerDir();
}

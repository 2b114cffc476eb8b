#include "editor/keywordfile.h"

#include <cstdio>

#include "foundation/fileutil.h"
#include "foundation/logline.h"
#include "framework/prompt.h"

namespace editor {
namespace {

const char kImportCaption[] = "Import XML";

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void Report(const char* format, const std::string& path)
{
    char text[MAX_PATH + 128];
    std::snprintf(text, sizeof text, format, path.c_str());
    AfxGetPromptService().Prompt(nullptr, text, kImportCaption, MB_OK | MB_ICONEXCLAMATION);
}

// Reads the file into records; false (after telling the user or the log)
// when it is missing, cannot be opened or is malformed.
bool Load(const std::string& path, std::vector<CBasicKeyRecord>& records)
{
    if (!FileExists(path)) {
        Report("File %s does not exist.", path);
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        Report("Unable to open file %s", path);
        return false;
    }
    const KeywordLineSource lines = [file](std::string& line) {
        line.clear();
        int c = 0;
        while ((c = std::fgetc(file)) != EOF && c != '\n')
            line += static_cast<char>(c);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return c != EOF || !line.empty();
    };
    std::string error;
    const bool ok = ReadKeywordFile(lines, records, error);
    std::fclose(file);
    if (!ok) {
        const std::string text = "Keyword file " + path + " not read: " + error;
        GlobalLogLine(text.c_str(), LOG_STATUS_ERRORS);
    }
    return ok;
}

} // namespace

std::string CBasicKeys::KeywordFilePath()
{
    return std::string(static_cast<LPCSTR>(GetCommonFilesMakerDir())) + "\\VexoBASIC.xml";
}

CBasicKeys::CBasicKeys()
{
    if (Table().IsLoaded())
        return;
    const std::string path = KeywordFilePath();
    Table().EnsureLoaded([&path](std::vector<CBasicKeyRecord>& records) { return Load(path, records); });
}

int CBasicKeys::ReadFile(const std::string& path)
{
    Table().Reset();
    Table().EnsureLoaded([&path](std::vector<CBasicKeyRecord>& records) { return Load(path, records); });
    return Table().Count();
}

} // namespace editor

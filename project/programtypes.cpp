// The program-type and file-type tables and their plain look-ups.
#include "project/programtypes.h"

#include <cctype>
#include <cstring>

const ProgramTypeRow g_programTypes[PROGRAM_TYPE_ROW_COUNT] = {
    //                                          c6..c17     c19..c25
    {0, {0, -1, -1, -1}, 233, "BASIC", 0,        "111111111111" "0110101", ""},
    {1, {1, -1, -1, -1}, 1041, "Encrypted", 10,  "010001000110" "0100101", ""},
    {2, {2, -1, -1, -1}, 1042, "G-Code", 12,     "111111111010" "0110101", ""},
    {3, {3, 5, -1, -1}, 1255, "Text", 29,        "111110011010" "0110100", ""},
    {4, {6, -1, -1, -1}, 1310, "IEC Project", 31, "111111000110" "0101000", ""},
    {5, {-1, -1, -1, -1}, 1404, "FIFO", 0,       "000000000000" "1001000", ""},
    {6, {-1, -1, -1, -1}, 1405, "TempFile", 0,   "000000000000" "1001000", ""},
    {7, {7, -1, -1, -1}, 652, "Project", 0,      "000000000000" "1001000", ""},
    {8, {8, -1, -1, -1}, 1406, "Binary", 27,     "011100010010" "1001000", ""},
    {9, {9, -1, -1, -1}, 1407, "QC_CONFIG", 37,  "111111100111" "0110101", "QC_CONFIG"},
};

const FileTypeRow g_fileTypes[FILE_TYPE_ROW_COUNT] = {
    {0, "bas", "bas", CopyPlainFile},
    {1, "enc", "", CopyPlainFile},
    {2, "gco", "gco", CopyPlainFile},
    {3, "txt,lst", "txt", CopyPlainFile},
    {5, "plt", "", ConvertPlotFile},
    {6, "mwe", "zwa", CopyIecProjectFile},
    {7, "prj", "prj", CopyPlainFile},
    {8, "bin", "bin", CopyPlainFile},
    {9, "qcc,bas", "qcc", CopyPlainFile},
    {0, "", "", nullptr}, // ends the table
};

namespace {

bool EqualNoCase(const char* a, const char* b)
{
    if (!a || !b)
        return false;
    for (; *a && *b; ++a, ++b) {
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
    }
    return *a == *b;
}

bool ListHolds(const char* list, const char* extension)
{
    CStringList pieces;
    SplitExtensionList(list, pieces);
    for (POSITION pos = pieces.GetHeadPosition(); pos;) {
        if (EqualNoCase(pieces.GetNext(pos), extension))
            return true;
    }
    return false;
}

} // namespace

int GetProgramTypeColumn(const ProgramTypeRow& row, int column)
{
    if (column < 6 || column > 25 || column == 18)
        return 0;
    const int index = column < 18 ? column - 6 : column - 7;
    return row.flags[index] == '1' ? 1 : 0;
}

const ProgramTypeRow* FindProgramType(int type)
{
    for (const ProgramTypeRow& row : g_programTypes) {
        if (row.id == type)
            return &row;
    }
    return nullptr;
}

const ProgramTypeRow* FindProgramTypeByName(const char* name)
{
    for (const ProgramTypeRow& row : g_programTypes) {
        if (EqualNoCase(row.name, name))
            return &row;
    }
    return nullptr;
}

int GetProgramTypeIdByName(const char* name)
{
    const ProgramTypeRow* row = FindProgramTypeByName(name);
    return row ? row->id : -1;
}

CString GetProgramTypeName(int type)
{
    const ProgramTypeRow* row = FindProgramType(type);
    return row && row->name[0] ? CString(row->name) : CString("Unknown");
}

CString GetProgramTypeExtension(int type)
{
    const ProgramTypeRow* row = FindProgramType(type);
    return row ? GetFirstExtensionOfFileType(row->fileTypes[0]) : CString();
}

CString GetProgramTypeTransferExtension(int type)
{
    const ProgramTypeRow* row = FindProgramType(type);
    return row ? GetFileTypeTransferExtension(row->fileTypes[0]) : CString();
}

int GetProgramTypeOfFileType(int fileType)
{
    if (fileType == -1)
        return -1;
    for (const ProgramTypeRow& row : g_programTypes) {
        for (int fileTypeOfRow : row.fileTypes) {
            if (fileTypeOfRow == fileType)
                return row.id;
        }
    }
    return -1;
}

int GetProgramTypeOfExtension(const char* extension)
{
    if (!extension)
        return -1;
    for (const ProgramTypeRow& row : g_programTypes) {
        int last = -1;
        for (int fileType : row.fileTypes) {
            if (fileType == -1)
                break;
            last = fileType;
            const FileTypeRow* file = FindFileType(fileType);
            if (file && ListHolds(file->extensions, extension))
                return row.id;
        }
        // The transfer extension of the last file type looked at.
        const FileTypeRow* file = last == -1 ? nullptr : FindFileType(last);
        if (file && file->transferExtension[0] && EqualNoCase(file->transferExtension, extension))
            return row.id;
    }
    return -1;
}

BOOL IsKnownProgramExtension(const char* extension)
{
    return GetProgramTypeOfExtension(extension) != -1 ? TRUE : FALSE;
}

int IsOperationAllowedForRow(int operation, int rowIndex)
{
    static const int columns[12] = {0, 7, 8, 9, 10, 10, 11, 12, 13, 14, 15, 16};
    if (operation == 0)
        return 1;
    if (operation < 1 || operation > 11 || rowIndex < 0 || rowIndex >= PROGRAM_TYPE_ROW_COUNT)
        return 0;
    return GetProgramTypeColumn(g_programTypes[rowIndex], columns[operation]);
}

BOOL IsValidFileType(int id)
{
    return static_cast<unsigned>(id) < 10u ? TRUE : FALSE;
}

const FileTypeRow* FindFileType(int id)
{
    for (const FileTypeRow& row : g_fileTypes) {
        if (row.id == id)
            return &row;
    }
    return nullptr;
}

int GetFileTypeExtensions(int id, CStringList& list)
{
    list.RemoveAll();
    const FileTypeRow* row = FindFileType(id);
    return row ? SplitExtensionList(row->extensions, list) : 0;
}

int GetFileTypeExtensionsByIndex(int rowIndex, CStringList& list)
{
    list.RemoveAll();
    if (rowIndex < 0 || rowIndex >= FILE_TYPE_ROW_COUNT)
        return 0;
    return SplitExtensionList(g_fileTypes[rowIndex].extensions, list);
}

CString GetFirstExtensionOfFileType(int id)
{
    if (id < 0 || id > 9)
        return CString();
    CStringList list;
    if (GetFileTypeExtensions(id, list) < 1)
        return CString();
    return list.GetHead();
}

CString GetFileTypeTransferExtension(int id)
{
    if (id < 0 || id > 9)
        return CString();
    const FileTypeRow* row = FindFileType(id);
    return row ? CString(row->transferExtension) : CString();
}

int FindFileTypeOfExtension(const char* extension)
{
    for (const FileTypeRow& row : g_fileTypes) {
        if (row.extensions[0] && ListHolds(row.extensions, extension))
            return row.id;
    }
    return -1;
}

int SplitExtensionList(const char* text, CStringList& list)
{
    list.RemoveAll();
    CString piece;
    for (const char* p = text; p && *p; ++p) {
        if (*p == ',') {
            list.AddTail(piece);
            piece.Empty();
        } else {
            piece += *p;
        }
    }
    if (!piece.IsEmpty())
        list.AddTail(piece);
    return static_cast<int>(list.GetCount());
}

bool IsProgramNameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

bool IsValidProgramName(const char* name)
{
    if (!name)
        return false;
    const std::size_t length = std::strlen(name);
    if (length < 1 || length > 15)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (!IsProgramNameChar(name[i]))
            return false;
    }
    return true;
}

bool IsReservedDeviceName(const char* name)
{
    if (!name)
        return false;
    std::size_t length = 0;
    while (name[length] && name[length] != '.')
        ++length;
    // Blanks before the dot do not make it another name.
    while (length > 0 && name[length - 1] == ' ')
        --length;
    const auto is = [&](const char* device) {
        const std::size_t size = std::strlen(device);
        if (size != length)
            return false;
        for (std::size_t i = 0; i < size; ++i) {
            if (std::toupper(static_cast<unsigned char>(name[i])) != device[i])
                return false;
        }
        return true;
    };
    if (is("AUX") || is("CON") || is("NUL") || is("PRN"))
        return true;
    if (length == 4 && name[3] >= '1' && name[3] <= '9') {
        const char stem[] = {static_cast<char>(std::toupper(static_cast<unsigned char>(name[0]))),
                             static_cast<char>(std::toupper(static_cast<unsigned char>(name[1]))),
                             static_cast<char>(std::toupper(static_cast<unsigned char>(name[2]))), 0};
        return std::strcmp(stem, "COM") == 0 || std::strcmp(stem, "LPT") == 0;
    }
    return false;
}

bool IsProgramFileName(const char* name)
{
    return IsValidProgramName(name) && !IsReservedDeviceName(name);
}

std::string ConvertPlotText(const std::string& source)
{
    // States: 0 inside a command, 1 after ";", 2 after CR, 3 after LF.
    // A CR inside a command ends it like a LF, so a file with CR LF line
    // ends is converted whole.
    std::string out;
    int state = 0;
    for (char c : source) {
        if (state == 0) {
            if (c == '\n' || c == '\r') {
                out += ";\r\n";
                state = c == '\n' ? 3 : 2;
            } else if (c == ';') {
                out += ";\r\n";
                state = 1;
            } else {
                out += c;
            }
        } else if (c == '\n') {
            state = 3;
        } else if (c == '\r') {
            state = 2;
        } else if (c == ';') {
            state = 1;
        } else {
            out += c;
            state = 0;
        }
    }
    return out;
}

namespace {
const char* const kProcessStateTexts[6] = {"Stopped",  "Running",  "Stepping",
                                            "Paused",   "Sleeping", "Running Included"};
bool g_processStateTextsLoaded = false;
} // namespace

void LoadProcessStateTexts(BOOL force)
{
    if (g_processStateTextsLoaded && !force)
        return;
    g_processStateTextsLoaded = true;
}

CString GetProcessStateText(int state)
{
    if (!g_processStateTextsLoaded || state < 0 || state > 5)
        return CString();
    return kProcessStateTexts[state];
}

// Capabilities of program types with the connected controller: asked of the
// controller connection directly, or of the project window by message.
#include <windows.h>

#include "foundation/fileutil.h"
#include "foundation/safefile.h"
#include "link/controllerconnection.h"
#include "project/projectmessages.h"
#include "project/programtypes.h"
#include "settings/vqregistry.h"

namespace {

bool HasFeature(HWND projectWindow, int feature)
{
    return ::SendMessageA(projectWindow, WM_PW_QUERY_FEATURE, 0, feature) != 0;
}

int ByConnection(int type, int column, CControllerConnection* connection)
{
    const ProgramTypeRow* row = FindProgramType(type);
    if (!row)
        return 0;
    const int value = GetProgramTypeColumn(*row, column);
    if (!connection)
        return value;
    return value && connection->IsFeatureSupported(row->feature) ? 1 : 0;
}

int ByWindow(int type, int column, HWND projectWindow)
{
    const ProgramTypeRow* row = FindProgramType(type);
    if (!row)
        return 0;
    const int value = GetProgramTypeColumn(*row, column);
    if (!::IsWindow(projectWindow))
        return value;
    return value && HasFeature(projectWindow, row->feature) ? 1 : 0;
}

} // namespace

int ProgramTypeAllowsOperationRunner(int type, CControllerConnection* c) { return ByConnection(type, 6, c); }
int ControllerCanSaveProgramType(int type, CControllerConnection* c) { return ByConnection(type, 9, c); }
int ControllerCanEditProgramType(int type, CControllerConnection* c) { return ByConnection(type, 10, c); }
int ControllerCanRunProgramType(int type, CControllerConnection* c) { return ByConnection(type, 11, c); }
int ControllerCanStepProgramType(int type, CControllerConnection* c) { return ByConnection(type, 12, c); }
int ControllerCanRenameProgramType(int type, CControllerConnection* c) { return ByConnection(type, 13, c); }
int ControllerCanCopyProgramType(int type, CControllerConnection* c) { return ByConnection(type, 14, c); }
int ControllerCanCompileProgramType(int type, CControllerConnection* c) { return ByConnection(type, 15, c); }
int ControllerCanDeleteProgramType(int type, CControllerConnection* c) { return ByConnection(type, 16, c); }
int ControllerCanSelectProgramType(int type, CControllerConnection* c) { return ByConnection(type, 20, c); }
int ProgramTypeColumn21(int type, CControllerConnection* c) { return ByConnection(type, 21, c); }
int ProgramTypeIsMovedAsFile(int type, CControllerConnection* c) { return ByConnection(type, 22, c); }
int ControllerIsTextProgramType(int type, CControllerConnection* c) { return ByConnection(type, 23, c); }
int ProgramTypeColumn24(int type, CControllerConnection* c) { return ByConnection(type, 24, c); }

int ProgramTypeColumn19(int type)
{
    const ProgramTypeRow* row = FindProgramType(type);
    return row ? GetProgramTypeColumn(*row, 19) : 0;
}

int ControllerCanLoadProgramType(int type, CControllerConnection* connection)
{
    const ProgramTypeRow* row = FindProgramType(type);
    if (!row)
        return 0;
    int value = GetProgramTypeColumn(*row, 7);
    if (!connection)
        return value;
    value = value && connection->IsFeatureSupported(row->feature) ? 1 : 0;
    if (type == PROGRAM_TYPE_ENCRYPTED && !connection->IsFeatureSupported(9))
        value = 0;
    if (type == PROGRAM_TYPE_TEXT && !connection->IsFeatureSupported(27))
        value = 0;
    return value;
}

int CanLoadProgramType(int type, HWND projectWindow)
{
    const ProgramTypeRow* row = FindProgramType(type);
    if (!row)
        return 0;
    int value = GetProgramTypeColumn(*row, 7);
    if (!::IsWindow(projectWindow))
        return value;
    value = value && HasFeature(projectWindow, row->feature) ? 1 : 0;
    if (type == PROGRAM_TYPE_ENCRYPTED) {
        value &= HasFeature(projectWindow, 9) ? 1 : 0;
        value &= HasFeature(projectWindow, 27) ? 1 : 0;
    } else if (type == PROGRAM_TYPE_TEXT) {
        value &= HasFeature(projectWindow, 27) ? 1 : 0;
    }
    return value;
}

int CanSaveProgramType(int type, HWND w) { return ByWindow(type, 9, w); }
int CanEditProgramType(int type, HWND w) { return ByWindow(type, 10, w); }
int CanRunProgramType(int type, HWND w) { return ByWindow(type, 11, w); }
int CanStepProgramType(int type, HWND w) { return ByWindow(type, 12, w); }
int CanRenameProgramType(int type, HWND w) { return ByWindow(type, 13, w); }
int CanCopyProgramType(int type, HWND w) { return ByWindow(type, 14, w); }
int CanCompileProgramType(int type, HWND w) { return ByWindow(type, 15, w); }
int CanDeleteProgramType(int type, HWND w) { return ByWindow(type, 16, w); }
int CanReformatProgramType(int type, HWND w) { return ByWindow(type, 17, w); }
int CanSelectProgramType(int type, HWND w) { return ByWindow(type, 20, w); }
int CanMoveProgramTypeAsFile(int type, HWND w) { return ByWindow(type, 22, w); }
int IsTextProgramType(int type, HWND w) { return ByWindow(type, 23, w); }
int CanAutoRunProgramType(int type, HWND w) { return ByWindow(type, 25, w); }

CString GetProgramTypeFixedName(int type, HWND projectWindow)
{
    const ProgramTypeRow* row = FindProgramType(type);
    if (!row)
        return CString();
    CString name = row->fixedName;
    if (::IsWindow(projectWindow) && !HasFeature(projectWindow, row->feature))
        name.Empty();
    return name;
}

int CollectExtensionsForOperation(int operation, CStringList& list, CControllerConnection* connection)
{
    list.RemoveAll();
    int count = 0;
    for (int index = 0; index < PROGRAM_TYPE_ROW_COUNT; ++index) {
        const ProgramTypeRow& row = g_programTypes[index];
        if (connection) {
            if (!connection->IsFeatureSupported(row.feature))
                continue;
            if (operation == 1 && row.id == PROGRAM_TYPE_ENCRYPTED && !connection->IsFeatureSupported(27))
                continue;
        }
        if (!IsOperationAllowedForRow(operation, index))
            continue;
        for (int fileType : row.fileTypes) {
            CStringList extensions;
            GetFileTypeExtensions(fileType, extensions);
            for (POSITION pos = extensions.GetHeadPosition(); pos;) {
                list.AddTail(extensions.GetNext(pos));
                ++count;
            }
        }
    }
    return count;
}

int CollectProgramTypeNamesForOperation(int operation, CStringList& list, HWND projectWindow)
{
    list.RemoveAll();
    int count = 0;
    const bool asking = ::IsWindow(projectWindow) != FALSE;
    for (int index = 0; index < PROGRAM_TYPE_ROW_COUNT; ++index) {
        const ProgramTypeRow& row = g_programTypes[index];
        if (asking) {
            if (!HasFeature(projectWindow, row.feature))
                continue;
            if (operation == 1 && row.id == PROGRAM_TYPE_ENCRYPTED && !HasFeature(projectWindow, 27))
                continue;
            if (row.id == PROGRAM_TYPE_IEC_PROJECT &&
                (!HasFeature(projectWindow, 31) || CVQRegistry().GetEnableIEC61131() <= 0))
                continue;
        }
        if (!IsOperationAllowedForRow(operation, index))
            continue;
        list.AddTail(row.name);
        ++count;
    }
    return count;
}

// ---------------------------------------------------------------- copying

int TransferFileOfType(const char* source, int fileType, const char* destination)
{
    if (!IsValidFileType(fileType))
        return 0;
    const FileTypeRow* row = FindFileType(fileType);
    if (!row)
        return 0;
    if (!row->copy)
        return 1;
    return row->copy(source, destination);
}

int CopyPlainFile(const char* source, const char* destination)
{
    if (!source || !destination || !PathExists(source))
        return 0;
    std::string bytes;
    if (!ReadWholeFileBytes(source, bytes))
        return 0;
    return ReplaceFileContents(destination, bytes) ? 1 : 0;
}

int ConvertPlotFile(const char* source, const char* destination)
{
    if (!source || !destination || !PathExists(source))
        return 0;
    std::string bytes;
    if (!ReadWholeFileBytes(source, bytes))
        return 0;
    return ReplaceFileContents(destination, ConvertPlotText(bytes)) ? 1 : 0;
}

int CopyIecProjectFile(const char* source, const char* destination)
{
    if (!source || !destination || !PathExists(source))
        return 0;
    // The IEC system keeps the project's data in the folder named like the
    // project file without its extension; a copy without it is no project.
    auto folderOf = [](const char* path) {
        CString folder = path;
        const int dot = folder.ReverseFind('.');
        const int slash = folder.ReverseFind('\\');
        if (dot > slash)
            folder = folder.Left(dot);
        return folder;
    };
    const CString sourceFolder = folderOf(source);
    if (!DirectoryExists(sourceFolder))
        return 0;
    if (!CopyPlainFile(source, destination))
        return 0;
    return CopyDirectory(sourceFolder, folderOf(destination), 0, 32) ? 1 : 0;
}

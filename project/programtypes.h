// The program-type table and the file-type table, and the look-ups over
// them: what may be done with a program of each type, which controller
// feature the type needs, which file types hold it on disk, the extensions
// of each file type and the routine that copies such a file.
//
// The tables and their look-ups are plain C++ (programtypes.cpp); the
// capability predicates that ask the controller or the project window and
// the copy routines live in programtypecaps.cpp and programfilecopy.cpp.
#pragma once

#include <string>

#include "framework/collections.h"
#include "framework/cstring.h"

class CControllerConnection;
struct HWND__;
typedef HWND__* HWND;

enum : int {
    PROGRAM_TYPE_ENCRYPTED = 1,
    PROGRAM_TYPE_GCODE = 2,
    PROGRAM_TYPE_TEXT = 3,
    PROGRAM_TYPE_IEC_PROJECT = 4,
    PROGRAM_TYPE_FIFO = 5,
    PROGRAM_TYPE_TEMPFILE = 6,
    PROGRAM_TYPE_PROJECT = 7,
    PROGRAM_TYPE_BINARY = 8,
};

const int PROGRAM_TYPE_ROW_COUNT = 10;
const int FILE_TYPE_ROW_COUNT = 10;

// Copies one file of a file type; TRUE on success.
using FileCopyRoutine = int (*)(const char* source, const char* destination);

struct ProgramTypeRow {
    int id;
    int fileTypes[4];  // -1 = none
    int nameId;        // string-table id of the display name
    const char* name;  // the display name
    int feature;       // controller feature the type needs (0 = none)
    // The flag columns c6..c17 then c19..c25, one '0' or '1' each.
    const char* flags;
    const char* fixedName;
};

struct FileTypeRow {
    int id;
    const char* extensions; // "," separated, without dots
    const char* transferExtension;
    FileCopyRoutine copy;   // null: no copy routine
};

extern const ProgramTypeRow g_programTypes[PROGRAM_TYPE_ROW_COUNT];
extern const FileTypeRow g_fileTypes[FILE_TYPE_ROW_COUNT];

// A flag column (6..25, not 18) of a row; 0 for any other column.
int GetProgramTypeColumn(const ProgramTypeRow& row, int column);

// Program-type look-ups.
const ProgramTypeRow* FindProgramType(int type);
const ProgramTypeRow* FindProgramTypeByName(const char* name);
int GetProgramTypeIdByName(const char* name);
CString GetProgramTypeName(int type);
CString GetProgramTypeExtension(int type);
CString GetProgramTypeTransferExtension(int type);
int GetProgramTypeOfFileType(int fileType);
int GetProgramTypeOfExtension(const char* extension);
BOOL IsKnownProgramExtension(const char* extension);
// Operation 0 always; 1..11 read c7, c8, c9, c10, c10, c11, c12, c13, c14,
// c15, c16; anything else 0.
int IsOperationAllowedForRow(int operation, int rowIndex);

// File-type look-ups.
BOOL IsValidFileType(int id);
const FileTypeRow* FindFileType(int id);
int GetFileTypeExtensions(int id, CStringList& list);
int GetFileTypeExtensionsByIndex(int rowIndex, CStringList& list);
CString GetFirstExtensionOfFileType(int id);
CString GetFileTypeTransferExtension(int id);
int FindFileTypeOfExtension(const char* extension);
// Pieces between ","; an empty piece between two commas counts, a trailing
// empty one does not.
int SplitExtensionList(const char* text, CStringList& list);

// Program names: 1 to 15 letters, digits or "_".
bool IsProgramNameChar(char c);
bool IsValidProgramName(const char* name);

// Whether the part of name before its first dot is one of the names the
// system reserves for devices (AUX, CON, NUL, PRN, COM1-9, LPT1-9, in any
// case): a file of that name is the device, whatever its extension.
bool IsReservedDeviceName(const char* name);
// The check every program name passes before it becomes a file name: a
// valid program name (so no separator, "..", quote, blank or control
// character) that is no reserved device name. Nothing is opened to decide.
bool IsProgramFileName(const char* name);

// The plot-file conversion over bytes: commands ended by ";" or a line end
// become one command per line, each ended by ";" CR LF.
std::string ConvertPlotText(const std::string& source);

// Process state texts 0..5; empty for another state.
void LoadProcessStateTexts(BOOL force);
CString GetProcessStateText(int state);

// Extensions and type names of the types whose rows allow an operation.
// With a connection (or a project window), only the types the controller
// has the feature of.
int CollectExtensionsForOperation(int operation, CStringList& list, CControllerConnection* connection);
int CollectProgramTypeNamesForOperation(int operation, CStringList& list, HWND projectWindow);

// Copying a file of a file type: 0 for a file type that is not valid or
// not in the table, 1 without a copy routine, else the routine's result.
int TransferFileOfType(const char* source, int fileType, const char* destination);
// The copy routines of the file-type table. Each writes the destination
// through a temporary file in its folder, so a failed copy leaves an
// existing destination as it was.
int CopyPlainFile(const char* source, const char* destination);
int ConvertPlotFile(const char* source, const char* destination);
int CopyIecProjectFile(const char* source, const char* destination);

// Capabilities. The configuration forms ask the connection (none: the
// column as it stands); the window forms ask the project window by 0x81CC
// (not a window: the column as it stands).
int ProgramTypeAllowsOperationRunner(int type, CControllerConnection* connection);
int ControllerCanLoadProgramType(int type, CControllerConnection* connection);
int ControllerCanSaveProgramType(int type, CControllerConnection* connection);
int ControllerCanEditProgramType(int type, CControllerConnection* connection);
int ControllerCanRunProgramType(int type, CControllerConnection* connection);
int ControllerCanStepProgramType(int type, CControllerConnection* connection);
int ControllerCanRenameProgramType(int type, CControllerConnection* connection);
int ControllerCanCopyProgramType(int type, CControllerConnection* connection);
int ControllerCanCompileProgramType(int type, CControllerConnection* connection);
int ControllerCanDeleteProgramType(int type, CControllerConnection* connection);
int ProgramTypeColumn19(int type);
int ControllerCanSelectProgramType(int type, CControllerConnection* connection);
int ProgramTypeColumn21(int type, CControllerConnection* connection);
int ProgramTypeIsMovedAsFile(int type, CControllerConnection* connection);
int ControllerIsTextProgramType(int type, CControllerConnection* connection);
int ProgramTypeColumn24(int type, CControllerConnection* connection);

int CanLoadProgramType(int type, HWND projectWindow);
int CanSaveProgramType(int type, HWND projectWindow);
int CanEditProgramType(int type, HWND projectWindow);
int CanRunProgramType(int type, HWND projectWindow);
int CanStepProgramType(int type, HWND projectWindow);
int CanRenameProgramType(int type, HWND projectWindow);
int CanCopyProgramType(int type, HWND projectWindow);
int CanCompileProgramType(int type, HWND projectWindow);
int CanDeleteProgramType(int type, HWND projectWindow);
int CanReformatProgramType(int type, HWND projectWindow);
int CanSelectProgramType(int type, HWND projectWindow);
int CanMoveProgramTypeAsFile(int type, HWND projectWindow);
int IsTextProgramType(int type, HWND projectWindow);
int CanAutoRunProgramType(int type, HWND projectWindow);
// The type's fixed name, emptied when the project window answers that the
// controller lacks the type's feature.
CString GetProgramTypeFixedName(int type, HWND projectWindow);

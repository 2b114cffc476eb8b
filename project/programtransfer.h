// CProgramTransfer: the project window's long transfers between the
// controller and the project folder, and the program operations that keep
// both in step:
//   - reading a range of TABLE into a table buffer, and VR variables as
//     lines of BASIC text;
//   - loading a program file into the controller line by line with the
//     line-edit commands ("&0R", "&1I", ...), checked by "&N";
//   - reading a program back from the controller ("&0L" .. "&<n-1>L")
//     into a file, written through a temporary file so that a failed or
//     cancelled read leaves the old file as it was;
//   - loading one program of the project, checked by its CRC ("&Z");
//   - deleting, copying and renaming programs on the controller and in
//     the project.
//
// It works through ITransferHost: the project window in the program, a
// small host over a controller connection in the tests and the benchmark.
// Everything runs on the host's thread; the host's waits serve messages.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/crc.h"
#include "framework/cstring.h"
#include "link/controllermessage.h"
#include "project/projecthub.h"

class CControllerConnection;
class CProjectFile;
class CTableList;

// To the project window: delete programs (wParam: their names separated by
// commas; 0: every program, the user has agreed), and write a program's
// controller copy into the project folder (lParam: its name).
const UINT PWM_DELETE_PROGRAMS = WM_APP + 0x191;
const UINT PWM_EXPORT_PROGRAM = WM_APP + 0x1F1;
// Sent to the control panel around a program load or read-back.
const UINT PWM_PROGRAM_TRANSFER_START = WM_APP + 0x13F;
const UINT PWM_PROGRAM_TRANSFER_END = WM_APP + 0x140;

// Program lines are at most this long on the controller.
const int PROGRAM_LINE_MAX = 80;
// The controller holds at most this many programs.
const int CONTROLLER_PROGRAM_MAX = 32;

// TABLE values at most in one read.
const long TABLE_VALUES_MOST = 1L << 24;

// Appends the values of one item of a reply to "TABLEVALUES": a plain value,
// or "k<count>,<value>" for count equal values in a row (a value text that
// begins with "#" is the largest value). The number of values appended, or
// -1 (nothing appended) for a run that does not scan or holds more than most
// values.
long AppendTableValues(const ControllerMessage& item, long most, std::vector<double>& values);

// Reads a program file as the controller gets it: one entry per line,
// every trailing CR and LF removed; a last line without a line end counts,
// an empty file has no lines. FALSE when the file cannot be read.
BOOL ReadProgramFileLines(LPCSTR path, std::vector<std::string>& lines);
// The check value of a program file (ProgramLinesCrc, foundation/crc.h, of
// its lines) as the controller's "&Z" gives it; FALSE when it cannot be
// read.
BOOL ProgramFileCrc(LPCSTR path, std::uint16_t& crc);

class ITransferHost {
public:
    virtual ~ITransferHost() = default;

    virtual CControllerConnection* GetConnection() = 0;
    // The open project (its folder is the file's folder).
    virtual CProjectFile* GetProjectFile() = 0;
    virtual HWND GetControlPanelWindow() = 0;
    // One command of the table as the host's own transaction: the integer
    // or the text argument as the command's kind needs; TRUE when the
    // controller took it without error.
    virtual BOOL RunCommand(int commandId, int integer = 0, LPCSTR text = nullptr) = 0;
    // The program a compile report on the last SELECT named (SELECT
    // compiles the program edited before it), taken once; empty when there
    // was none.
    virtual CString TakeSelectCompileReport() { return CString(); }
    // While set, every reply to the host's own commands is handed to sink
    // too (on the link's receive thread); an empty sink removes it.
    virtual void SetReplySink(std::function<void(const ControllerMessage&)> sink) = 0;
    virtual std::unique_ptr<IHubProgress> StartProgress(LPCSTR caption) = 0;
    virtual void RaiseBusy() = 0;
    virtual void LowerBusy() = 0;

    // Whether the programs may be changed now (every program when the list
    // is empty); running programs are halted after the user agrees. FALSE:
    // refused, nothing may change.
    virtual BOOL PermitProgramOperation(const std::vector<std::string>& programs) = 0;
    // Closes the editor frames of a program (every editor: null).
    virtual void CloseEditors(LPCSTR program) = 0;
    // The controller's programs changed: the program list is read again
    // and the project view updated.
    virtual void ProgramsChanged() = 0;
    // Stores the programs in flash when the controller keeps them only
    // there and the user wants it done after each change.
    virtual void StoreProgramsIfNeeded() = 0;
    // The editor frames of a program send their pending lines and save.
    virtual void SaveEditors(LPCSTR program) = 0;
    // Makes the project's IEC project of an IEC program from its coded
    // file in the project folder (name + "." + the IEC transfer extension),
    // which the transfer has just read from the controller; FALSE when it
    // could not.
    virtual BOOL ExportIECProgram(LPCSTR program) = 0;
    // The fast program load (tool window); FALSE when it failed.
    virtual BOOL FastLoadProgram(LPCSTR name, LPCSTR path, int type) = 0;
    // Whether a program is loaded by the fast path.
    virtual BOOL UseFastProgramLoad() = 0;
};

class CProgramTransfer {
public:
    explicit CProgramTransfer(ITransferHost& host);
    ~CProgramTransfer();
    CProgramTransfer(const CProgramTransfer&) = delete;
    CProgramTransfer& operator=(const CProgramTransfer&) = delete;

    // Cancel from another thread (the gauge's Cancel): the transfer ends at
    // its next line, block or variable.
    void Cancel() { m_bCancel = true; }
    void ResetCancel() { m_bCancel = false; }

    // TABLE first..last into table (start index first); the range ends at
    // the last entry the controller has. 1 on success; 0 for an empty
    // range, a failed or short read or a cancel (table untouched then).
    int ReadTable(CTableList& table, long first, long last);
    // "' Variables", one line per VR, then an empty line, appended to
    // lines. 1 on success; 0 when cancelled or a read failed.
    int ReadVariables(std::vector<std::string>& lines, int first, int last);
    // Loads a program file line by line. 1 when every line was taken and
    // the controller's line count agrees; a cancel erases the partial
    // program.
    int LoadProgramText(LPCSTR name, LPCSTR path, int type, BOOL resetCancel);
    // Reads the controller's copy of a program into the project folder (or
    // its "Controller" folder). The old file is kept unless every line was
    // read and the new file written.
    BOOL SaveProgramToDisk(LPCSTR name, int type, BOOL intoControllerFolder);
    // An IEC program of the controller's list: its controller copy (the
    // coded project) is read into the project folder as name + "." + the
    // type's transfer extension, then the host makes the IEC project of it.
    BOOL SaveIECProgram(LPCSTR name);
    // Every program of the controller's list in turn while each succeeds:
    // an IEC program through the IEC project, any other into the project
    // folder (its name appended to saved when given). TRUE when all did.
    BOOL SaveAllProgramsToDisk(std::vector<std::string>* saved = nullptr);
    // A program's file at destination: the project's copy when there is
    // one and force is not set, else the controller's copy read into the
    // project folder (and copied to destination when that is elsewhere).
    // 1 on success.
    int ExportProgramFile(LPCSTR name, LPCSTR destination, BOOL force);
    // Loads a program of the project, then compares the controller's check
    // value with the file's: the fast path fails on a difference, the slow
    // path takes the controller's copy into the project.
    BOOL LoadProgramToController(LPCSTR name, int type, BOOL resetCancel);

    // Program names separated by commas; "*" erases everything, "TABLE" the
    // TABLE. 1 unless NEW ALL failed (0 also when refused).
    int DeletePrograms(LPCSTR names);
    BOOL CopyProgram(LPCSTR source, LPCSTR destination);
    BOOL RenameProgram(LPCSTR source, LPCSTR destination);

    // The project file path of a program.
    CString ProgramFilePath(LPCSTR name, int type, BOOL intoControllerFolder = FALSE);

private:
    class CReplies;
    struct Busy;

    BOOL Run(int commandId, int integer = 0, LPCSTR text = nullptr);
    // After the SELECT commands (selected: they all succeeded), "&C";
    // FALSE (reported) when the controller's selected program is not name.
    BOOL CheckSelected(LPCSTR name, bool selected);
    // Selects name with SELECT (or SELECT with a type: commandId and its
    // argument). A compile report of another program on it (the program
    // edited before, which SELECT compiles; the host has reported it) does
    // not fail the selection; CheckSelected tells whether it was made.
    BOOL Select(int commandId, LPCSTR argument, LPCSTR name);
    // The read-back into a given file of the project folder (or of its
    // "Controller" folder).
    BOOL SaveProgramToFile(LPCSTR name, int type, BOOL intoControllerFolder, const CString& path);
    BOOL CopyOrRename(LPCSTR source, LPCSTR destination, bool rename);
    int ControllerCrc(LPCSTR name, BOOL& read);
    static void Report(const CString& text, LPCSTR caption);

    ITransferHost& m_host;
    std::shared_ptr<CReplies> m_replies;
    std::atomic<bool> m_bCancel{false};
};

// The watch window's items and the cells of its list, as plain C++: what is
// added, edited, read and shown, and the controller commands that read and
// write the items. The window (watchwindow.h) mirrors the cells into its
// list control and sends the commands.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "editor/editrecords.h"

constexpr int kWatchRows = 12;

// The list's columns.
enum WatchColumn : int { kWatchName = 0, kWatchValue = 1, kWatchProgram = 2, kWatchProcess = 3, kWatchColumns = 4 };

// Command ids of the controller command table the window sends.
constexpr int kCommandReadVr = 32;        // "?VR(%i);"
constexpr int kCommandWriteVr = 132;      // "VR(%i)=%s"
constexpr int kCommandReadLocal = 136;    // "?LOOKUP(3,%i) PROC(%i);"
constexpr int kCommandWriteLocal = 137;   // "LOOKUP(4,%i,%s) PROC(%i)"

// One watched item.
class CWatchData {
public:
    CWatchData() = default;
    // The editor's item: a VR item when its VR index is 0 or more, else a
    // variable with its LOOKUP index and process.
    explicit CWatchData(const editor::SWatchItem& item);
    virtual ~CWatchData() = default;
    CWatchData(const CWatchData&) = default;
    CWatchData& operator=(const CWatchData&) = default;

    void Clear() { *this = CWatchData(); }
    bool IsVr() const { return m_vrIndex >= 0; }

    std::string m_program; // upper case; empty for a VR item
    std::string m_name;    // "VR(n)" upper case, or the variable's name; empty: a free row
    std::int32_t m_vrIndex = -1;
    double m_value = 0.0;
    std::int32_t m_row = -1;
    std::int32_t m_pending = 0;
    std::int32_t m_variableIndex = -1; // LOOKUP index; -1 not found
    std::int32_t m_process = -1;
    std::int32_t m_pinned = 0; // the user typed the process
};

// One command the window sends: its id, and an integer or a text argument.
struct SWatchCommand {
    int id = 0;
    bool isText = false;
    int integer = 0;
    std::string text;
};

// One controller answer with a copy of the item that was being read.
struct CWatchReplyData {
    int commandId = 0;
    int channel = 0;       // the message kind; 8 for the window's own sequences
    double real = 0.0;     // a numeric reply's value
    std::string text;      // a text reply
    CWatchData request;
};

// After leading blanks "VR" (either case), blanks, "(", blanks, digits,
// blanks, ")"; what follows is not looked at. The index, or nothing.
std::optional<long> ParseVRName(const std::string& text);

// The value of an answer to command 136: the text must begin with "0"; the
// rest, trimmed, is the number. Nothing for any other text.
std::optional<double> ParseLookupReply(const std::string& text);

class CWatchList {
public:
    CWatchList();

    int RowsInUse() const { return m_rowsInUse; }
    int VrRows() const { return m_vrRows; }
    const CWatchData& Item(int row) const { return m_items[Clamp(row)]; }
    const std::string& Cell(int row, int column) const;

    // Exponent form for values sent (the controller's feature 36).
    void SetExponentAllowed(bool allowed) { m_exponentAllowed = allowed; }

    // Takes the item into the first free row; false when all rows are in
    // use. The VR items are then marked pending: *readNow says whether
    // anything is to be read.
    bool Add(const CWatchData& item, bool* readNow = nullptr);
    // Marks the VR items and, unless vrOnly, the variables with a process;
    // true when anything was marked.
    bool MarkPending(bool vrOnly);
    // Marks one row's item pending (a read asked for while a pass runs
    // is then taken by the pass); false for a row without an item.
    bool MarkRowPending(int row);
    // The first pending item that can be read, its flag cleared; -1 none.
    int TakeNextPending();
    // The command that reads an item; nothing for an item that cannot be
    // read (no VR index, no variable index or no process).
    static std::optional<SWatchCommand> ReadCommand(const CWatchData& item);

    enum ReplyOutcome { kReplyShown, kReplyPassed, kReplyRejected };
    // One answer from the queue: shown in its item's row (when the row
    // still holds that item), passed over (an answer to a write) or
    // rejected (not the item's kind, or another command), which ends the
    // queue's pass.
    ReplyOutcome TakeReply(const CWatchReplyData& reply);

    // Edits of a row's cells (rows 0 .. rows in use; the first free row
    // takes a new item). Each answers whether the variable tables are to be
    // asked for again.
    bool SetName(int row, const std::string& text);
    bool SetProgram(int row, const std::string& text);
    bool SetProcess(int row, const std::string& text);
    // A typed value: empty changes nothing (no command, no read-back); a
    // number goes out as command 132 (VR items) or, when writeNamed says the
    // controller takes it and the Name, Program and Process cells are
    // filled, 137; else the Value cell is emptied. A text that is not a
    // number sends nothing. *readBack says whether the row is to be read.
    std::optional<SWatchCommand> SetValue(int row, const std::string& text, bool writeNamed, bool* readBack);

    // A program's variable table: every item of that program takes its
    // variable's index, or shows "Unknown variable".
    void ResolveVariableIndices(const editor::VariableTable& table);
    // A process started running program (status 1) or changed (3): its
    // items take the process and are marked; true when a read is to start.
    bool ProcessStarted(const std::string& program, int process, int status);
    // The program's process stopped: the items on it lose it.
    void ProcessStopped(const std::string& program, int process);

    // A cancelled edit: the cell shows the item again.
    void RestoreCell(int row, int column);

private:
    static int Clamp(int row) { return row < 0 ? 0 : (row >= kWatchRows ? kWatchRows - 1 : row); }
    bool IsEditableRow(int row) const { return row >= 0 && row <= m_rowsInUse && row < kWatchRows; }
    bool IsWatched(const std::string& program) const;
    void Reference(const std::string& program);
    void Release(const std::string& program);
    void ShowValue(int row, double value);
    void RefreshRow(int row, bool following);
    std::string FormatValue(double value, bool exponent) const;

    CWatchData m_items[kWatchRows];
    std::string m_cells[kWatchRows][kWatchColumns];
    int m_rowsInUse = 0;
    int m_vrRows = 0;
    bool m_exponentAllowed = false;
    std::map<std::string, int> m_programs; // program -> items that refer to it
};

// The controller command table: every request a tool window makes of the
// controller names one row by its command id. A row holds the command's
// text or printf-style template, how the message's argument text is
// scanned into the template (argument kind), how the controller's answer is
// read (reply kind) and how long the connection waits for it.
//
// The table is filled once, on first use, and is read-only afterwards
// (SetCommandRow is for a module that adds or replaces a row at start-up).
//
// This header includes no Win32 header.
#pragma once

#include "framework/collections.h"
#include "framework/cstring.h"
#include "link/controllermessage.h"

// Rows: command ids 0 to 207.
const int COMMAND_TABLE_SIZE = 208;
const int COMMAND_TEMPLATE_SIZE = 64; // 63 characters and the NUL

// Argument kinds with a form of their own; the other kinds are scan
// patterns of comma-separated values (see FormatControllerCommand).
enum : int {
    ARGUMENT_NONE = 1,    // the template is the command
    ARGUMENT_INTEGER = 2, // the message's integer goes into the template
    ARGUMENT_TEXT = 3,    // the whole argument text goes into the template
    ARGUMENT_RAW = 4,     // raw bytes, written as they stand (command id 8)
    ARGUMENT_REAL = 9,    // one real value, "%f"
};

// Reply kinds.
enum : int {
    REPLY_NONE = 1,         // nothing expected; data is an error
    REPLY_INTEGER = 2,      // "%i"
    REPLY_TEXT = 3,         // the text as received
    REPLY_REAL = 9,         // "%f"
    REPLY_DISCARD = 10,     // read and thrown away
    REPLY_LONG = 11,        // "%ld"
    REPLY_UNSIGNED = 27,    // "%u"
    REPLY_ULONG = 28,       // "%lu"
    REPLY_DIRECTORY = 43,   // "DIR X" listing, one record per program
    REPLY_PROCESSES = 44,   // "PROCESS" listing, one record per process
    REPLY_TABLEVALUES = 45, // comma-separated TABLE values
    REPLY_EDITOR_END = 48,  // text that completes the editor exchange
};

struct CommandTableEntry {
    char m_szTemplate[COMMAND_TEMPLATE_SIZE];
    int m_nReplyKind;
    int m_nArgumentKind;
    int m_nTimeoutFactor;    // multiplies the connection's message time-out
    int m_nExtraSeconds;     // added to the time-out
    int m_nNeedsProgramName; // 1: the requester's program name goes with it
};

// Fills every row; later calls return at once. Called by every lookup, so
// callers need not call it first.
void BuildCommandTable();

// Writes one row; the template is cut to 63 characters. Ids outside the
// table are ignored.
void SetCommandRow(int id, LPCSTR commandTemplate, int argumentKind, int replyKind, int timeoutFactor = 1,
                   int extraSeconds = 0, int needsProgramName = 0);

// The row of a command id; null for an id outside 0..207.
const CommandTableEntry* GetCommandRow(int id);

// What FormatControllerCommand made of a message.
enum CommandFormatResult {
    COMMAND_FORMATTED,   // the command text is ready
    COMMAND_BAD_ID,      // the id is outside the table
    COMMAND_NO_TEXT,     // the row builds no command text (raw bytes, kind 4)
    COMMAND_BAD_KIND,    // the row's argument kind has no form
    COMMAND_PARSE_ERROR, // the argument text does not scan as the kind needs
    COMMAND_EMPTY,       // the built text is empty
};

// The text of message 637, added to the error list on a scan failure.
extern const char* const kCommandParsingErrorText; // "** Parsing error while creating command."

// Builds the command text of a message from its row. The argument of a
// text kind is one text holding all values separated by commas ("3,1500");
// it is scanned with the kind's pattern and the values are put into the
// row's template in the order scanned. Kind 12 ("%s,[%i]") gives
// `RUN "MAIN"` for MAIN and `RUN "MAIN",3` for MAIN,3; an optional value
// after a comma may be left out together with its comma. A template whose
// conversions do not fit the scanned values fails (COMMAND_BAD_KIND)
// instead of formatting garbage.
CommandFormatResult FormatControllerCommand(const ControllerMessage& message, CString& command);

// FormatControllerCommand for the dispatcher: TRUE only for a non-empty
// command text. On a scan failure kCommandParsingErrorText is added to
// errors when it is given (the project window's error list).
BOOL BuildCommandText(const ControllerMessage& message, CString& command, CStringList* errors = nullptr);

// The texts the controller link shows or adds to the error list, by their
// string-table ids; each is taken from the program's resources when a
// language library has it, else the text here.
#pragma once

#include "framework/cstring.h"

enum : unsigned {
    MSG_NULL_MESSAGE = 228,         // "Internal dispatch error: Null message pointer"
    MSG_SEND_FAILED = 231,          // "Send message to controller failed"
    MSG_THREAD_NO_CLASS = 248,      // "Internal error creathing thread, run time class not set"
    MSG_THREAD_CREATE_FAILED = 249, // "Internal error creating thread, object creation failed"
    MSG_THREAD_CAPTION = 250,       // "Create thread"
    MSG_EMPTY = 348,                // "Empty"
    MSG_TIMED_OUT = 369,            // "Connection to controller timed out"
    MSG_CONTROLLER_CAPTION = 371,   // "Controller"
    MSG_ERROR_CAPTION = 501,        // "Error"
    MSG_DIRECTORY_ERROR = 517,      // "** Error in response to DIR command"
    MSG_PROCESS_ERROR = 518,        // "** Error in response to PROCESS command"
    MSG_UNEXPECTED_RESPONSE = 581,  // "** Reply message format invalid"
    MSG_UNEXPECTED_DATA = 810,      // "** Unexpected response from controller"
    MSG_INTEGER_EXPECTED = 813,     // "** Unexpected response from controller, integer expected"
    MSG_UNREQUESTED_REPLY = 819,    // "Unrequested reply received from controller"
    MSG_SYSTEM_TOO_OLD = 861,       // "Controller system software (Ver %.2f) is too old..."
    MSG_SELECT_FAILED = 939,        // "Unable to select program %s"
    MSG_REPLY_ERROR = 999,          // "Error in reply to last command:..."
    MSG_FLOAT_EXPECTED = 1000,      // "Error in reply to last command:...float value..."
    MSG_ECHO_ERROR = 1268,          // "Command echo eror"
    MSG_TRANSMIT_CAPTION = 1371,    // "Transmit"
    MSG_COMMAND_TOO_LONG = 1372,    // "Command too long (%d chans max)\n\"%s\""
};

// The text of a link message id.
CString LinkMessage(unsigned id);

// Shows text under the caption of a link message id in a box of its own
// thread: the caller never waits.
void ShowLinkMessage(const CString& text, unsigned captionId);

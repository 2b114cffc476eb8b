#include "link/linkmessages.h"

#include "framework/prompt.h"
#include "ui/userdialog.h"

namespace {

const char* BuiltIn(unsigned id)
{
    switch (id) {
    case MSG_NULL_MESSAGE:
        return "Internal dispatch error: Null message pointer";
    case MSG_THREAD_NO_CLASS:
        return "Internal error creathing thread, run time class not set";
    case MSG_THREAD_CREATE_FAILED:
        return "Internal error creating thread, object creation failed";
    case MSG_THREAD_CAPTION:
        return "Create thread";
    case MSG_SEND_FAILED:
        return "Send message to controller failed";
    case MSG_EMPTY:
        return "Empty";
    case MSG_TIMED_OUT:
        return "Connection to controller timed out";
    case MSG_CONTROLLER_CAPTION:
        return "Controller";
    case MSG_ERROR_CAPTION:
        return "Error";
    case MSG_DIRECTORY_ERROR:
        return "** Error in response to DIR command";
    case MSG_PROCESS_ERROR:
        return "** Error in response to PROCESS command";
    case MSG_UNEXPECTED_RESPONSE:
        return "** Reply message format invalid";
    case MSG_UNEXPECTED_DATA:
        return "** Unexpected response from controller";
    case MSG_INTEGER_EXPECTED:
        return "** Unexpected response from controller, integer expected";
    case MSG_UNREQUESTED_REPLY:
        return "Unrequested reply received from controller";
    case MSG_SYSTEM_TOO_OLD:
        return "Controller system software (Ver %.2f) is too old\n\nmust be Ver %.2f or later";
    case MSG_SELECT_FAILED:
        return "Unable to select program %s";
    case MSG_REPLY_ERROR:
        return "Error in reply to last command:\n%s\nReply:\n%s\n\nNOTE:   This can be caused by having programs "
               "which output characters using PRINT running whilst Vorta is trying to connect.";
    case MSG_FLOAT_EXPECTED:
        return "Error in reply to last command:\n%s\nReply should be float value:\n%s\n\nNOTE:   This can be caused "
               "by having programs which output characters using PRINT running whilst Vorta is trying to connect.";
    case MSG_ECHO_ERROR:
        return "Command echo eror";
    case MSG_TRANSMIT_CAPTION:
        return "Transmit";
    case MSG_COMMAND_TOO_LONG:
        return "Command too long (%d chans max)\n\"%s\"";
    default:
        return "";
    }
}

} // namespace

CString LinkMessage(unsigned id)
{
    return LoadStringOr(id, BuiltIn(id));
}

void ShowLinkMessage(const CString& text, unsigned captionId)
{
    AfxGetPromptService().PromptDetached(text, LinkMessage(captionId), MB_OK);
}

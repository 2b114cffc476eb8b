#include "editor/linesender.h"

#include <string>

#include "foundation/logline.h"

namespace editor {

void CLineCommandSender::SendLineCommand(int commandId, const std::string& argument)
{
    if (!m_sender.SendSequenceEx(m_hWnd, m_pReply, {CommandItem(commandId, argument.c_str())})) {
        const std::string text = "EditDoc: line command " + std::to_string(commandId) + " \"" + argument + "\" not sent";
        GlobalLogLine(text.c_str(), LOG_STATUS_ERRORS);
    }
}

} // namespace editor

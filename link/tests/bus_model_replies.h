// A reply of the scripted controller as it reaches the command channel, in
// a form a table can hold: each line ends with "\r" (its CR DC4), the end
// mark is "\n" and ends the last line when the reply says so.
#pragma once

#include <string>

#include "link/tests/support/controller_script.h"

inline std::string ChannelText(const ScriptedReply& reply)
{
    if (reply.silent)
        return "(silent)";
    std::string text;
    std::size_t from = 0;
    while (!reply.text.empty()) {
        const std::size_t end = reply.text.find('\n', from);
        const bool last = end == std::string::npos;
        text += reply.text.substr(from, last ? std::string::npos : end - from);
        if (last) {
            if (!reply.markEndsLastLine)
                text += "\r";
            break;
        }
        text += "\r";
        from = end + 1;
    }
    return text + "\n";
}

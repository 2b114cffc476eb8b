// Records the document's line commands in the command table's terms:
// "48:0,xxa" is a replace of line 0 (0x30), 50 an insert (0x32), 49 a
// delete (0x31). onCommand, when set, hears the count after each.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "editor/editdoc.h"

namespace editor {

class RecordingSink : public ILineCommandSink {
public:
    void SendLineCommand(int id, const std::string& argument) override
    {
        commands.push_back(std::to_string(id) + ":" + argument);
        if (onCommand)
            onCommand(commands.size());
    }
    std::vector<std::string> commands;
    std::function<void(size_t count)> onCommand;
};

} // namespace editor

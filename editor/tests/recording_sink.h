// A line command sink for the editor's tests: records each command as
// "id:argument".
#pragma once
#include <string>
#include <vector>

#include "editor/editdoc.h"

namespace editor {

class RecordingSink : public ILineCommandSink {
public:
    void SendLineCommand(int id, const std::string& argument) override
    {
        commands.push_back(std::to_string(id) + ":" + argument);
    }
    std::vector<std::string> commands;
};

} // namespace editor

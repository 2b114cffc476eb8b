// Controller error reports: the input's first byte splits it into the
// command text and the report line. Any pair is read and put into words
// without fault; a report read as a form has its text cut to 80
// characters, and an entry always comes out.
#include <cstddef>
#include <cstdint>
#include <string>

#include "project/controllerreport.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t split = rest.empty() ? 0 : data[0] % (rest.size() + 1);
    const std::string command = rest.substr(0, split);
    const std::string line = rest.substr(split);
    const ControllerReport report = ParseControllerReport(command, line);
    Require(report.text.size() <= 80);
    if (report.kind == ControllerReport::Compile || report.kind == ControllerReport::Link)
        Require(report.line >= 0 || line.find("Line -") != std::string::npos);
    Require(!FormatControllerReport(command, line, report).empty() || report.kind == ControllerReport::None);
    return 0;
}

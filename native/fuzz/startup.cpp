// STARTUP program files: any bytes read into sections and written back give
// a text that reads back to itself, and a section replaced in it leaves
// every other line where it was.
#include <cstddef>
#include <cstdint>
#include <string>

#include "controller/startupfile.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

std::string TextOf(const CStartupFile& file)
{
    std::string text;
    Require(file.FormatText(text) != FALSE);
    return text;
}

// The text without the lines of one section (and without its markers).
std::string Without(const std::string& text, int id)
{
    CStartupFile file("StartUp.bas");
    file.LoadText(text);
    file.ClearSection(id);
    return TextOf(file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the section a tool replaces.
    const int id = data[0] % (STARTUP_SECTION_LAST + 1);
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    CStartupFile file("StartUp.bas");
    file.LoadText(text);
    const std::string once = TextOf(file);
    CStartupFile again("StartUp.bas");
    again.LoadText(once);
    Require(TextOf(again) == once);

    again.ClearSection(id);
    again.AppendLine("generated 1", id);
    again.AppendLine("generated 2", id);
    const std::string edited = TextOf(again);
    Require(edited.find("generated 1\r\ngenerated 2\r\n") != std::string::npos);
    // Taking the section out again gives what the file held without it.
    Require(Without(edited, id) == Without(once, id));
    return 0;
}

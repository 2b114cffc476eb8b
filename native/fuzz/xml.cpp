// The XML item scanner and tag parser over any text, fed line by line; a
// parsed tag formats and parses again to the same text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/xmlparse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t at = 0;
    auto nextLine = [&](CString& line) {
        if (at >= text.size())
            return false;
        size_t lf = text.find('\n', at);
        if (lf == std::string::npos)
            lf = text.size();
        line = CString(std::string_view(text).substr(at, lf - at));
        at = lf + 1;
        return true;
    };
    CXMLScanner scanner;
    CString markup, content;
    int kind = 0;
    int items = 0;
    while (scanner.ReadItem(nextLine, markup, content, kind) && items++ < 100000) {
        if (kind != XML_ITEM_TAG)
            continue;
        CXMLTagInfo tag;
        if (!tag.ParseTag(markup))
            continue;
        const CString formatted = tag.Format();
        CXMLTagInfo copy(tag);
        if (copy.Format() != formatted)
            __builtin_trap();
        tag.FindAttribute("name");
    }
    if (kind == XML_ITEM_ERROR && scanner.GetErrorLine() < 1)
        __builtin_trap();
    return 0;
}

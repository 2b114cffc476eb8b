// Table files: the input's first byte picks the file form (TABLE lines or
// "index:value,value" lines), the rest is the file. Loading any text stores
// a contiguous run; whatever was stored is written as TABLE lines and
// reads back as the same run.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "project/tablelist.h"

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
    const bool separated = (data[0] & 1) != 0;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    CTableList list;
    list.SetExponentAllowed(TRUE);
    if (separated)
        list.LoadSeparatedLines(MakeTextLineReader(text), ':', ',');
    else
        list.LoadLines(MakeTextLineReader(text));
    const int count = list.GetCount();
    Require(count >= 0);
    for (int i = 0; i < count; ++i) {
        // Only finite values of a printable size take the round trip.
        if (!std::isfinite(list.GetValues()[i]) || std::fabs(list.GetValues()[i]) > 1e300)
            return 0;
    }
    CTableList back;
    back.SetExponentAllowed(TRUE);
    Require(back.LoadLines(MakeTextLineReader(list.WriteTableCommands(10, 80))) != FALSE);
    Require(back.GetCount() == count);
    Require(count == 0 || back.GetStart() == list.GetStart());
    return 0;
}

#include "foundation/bytenames.h"

#include <array>
#include <cstdio>

namespace {

// The program's logs have always spelled 16 "SLE" and 26 "SIB"; log readers
// rely on these names, so they stay.
const char* const kControlNames[32] = {
    "<NUL>", "<SOH>", "<STX>", "<ETX>", "<EOT>", "<ENQ>", "<ACK>", "<BEL>", "<BS>",  "<HT>",  "<LF>",
    "<VT>",  "<FF>",  "<CR>",  "<SO>",  "<SI>",  "<SLE>", "<DC1>", "<DC2>", "<DC3>", "<DC4>", "<NAK>",
    "<SYN>", "<ETB>", "<CAN>", "<EM>",  "<SIB>", "<ESC>", "<FS>",  "<GS>",  "<RS>",  "<US>",
};

struct NameTable {
    std::array<std::array<char, 8>, 256> names{};

    NameTable()
    {
        for (int value = 0; value < 256; ++value) {
            char* out = names[static_cast<std::size_t>(value)].data();
            if (value < 32)
                std::snprintf(out, 8, "%s", kControlNames[value]);
            else if (value == 32)
                std::snprintf(out, 8, "<Sp>");
            else if (value < 127)
                std::snprintf(out, 8, "%c", value);
            else if (value == 127)
                std::snprintf(out, 8, "<DEL>");
            else
                std::snprintf(out, 8, "<0x%02x>", value);
        }
    }
};

const NameTable& Names()
{
    static const NameTable table;
    return table;
}

} // namespace

const char* ByteName(BYTE value)
{
    return Names().names[value].data();
}

CString TextToByteNames(LPCSTR text)
{
    CString out;
    for (; text && *text; ++text)
        out += ByteName(static_cast<BYTE>(*text));
    return out;
}

CString BufferToByteNames(const BYTE* bytes, int count)
{
    CString out;
    for (int i = 0; bytes && i < count; ++i)
        out += ByteName(bytes[i]);
    return out;
}

// The ASCII file coder: any text decodes or is refused; any bytes encode
// to a text that decodes to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "link/asciicoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string decoded;
    DecodeAsciiText(input, decoded);

    const std::string encoded = EncodeAsciiText(input);
    std::string back;
    if (!DecodeAsciiText(encoded, back) || back != input)
        __builtin_trap();
    return 0;
}

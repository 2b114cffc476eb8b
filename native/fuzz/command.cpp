// The command table's argument scanner: a command id (the first byte) and
// an argument text (the rest) formatted into a command; whatever the text,
// the result is one of the defined outcomes and a formatted command holds
// no line end the argument did not bring.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "link/commandtable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool built = (BuildCommandTable(), true);
    (void)built;
    if (size < 2)
        return 0;
    ControllerMessage message;
    message.m_nCommandId = data[0] | ((data[1] & 1) << 8); // 0..511, beyond the table too
    const std::string argument(reinterpret_cast<const char*>(data + 2), size - 2);
    if (!argument.empty() && argument[0] == '\x01' && argument.size() >= 5) {
        std::int32_t value;
        std::memcpy(&value, argument.data() + 1, sizeof value);
        message.SetInteger(value);
    } else {
        message.SetArgument(argument.data(), static_cast<int>(argument.size()));
    }
    message.SetProgramName("FUZZ");
    CString command;
    const CommandFormatResult result = FormatControllerCommand(message, command);
    if (result < COMMAND_FORMATTED || result > COMMAND_EMPTY)
        __builtin_trap();
    CStringList errors;
    CString again;
    BuildCommandText(message, again, &errors);
    return 0;
}

// The runtime's line tokeniser and compiler: one command line per input,
// tokenised in the mode the first byte chooses and compiled as the command
// line; the token line de-tokenises too.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "simulator/runtime/compiler.h"
#include "simulator/runtime/lexer.h"
#include "simulator/runtime/power_up.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/tests/fake_host.h"

using namespace qcrt;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static RuntimeEnvironment* environment = [] {
        auto* made = new RuntimeEnvironment;
        InitProcessTable();
        ResetMemory();
        return made;
    }();
    (void)environment;
    if (size < 1 || size > 400)
        return 0;
    const int mode = data[0] & 1;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    std::vector<uint8_t> tokens(512);
    int32_t error = 0;
    const int length = TokeniseLine(text, tokens.data(), static_cast<int>(tokens.size()), mode, error);
    if (length < 1 || length > static_cast<int>(tokens.size()))
        __builtin_trap();
    DetokeniseLine(tokens.data(), 0, length, mode);
    if (error != 0 || mode != kLexerModeBasic)
        return 0;

    ClearCommandLineVariables();
    std::vector<uint8_t> code(1024);
    int codeLength = 0;
    CompileCommandLine(tokens.data(), length, code.data(), static_cast<int>(code.size()), codeLength, 0);
    if (codeLength < 0 || codeLength > static_cast<int>(code.size()))
        __builtin_trap();
    return 0;
}

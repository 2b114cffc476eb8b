// The network keywords: the simulator has no network, so ETHERNET and
// ETHERNET_IP take their arguments and FINS_COMMS checks its own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "simulator/runtime/compiler.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/network_keywords.h"
#include "simulator/runtime/vocabulary.h"
#include "simulator/runtime/tests/store_helpers.h"

using namespace qcrt;

namespace {

struct Outcome {
    float value;
    int32_t error;
};

class NetworkKeywords : public StoreEnvironment {
protected:
    // The keyword's value where a value is expected ("?keyword(...)").
    Outcome Call(const std::string& call)
    {
        std::vector<uint8_t> tokens = TokenLine("?" + call);
        std::vector<uint8_t> code(512);
        int length = 0;
        EXPECT_TRUE(CompileCommandLine(tokens.data(), static_cast<int>(tokens.size()), code.data(),
                                       static_cast<int>(code.size()), length, 0))
            << call << ": compile error " << GetProcessError(0);
        SetProcessError(0, kErrNone);
        int position = 1;
        const float value = EvaluateExpression(code.data(), position, length, 0);
        const Outcome outcome{value, GetProcessError(0)};
        SetProcessError(0, kErrNone);
        return outcome;
    }
};

TEST(NetworkKeywordRows, TokensArgumentCountsAndHandlers)
{
    const struct {
        const char* name;
        int token;
        int minArguments;
        int maxArguments;
        KeywordHandler handler;
    } rows[] = {
        {"ETHERNET", 162, 3, 9, KeywordEthernet},
        {"ETHERNET_IP", 163, 4, 7, KeywordEthernetIp},
        {"FINS_COMMS", 164, 10, 14, KeywordFinsComms},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(FindKeyword(row.name), row.token) << row.name;
        const TokenDescriptor& descriptor = g_Keywords[row.token];
        EXPECT_STREQ(descriptor.name, row.name);
        EXPECT_EQ(descriptor.minArguments, row.minArguments) << row.name;
        EXPECT_EQ(descriptor.maxArguments, row.maxArguments) << row.name;
        EXPECT_EQ(descriptor.handler, row.handler) << row.name;
    }
}

TEST_F(NetworkKeywords, EthernetAndEthernetIpTakeTheirArgumentsWithoutOutput)
{
    EXPECT_EQ(Call("ETHERNET(0,-1,0)").error, kErrNone);
    const Outcome ip = Call("ETHERNET_IP(1,2,3,4)");
    EXPECT_EQ(ip.error, kErrNone);
    EXPECT_EQ(ip.value, -1.0f);
    EXPECT_EQ(Call("ETHERNET_IP(-5,99999,0.5,7,1,2,3)").value, -1.0f);
}

TEST_F(NetworkKeywords, FinsCommsChecksEveryArgumentInTurn)
{
    struct Case {
        const char* arguments;
        bool accepted;
    } cases[] = {
        {"1,0,1,0,130,5,0,0,1018,1000", true},  // VR 1018 + 5 = 1023, the last entry
        {"1,0,1,0,130,5,0,0,1019,1000", false}, // one past it
        {"1,0,1,0,127,5,0,0,0,0", false},       // argument 5 below 128
        {"1,0,1,0,256,5,0,0,0,0", false},
        {"2,0,1,0,130,5,0,0,0,0", false},       // argument 1 is 0 or 1
        {"1,-1,1,0,130,5,0,0,0,0", false},
        {"1,0,256,0,130,5,0,0,0,0", false},
        {"1,0,1,0,130,65536,0,0,0,0", false},   // argument 6 beyond 65535
        {"1,0,1,0,130,0,0,65536,0,0", false},   // argument 8 beyond 65535
        {"1,0,1,0,130,100,0,1,200000,0", true}, // TABLE memory
        {"1,0,1,0,130,0,0,1,256000,0", false},  // past the last TABLE entry
        {"1,0,1,0,130,100,0,1,255900,0", false},
        {"1,0,1,0,130,5,-7,0,0,-9", true},      // arguments 7 and 10 may hold anything
        {"1,0,1,0,130,5,0,0,0,0,1,2,3,255", true},
        {"1,0,1,0,130,5,0,0,0,0,1,2,3,256", false}, // 11 to 14 only when given
        {"1,0,1,0,130,5,0,0,0,0,-1", false},
    };
    for (const Case& c : cases) {
        const Outcome outcome = Call(std::string("FINS_COMMS(") + c.arguments + ")");
        if (c.accepted) {
            EXPECT_EQ(outcome.error, kErrNone) << c.arguments;
            EXPECT_EQ(outcome.value, -1.0f) << c.arguments;
        } else {
            EXPECT_EQ(outcome.error, kErrParameterOutOfRange) << c.arguments;
            EXPECT_NE(outcome.value, -1.0f) << c.arguments;
        }
    }
}

} // namespace

#include "simulator/runtime/comms_keywords.h"

#include <cstring>

#include "simulator/runtime/axis.h"
#include "simulator/runtime/channels.h"
#include "simulator/runtime/checksums.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/motion.h"
#include "simulator/runtime/program_commands.h"
#include "simulator/runtime/own_arguments.h"
#include "simulator/runtime/parameters.h"
#include "simulator/runtime/ports.h"
#include "simulator/runtime/power_up.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/resources.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/system_keywords.h"
#include "simulator/runtime/terminal_keywords.h"
#include "simulator/runtime/tokens.h"
#include "simulator/runtime/typed_arguments.h"
#include "simulator/runtime/values.h"
#include "simulator/runtime/vocabulary.h"

namespace qcrt {

namespace {

constexpr int32_t kErrNetworkTimeout = 89;
constexpr int kResourcePorts = 0;
constexpr int kResourceDriveBus = 7;
constexpr int kCanChannels = 5; // -1 to 3
constexpr int kCanMessageWords = 10;
constexpr int kCanWaitTicks = 500;
constexpr int32_t kLastCanVr = 1013;
constexpr int kTerminalChannel = 3;

struct CommsState {
    int32_t canSettings[kCanChannels];
    int32_t canMessage[kCanMessageWords];
    int32_t fieldbus[kFieldbusBlocks][kFieldbusCells];
    int32_t registration[kAxisCount];
    float encoderRatio[kAxisCount];
    float stepRatio[kAxisCount];
    int32_t disableGroup[kAxisCount]; // -1 none
    int32_t nextGroup;
};

CommsState g_Comms;

bool Failed(int process)
{
    return GetProcessError(process) != 0;
}

void SetResult(int process, float value)
{
    g_ProcessRecords[process].result = value;
}

void Fail(int process, int32_t error)
{
    SetProcessError(process, error);
}

// The arguments the keyword call evaluated.
int CallCount(int process)
{
    return ArgumentCount(process);
}
int32_t CallInteger(int process, int n)
{
    const ArgumentValue* a = GetArgument(process, n);
    return a ? a->integer : 0;
}
float CallValue(int process, int n)
{
    const ArgumentValue* a = GetArgument(process, n);
    return a ? a->value : 0.0f;
}

int32_t* SystemWord(const char* name)
{
    return SystemParameterWord(FindParameter(name));
}

// A modifier behind the bracketed list.
bool OptionalModifier(const uint8_t* text, int& position, int limit, int process)
{
    if (position < limit && text[position] == kTokModifier)
        return EvaluateModifier(text, position, limit, process);
    return true;
}

// The position of an argument expressed in user units as encoder counts of
// an axis.
int32_t ScaledPosition(float value, int axis)
{
    return TruncateToInt32(value * g_AxisRecords[axis].GetFloat(kAxisUnits));
}

// CAN function 7: waits (at most 500 ticks) until the previous message has
// been taken, then leaves this one.
void SendCanMessage(const ArgumentValue* a, int count, int process)
{
    ResourceClaim bus(process, kResourceDriveBus, -1);
    int32_t* debug = SystemWord("SYSTEM_DEBUG");
    if (!debug)
        return;
    int changes = 0;
    int32_t tick = g_SystemMilliseconds.load();
    while ((*debug & 1) != 0) {
        if (Failed(process) || ProcessStopping(process))
            return;
        if (changes >= kCanWaitTicks) {
            Fail(process, kErrNetworkTimeout);
            return;
        }
        WaitForTick(process);
        const int32_t now = g_SystemMilliseconds.load();
        if (now != tick) {
            tick = now;
            ++changes;
        }
    }
    g_Comms.canMessage[0] = a[0].integer;
    for (int n = 2; n < 11; ++n)
        g_Comms.canMessage[n - 1] = n < count ? a[n].integer : 0;
    *debug |= 1;
}

// The bytes of READPACKET's packet as they arrive; -1 when the process was
// stopped meanwhile.
int NextPacketByte(int process)
{
    return WaitInputChar(process);
}

} // namespace

void ResetCommsKeywords()
{
    std::memset(&g_Comms, 0, sizeof g_Comms);
    for (int32_t& setting : g_Comms.canSettings)
        setting = -1;
    for (int32_t& group : g_Comms.disableGroup)
        group = -1;
}

int32_t FieldbusCell(int block, int cell)
{
    if (block < 0 || block >= kFieldbusBlocks || cell < 0 || cell >= kFieldbusCells)
        return 0;
    return g_Comms.fieldbus[block][cell];
}

int32_t RegistrationControl(int axis)
{
    return axis >= 0 && axis < kAxisCount ? g_Comms.registration[axis] : 0;
}

// ---------------------------------------------------------------- CAN

void KeywordCan(const uint8_t* text, int& position, int limit, int process)
{
    TypedElement elements[11];
    for (TypedElement& e : elements)
        e = {kTypedInteger, 0.0f, 0.0f};
    ArgumentValue a[11] = {};
    const int count = ReadTypedArguments(text, position, limit, process, 11, elements, a);
    if (count == 0)
        return;
    int32_t channel = a[0].integer == 65535 ? -1 : a[0].integer;
    const int32_t function = a[1].integer;
    if (channel < -1 || channel > 3 || function < 0 || function > 9) {
        Fail(process, kErrParameterOutOfRange);
        return;
    }
    a[0].integer = channel;
    switch (function) {
    case 0:
        if (CountInRange(count, 3, 3, process))
            SetResult(process, 0.0f); // no CAN controller to read
        return;
    case 1:
        CountInRange(count, 4, 4, process);
        return;
    case 2:
        if (!CountInRange(count, 2, 3, process))
            return;
        if (count == 2) {
            SetResult(process, static_cast<float>(g_Comms.canSettings[channel + 1]));
        } else if (a[2].integer < 0 || a[2].integer > 4) {
            Fail(process, kErrParameterOutOfRange);
        } else {
            g_Comms.canSettings[channel + 1] = a[2].integer;
        }
        return;
    case 3:
    case 4:
        if (CountInRange(count, 3, 3, process))
            SetResult(process, 0.0f);
        return;
    case 5:
        if (CountInRange(count, 5, 6, process) && (a[4].integer < 0 || a[4].integer > 8))
            Fail(process, kErrParameterOutOfRange);
        return;
    case 6:
        if (!CountInRange(count, 4, 4, process))
            return;
        if (a[3].integer < 0 || a[3].integer > kLastCanVr)
            Fail(process, kErrParameterOutOfRange);
        else
            WriteVr(a[3].integer, 0.0f, process);
        return;
    case 7:
        if (CountInRange(count, 3, 11, process))
            SendCanMessage(a, count, process);
        return;
    case 8:
        if (count > 6 && (a[6].integer < 0 || a[6].integer > kLastCanVr)) {
            Fail(process, kErrParameterOutOfRange);
            return;
        }
        if (CountInRange(count, 7, 7, process))
            SetResult(process, 0.0f); // no message received
        return;
    default:
        if (CountInRange(count, 8, 10, process))
            SetResult(process, 0.0f);
        return;
    }
}

// ---------------------------------------------------------------- PROFIBUS

void KeywordProfibus(const uint8_t*, int&, int, int process)
{
    const int count = CallCount(process);
    if (count < 3) {
        Fail(process, kErrCommaExpected);
        return;
    }
    const int32_t block = CallInteger(process, 0);
    const int32_t op = CallInteger(process, 1);
    const int32_t cell = CallInteger(process, 2);
    if (block < 0 || block >= kFieldbusBlocks || (op != 0 && op != 1)) {
        Fail(process, kErrParameterOutOfRange);
        return;
    }
    if (!CountInRange(count, op == 0 ? 3 : 4, op == 0 ? 3 : 4, process))
        return;
    // Nothing of the simulator checks a cell number, so the memory does.
    if (cell < 0 || cell >= kFieldbusCells) {
        Fail(process, kErrParameterOutOfRange);
        return;
    }
    if (op == 0)
        SetResult(process, static_cast<float>(g_Comms.fieldbus[block][cell] & 0xFF));
    else
        g_Comms.fieldbus[block][cell] = CallInteger(process, 3);
}

// ---------------------------------------------------------------- SETCOM

void KeywordSetcom(const uint8_t*, int&, int, int process)
{
    const int count = CallCount(process);
    const int32_t baud = CallInteger(process, 0);
    const int32_t dataBits = CallInteger(process, 1);
    const int32_t stopBits = CallInteger(process, 2);
    const int32_t parity = CallInteger(process, 3);
    const int32_t port = count > 4 ? CallInteger(process, 4) : 0;
    const int32_t mode = count > 5 ? CallInteger(process, 5) : 1;
    const int32_t extra = count > 6 ? CallInteger(process, 6) : 0;
    if (port != 0) {
        Fail(process, kErrParameterOutOfRange);
        return;
    }
    RuntimeSleep(100);
    switch (mode) {
    case 0:
    case 1:
    case 4:
    case 7: {
        const bool baudKnown =
            baud == 1200 || baud == 2400 || baud == 4800 || baud == 9600 || baud == 19200 || baud == 38400;
        if (!baudKnown || (dataBits != 7 && dataBits != 8) || (stopBits != 1 && stopBits != 2) || parity < 0 ||
            parity > 2) {
            Fail(process, kErrParameterOutOfRange);
            return;
        }
        // The port is the link window: the line settings have nothing to
        // set, the mode does.
        InitPort(port, mode);
        PortRecord* p = GetPortRecord(port);
        if (!p)
            return;
        if (mode == 1)
            p->flags |= kPortFlowControl;
        else
            p->flags &= ~kPortFlowControl;
        p->extra = extra;
        return;
    }
    case 2:
    case 3:
        return;
    default:
        Fail(process, kErrParameterOutOfRange);
        return;
    }
}

// ---------------------------------------------------------------- SEND

void KeywordSend(const uint8_t*, int&, int, int process)
{
    const int count = CallCount(process);
    const int32_t window = CallInteger(process, 0);
    if (window < 10 || window > 24) {
        Fail(process, kErrParameterOutOfRange);
        return;
    }
    ProcessRecord& r = g_ProcessRecords[process];
    ChannelScope output(r.outputChannel, kTerminalChannel);
    ResourceClaim terminal(process, kResourceTerminalOutput, -1);
    const int base = 8 * (window - 9);
    const int32_t type = CallInteger(process, 1);
    if (type == 1) {
        if (!CountInRange(count, 4, 4, process))
            return;
        const int32_t vr = CallInteger(process, 2);
        if (vr < 0 || vr >= kVrCount) {
            Fail(process, kErrParameterOutOfRange);
            return;
        }
        const int32_t v = TruncateToInt32(CallValue(process, 3));
        uint8_t message[15] = {};
        message[0] = static_cast<uint8_t>(130 + base);
        uint8_t* d = message + 1;
        d[0] = static_cast<uint8_t>(vr & 0x7F);
        d[1] = static_cast<uint8_t>(((v & 0x3F) * 2) | ((vr >> 7) & 1));
        d[2] = static_cast<uint8_t>((v >> 6) & 0x7F);
        d[3] = static_cast<uint8_t>((v >> 13) & 0x7F);
        d[4] = static_cast<uint8_t>((v >> 20) & 0x7F);
        d[5] = static_cast<uint8_t>((v >> 27) & 0x7F);
        uint32_t check = 0xFFFFFFFFu;
        for (int n = 0; n < 11; ++n)
            check ^= d[n];
        message[12] = static_cast<uint8_t>(check & 0x7F);
        message[13] = static_cast<uint8_t>((check >> 8) & 0x7F);
        message[14] = static_cast<uint8_t>(128 + base);
        EchoRawBytes(process, message, sizeof message);
        return;
    }
    if (type == 2) {
        // SEND(n, 2, number): the number selects what the window shows.
        if (!CountInRange(count, 3, 3, process))
            return;
        const int32_t number = CallInteger(process, 2);
        if (number < 10 || number > 24) {
            Fail(process, kErrParameterOutOfRange);
            return;
        }
        const uint8_t message[3] = {static_cast<uint8_t>(131 + base), static_cast<uint8_t>(number - 9),
                                    static_cast<uint8_t>(128 + base)};
        EchoRawBytes(process, message, sizeof message);
        return;
    }
    Fail(process, kErrParameterOutOfRange);
}

// ---------------------------------------------------------------- READPACKET

void KeywordReadPacket(const uint8_t* text, int& position, int limit, int process)
{
    ++position; // the token
    if (!OpenArgumentList(text, position, limit, process))
        return;
    // port, vr, count [, format], each tested as soon as it is evaluated.
    int32_t values[4] = {0, 0, 0, 0};
    int given = 0;
    for (;;) {
        if (given >= 4) {
            Fail(process, kErrCloseBracketExpected);
            return;
        }
        const int32_t v = TruncateToInt32(EvaluateExpression(text, position, limit, process));
        if (Failed(process))
            return;
        bool valid = true;
        switch (given) {
        case 0:
            valid = v == 0 || v == 1;
            break;
        case 1:
            valid = v >= 0 && v < kVrCount;
            break;
        case 2:
            valid = v >= 0 && values[1] + v <= kVrCount - 1;
            break;
        default:
            valid = v >= 0 && v <= 4;
            break;
        }
        if (!valid) {
            Fail(process, kErrParameterOutOfRange);
            return;
        }
        values[given++] = v;
        const ListStep step = StepListSeparator(text, position, limit, process);
        if (step == ListStep::End)
            break;
        if (step == ListStep::Error)
            return;
    }
    if (given < 3) {
        Fail(process, kErrCommaExpected);
        return;
    }
    const int32_t port = values[0];
    const int32_t vr = values[1];
    const int32_t count = values[2];
    const int32_t format = values[3];
    if (format == 3)
        return;

    ProcessRecord& r = g_ProcessRecords[process];
    ChannelScope input(r.inputChannel, port);
    ResourceClaim portClaim(process, kResourcePorts, port);
    static constexpr int kBytesPerValue[5] = {1, 2, 4, 0, 4};
    const int bytesPerValue = kBytesPerValue[format];
    const bool sevenBit = format == 4;
    int start = -1; // a start byte already read (format 4)
    for (;;) {
        uint32_t crc = 0;
        bool restart = false;
        if (sevenBit && count > 0) {
            while (start < 0 || (start & 0x80) == 0) {
                start = NextPacketByte(process);
                if (start < 0)
                    break;
            }
        }
        for (int32_t i = 0; i < count && !restart; ++i) {
            uint32_t value = 0;
            for (int b = 0; b < bytesPerValue; ++b) {
                int c;
                if (sevenBit && i == 0 && b == 0) {
                    c = start;
                } else {
                    c = NextPacketByte(process);
                    if (c >= 0 && sevenBit && (c & 0x80) != 0) {
                        start = c;
                        restart = true;
                        break;
                    }
                }
                if (c < 0) {
                    WriteVr(vr + count, -1.0f, process);
                    return;
                }
                const uint8_t byte = static_cast<uint8_t>(c);
                crc = Crc16Update(crc, &byte, 1);
                value = sevenBit ? (value << 7) | (byte & 0x7Fu) : (value << 8) | byte;
            }
            if (restart)
                break;
            const float stored =
                format == 2 ? static_cast<float>(static_cast<int32_t>(value)) : static_cast<float>(value);
            WriteVr(vr + i, stored, process);
        }
        if (restart)
            continue;
        int check[2] = {-1, -1};
        for (int k = 0; k < 2 && !restart; ++k) {
            check[k] = NextPacketByte(process);
            if (check[k] < 0) {
                WriteVr(vr + count, -1.0f, process);
                return;
            }
            if (sevenBit && (check[k] & 0x80) != 0) {
                start = check[k];
                restart = true;
            }
        }
        if (restart)
            continue;
        const uint32_t mask = sevenBit ? 0x7F7Fu : 0xFFFFu;
        const uint32_t received = static_cast<uint32_t>(check[0]) * 256u + static_cast<uint32_t>(check[1]);
        WriteVr(vr + count, static_cast<float>((Crc16Finish(crc) & mask) ^ received), process);
        return;
    }
}

// ---------------------------------------------------------------- COORDINATOR_DATA

void Coordinator(const uint8_t*, int&, int, int process)
{
    const int count = CallCount(process);
    const int32_t function = CallInteger(process, 0);
    int32_t* watchdog = SystemWord("WDOG");
    switch (function) {
    case 0:
        if (CountInRange(count, 1, 1, process) && watchdog)
            *watchdog = 0;
        return;
    case 1:
        // COORDINATOR_DATA(1 [, on]): the optional second argument is 0 or 1.
        if (!CountInRange(count, 1, 2, process))
            return;
        if (count == 2 && CallInteger(process, 1) != 0 && CallInteger(process, 1) != 1) {
            Fail(process, kErrParameterOutOfRange);
            return;
        }
        if (watchdog)
            *watchdog = 0;
        return;
    case 2:
        if (!CountInRange(count, 1, 1, process))
            return;
        if (watchdog)
            *watchdog = 0;
        SetResult(process, CheckMemory() ? 0.0f : 1.0f);
        return;
    case 3:
    case 5:
        if (CountInRange(count, 1, 1, process))
            SetResult(process, 0.0f);
        return;
    case 4: {
        if (!CountInRange(count, 1, 1, process))
            return;
        const uint8_t* flash = GetFlashImage();
        SetResult(process, flash ? static_cast<float>(Crc16(flash, GetFlashSize())) : 0.0f);
        return;
    }
    case 7:
        if (!CountInRange(count, 1, 2, process))
            return;
        if (count == 2)
            g_RuntimeModeWord = static_cast<uint32_t>(CallInteger(process, 1));
        else
            SetResult(process, static_cast<float>(g_RuntimeModeWord));
        return;
    default:
        Fail(process, kErrParameterOutOfRange);
        return;
    }
}

// ---------------------------------------------------------------- PWM_CONTROL

void KeywordPwmControl(const uint8_t*, int&, int, int process)
{
    const int count = CallCount(process);
    const int32_t function = CallInteger(process, 0);
    auto exactly = [&](int n) {
        if (count != n) {
            Fail(process, kErrParameterOutOfRange);
            return false;
        }
        return true;
    };
    unsigned firstPause = 0;
    switch (function) {
    case 0:
    case 1:
    case 5:
        if (!exactly(1))
            return;
        break;
    case 2:
        if (!exactly(5))
            return;
        if (CallInteger(process, 4) < 0 || CallInteger(process, 4) >= kAxisCount) {
            Fail(process, kErrParameterOutOfRange);
            return;
        }
        break;
    case 3: {
        if (!CountInRange(count, 5, 5, process))
            return;
        const int32_t span = CallInteger(process, 4) - CallInteger(process, 3);
        if (span < 0 || span > 256) {
            Fail(process, kErrParameterOutOfRange);
            return;
        }
        break;
    }
    case 4:
    case 7:
        if (!exactly(function == 4 ? 1 : 2))
            return;
        firstPause = 1;
        break;
    case 6:
        if (!exactly(1))
            return;
        firstPause = 4;
        break;
    default:
        Fail(process, kErrParameterOutOfRange);
        break;
    }
    if (firstPause)
        RuntimeSleep(firstPause);
    RuntimeSleep(2);
}

void KeywordIgnoredBus(const uint8_t* text, int& position, int limit, int process)
{
    // No such bus in the simulator: the arguments are evaluated and dropped.
    OwnArguments args(text, position, limit, process);
}

// ---------------------------------------------------------------- axis side

void KeywordRegist(const uint8_t* text, int& position, int limit, int process)
{
    static constexpr int32_t kControl[14] = {0,      0x4004, 0x4006, 0x4005, 0x4007, 0x0005, 0x4805,
                                             0x4705, 0x4807, 0x4C07, 0x4845, 0x4745, 0x4847, 0x4C47};
    const TypedElement elements[3] = {{kTypedInteger, 0, 0}, {kTypedFloat, 0, 0}, {kTypedFloat, 0, 0}};
    ArgumentValue a[3] = {};
    const int count = ReadTypedArguments(text, position, limit, process, 3, elements, a);
    if (count == 0 || !OptionalModifier(text, position, limit, process))
        return;
    const int32_t mode = a[0].integer;
    const int32_t low = mode & 0xFF;
    if (low < 1 || low > 13) {
        Fail(process, kErrParameterOutOfRange);
        return;
    }
    const int axis = StatementAxisOf(process);
    int32_t control = kControl[low] + (((mode >> 8) & 3) << 4);
    if (g_AxisRecords[axis].GetInt(kAxisType) == 12)
        control += 8;
    if (count > 1)
        WriteParameter(FindParameter("OPEN_WIN"), a[1].value, process);
    if (count > 2 && !Failed(process))
        WriteParameter(FindParameter("CLOSE_WIN"), a[2].value, process);
    if (!Failed(process))
        g_Comms.registration[axis] = control;
}

void KeywordPswitch(const uint8_t* text, int& position, int limit, int process)
{
    const TypedElement elements[7] = {
        {kTypedInteger | kTypedLow | kTypedHigh, 0, 15},
        {kTypedInteger | kTypedLow | kTypedHigh, 0, 3},
        {kTypedInteger | kTypedLow | kTypedHigh, 0, 23},
        {kTypedInteger | kTypedLow | kTypedHigh, 0, 31},
        {kTypedInteger, 0, 0},
        {kTypedFloat, 0, 0},
        {kTypedFloat, 0, 0},
    };
    ArgumentValue a[7] = {};
    const int count = ReadTypedArguments(text, position, limit, process, 7, elements, a);
    if (count == 0) {
        if (GetProcessError(process) == kErrParameterOutOfRange)
            SetProcessError(process, kErrEvaluation);
        return;
    }
    if (!OptionalModifier(text, position, limit, process))
        return;
    const int sw = a[0].integer;
    const int32_t enable = a[1].integer;
    if (!(count == 7 || (count == 2 && enable == 0))) {
        Fail(process, kErrEvaluation);
        return;
    }
    PositionSwitch& s = g_PositionSwitches[sw];
    if (enable == 0) {
        s.inUse = 0;
        g_PositionSwitchWord &= ~(1u << sw);
        return;
    }
    const int axis = a[2].integer;
    const int32_t on = ScaledPosition(a[5].value, axis);
    const int32_t off = ScaledPosition(a[6].value, axis);
    s.low = on < off ? on : off;
    s.high = on < off ? off : on;
    s.output = a[3].integer;
    s.axis = axis;
    s.inUse = 1;
    g_PositionSwitchWord |= 1u << sw;
}

void KeywordHwPswitch(const uint8_t* text, int& position, int limit, int process)
{
    const TypedElement elements[5] = {
        {kTypedInteger | kTypedLow | kTypedHigh, 0, 2},
        {kTypedInteger | kTypedLow | kTypedHigh, 0, 1},
        {kTypedInteger, 0, 0},
        {kTypedInteger, 0, 0},
        {kTypedInteger, 0, 0},
    };
    ArgumentValue a[5] = {};
    const int count = ReadTypedArguments(text, position, limit, process, 5, elements, a);
    if (count == 0) {
        if (GetProcessError(process) == kErrParameterOutOfRange)
            SetProcessError(process, kErrEvaluation);
        return;
    }
    const int32_t mode = a[0].integer;
    if (count != (mode == 1 ? 5 : 1)) {
        Fail(process, kErrEvaluation);
        return;
    }
    if (count > 2) {
        if (!OptionalModifier(text, position, limit, process))
            return;
        const int64_t span = static_cast<int64_t>(a[4].integer) - a[3].integer;
        if (span < 0 || span > 256) {
            Fail(process, kErrParameterOutOfRange);
            return;
        }
    }
    if (mode == 2)
        RuntimeSleep(5);
}

void EncoderRatio(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    if (!args.Ok() || !CountInRange(args.Count(), 2, 2, process) || !OptionalModifier(text, position, limit, process))
        return;
    const float num = args[0].value;
    const float den = args[1].value;
    if (!(den >= 1.0f) || !(num / den <= 100.0f && num / den >= -100.0f)) {
        Fail(process, kErrParameterOutOfRange);
        return;
    }
    g_Comms.encoderRatio[StatementAxisOf(process)] = num / den;
}

void KeywordStepRatio(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    if (!args.Ok() || !CountInRange(args.Count(), 2, 2, process) || !OptionalModifier(text, position, limit, process))
        return;
    const float num = args[0].value;
    const float den = args[1].value;
    if (!(den >= 1.0f) || !(num < 128.0f) || !(num / den <= 100.0f)) {
        Fail(process, kErrParameterOutOfRange);
        return;
    }
    g_Comms.stepRatio[StatementAxisOf(process)] = num / den;
}

void EncoderRead(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    if (!args.Ok() || !CountInRange(args.Count(), 1, 1, process) || !OptionalModifier(text, position, limit, process))
        return;
    if (args[0].integer < 0 || args[0].integer > 65535) {
        Fail(process, kErrParameterOutOfRange);
        return;
    }
    SetResult(process, -1.0f); // no encoder interface answers
}

void EncoderWrite(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    if (!args.Ok() || !CountInRange(args.Count(), 2, 2, process) || !OptionalModifier(text, position, limit, process))
        return;
    if (args[0].integer < 0 || args[0].integer > 65535) {
        Fail(process, kErrParameterOutOfRange);
        return;
    }
    SetResult(process, -1.0f);
}

void DisableGroup(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    if (!args.Ok() || !CountInRange(args.Count(), 1, 24, process))
        return;
    if (args.Count() == 1 && args[0].integer == -1) {
        for (int32_t& group : g_Comms.disableGroup)
            group = -1;
        return;
    }
    // Every axis is checked before any joins the group.
    for (int n = 0; n < args.Count(); ++n) {
        const int32_t axis = args[n].integer;
        bool repeated = false;
        for (int k = 0; k < n; ++k)
            repeated = repeated || args[k].integer == axis;
        if (axis < 0 || axis >= kAxisCount || g_Comms.disableGroup[axis] >= 0 || repeated) {
            Fail(process, kErrParameterOutOfRange);
            return;
        }
    }
    const int32_t group = g_Comms.nextGroup++;
    for (int n = 0; n < args.Count(); ++n)
        g_Comms.disableGroup[args[n].integer] = group;
}

} // namespace qcrt

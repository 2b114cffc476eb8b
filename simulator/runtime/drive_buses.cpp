#include "simulator/runtime/drive_buses.h"

#include <atomic>
#include <bit>
#include <cstring>
#include <initializer_list>

#include "simulator/runtime/axis.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/own_arguments.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/scheduler.h"

namespace qcrt {

namespace {

RingImage g_RingImages[kRingSlots];
RingRecord g_RingRecords[kRingSlots];
std::atomic<RingStationModel> g_StationModel{nullptr};

constexpr int kSlotLast = 23;
constexpr int kAccessWord = 2 * kRingRegisters - 1;

// Registers of the ring interface.
constexpr int kRegCommand = 0;
constexpr int kRegRate = 1;
constexpr int kRegPower = 2;
constexpr int kRegHandshake = 4;
constexpr int kRegPhase = 10;
constexpr int kRegAddressA = 11;
constexpr int kRegPhaseMode = 12;
constexpr int kRegStationA = 16;
constexpr int kRegAddressB = 20;
constexpr int kRegStationB = 24;
constexpr int kRegPhaseTiming = 25;
constexpr int kRegTelegrams = 29;
constexpr int kRegLength = 183;
constexpr int kRegStationBits = 185;
constexpr int kRegChannels = 291;
constexpr int kChannelBlock = 38;

// Words of a service-channel block.
constexpr int kWordControl = 0;
constexpr int kWordAck = 1;
constexpr int kWordAttrA = 2;
constexpr int kWordAttrB = 3;
constexpr int kWordProtocol = 4;
constexpr int kWordData = 5;
constexpr int kWordReply = 21;

constexpr uint32_t kControlToggle = 0x01;
constexpr uint32_t kControlReady = 0x80;
constexpr uint32_t kControlSlaveError = 0x1000;
constexpr uint32_t kAckBusy = 0x02;
constexpr uint32_t kProtocolError = 0xE00;

constexpr int32_t kCommandIdle = 27;
constexpr int32_t kCommandSend = 11;
constexpr int kStepPeriods = 1000;
constexpr int kCommandPeriods = 2;
constexpr int kRingTestPeriods = 10;
constexpr int kRingTestAttempts = 3;
constexpr int32_t kSelectControl = 78;
constexpr int32_t kPlainAttributes = 4112;
constexpr int32_t kLongAttributes = 4368;
constexpr int32_t kDefaultProcedureWait = 10000;

constexpr int32_t kVrLast = 1023;

// ---------------------------------------------------------------- registers

class Ring {
public:
    Ring(int slot, int process) : m_slot(slot), m_process(process), m_image(g_RingImages[slot]), m_record(g_RingRecords[slot]) {}

    int Slot() const { return m_slot; }
    int Process() const { return m_process; }
    RingRecord& Record() { return m_record; }

    uint32_t Read(int reg) const { return m_image.words[2 * reg] & 0xFFFF; }
    void Write(int reg, uint32_t value) { m_image.words[2 * reg] = value; }

    // A locked access: no process switch between setting the access word and
    // clearing it again.
    uint32_t LockedRead(int reg)
    {
        NoSuspendSection section;
        m_image.words[kAccessWord] = 1;
        const uint32_t value = Read(reg);
        m_image.words[kAccessWord] = 0;
        return value;
    }
    void LockedWrite(int reg, uint32_t value)
    {
        NoSuspendSection section;
        m_image.words[kAccessWord] = 1;
        Write(reg, value);
        m_image.words[kAccessWord] = 0;
    }

    void SetControl(int32_t control)
    {
        if (m_record.control == control)
            return;
        m_record.control = control;
        m_image.words[kAccessWord] = static_cast<uint32_t>(control);
    }

    uint32_t Phase() const { return Read(kRegPhase) & 0xFF; }

    // Waits up to a number of servo periods, taken from the budget, until
    // the condition holds. False when it still does not (or the process is
    // being stopped).
    template <typename Condition> bool WaitUntil(Condition condition, int& budget)
    {
        while (!condition()) {
            if (budget <= 0 || ProcessStopping(m_process))
                return false;
            WaitPeriod();
            --budget;
        }
        return true;
    }

    void WaitPeriod()
    {
        WaitForTick(m_process);
        if (RingStationModel model = g_StationModel.load())
            model(m_slot);
    }

    void RingCommand(int32_t command)
    {
        auto acknowledged = [this] { return (Read(kRegHandshake) & 0x10) != 0; };
        LockedWrite(kRegHandshake, 16);
        int budget = kCommandPeriods;
        WaitUntil(acknowledged, budget);
        Write(kRegCommand, static_cast<uint32_t>(command));
        LockedWrite(kRegHandshake, 16);
        budget = kCommandPeriods;
        WaitUntil(acknowledged, budget);
    }

    // Word w of the service-channel block of station entry s.
    uint32_t Word(int s, int w) const { return Read(kRegChannels + kChannelBlock * s + w); }
    void SetWord(int s, int w, uint32_t value) { Write(kRegChannels + kChannelBlock * s + w, value & 0xFFFF); }

private:
    int m_slot;
    int m_process;
    RingImage& m_image;
    RingRecord& m_record;
};

void ResetStationList(RingRecord& record)
{
    for (int n = 0; n < kRingStations; ++n)
        record.entries[n] = RingStation{0, 0, -1, 0, -1, 0};
    record.stations = 0;
    record.lengthFactor = 4;
    record.control = 255;
}

// ---------------------------------------------------------------- service channel

// The waits and checks that end a service-channel step: 0 or 87 to 90.
int32_t AwaitStep(Ring& ring, int s)
{
    int budget = kStepPeriods;
    if (!ring.WaitUntil([&] { return (ring.Word(s, kWordControl) & kControlReady) != 0; }, budget))
        return kErrMaster;
    if (!ring.WaitUntil([&] { return (ring.Word(s, kWordAck) & kAckBusy) == 0; }, budget))
        return kErrNetworkTimeout;
    if (!ring.WaitUntil([&] { return ((ring.Word(s, kWordAck) ^ ring.Word(s, kWordControl)) & kControlToggle) == 0; },
                        budget))
        return kErrNetworkTimeout;
    if (ring.Word(s, kWordControl) & kControlSlaveError)
        return kErrSlave;
    if (ring.Word(s, kWordProtocol) & kProtocolError)
        return kErrNetworkProtocol;
    return 0;
}

struct Step {
    int32_t control;
    int32_t attrA;
    int32_t attrB;
    const uint32_t* data = nullptr;
    int values = 0; // 32-bit data values
};

int32_t RunStep(Ring& ring, int s, const Step& step)
{
    const bool commands = ring.Phase() <= 2;
    if (commands)
        ring.RingCommand(kCommandIdle);
    if ((ring.Word(s, kWordControl) & kControlReady) == 0)
        ring.SetWord(s, kWordControl, static_cast<uint32_t>(step.control) & ~kControlReady);
    ring.SetWord(s, kWordAttrA, static_cast<uint32_t>(step.attrA));
    ring.SetWord(s, kWordAttrB, static_cast<uint32_t>(step.attrB));
    ring.SetWord(s, kWordProtocol, 0);
    ring.SetWord(s, kWordReply, 0);
    for (int n = 0; n < step.values; ++n) {
        ring.SetWord(s, kWordData + 2 * n, step.data[n]);
        ring.SetWord(s, kWordData + 2 * n + 1, step.data[n] >> 16);
    }
    const uint32_t toggle = ~ring.Word(s, kWordAck) & kControlToggle;
    ring.SetWord(s, kWordControl, (static_cast<uint32_t>(step.control) & ~kControlToggle) | toggle);
    if (commands)
        ring.RingCommand(kCommandSend);
    return AwaitStep(ring, s);
}

// The select step that begins every transfer: the IDN as its one value.
int32_t Select(Ring& ring, int s, int32_t idn)
{
    const uint32_t data[] = {static_cast<uint32_t>(idn)};
    return RunStep(ring, s, {kSelectControl, 0, kPlainAttributes, data, 1});
}

void CloseChannel(Ring& ring, int s, bool commands, bool preparation)
{
    if (commands)
        ring.RingCommand(kCommandIdle);
    ring.SetWord(s, kWordAttrA, 0);
    ring.SetWord(s, kWordAttrB, kPlainAttributes);
    ring.SetWord(s, kWordProtocol, 0);
    ring.SetWord(s, kWordReply, 0);
    ring.SetWord(s, kWordData, 0);
    ring.SetWord(s, kWordControl, 0xC6 | (ring.Word(s, kWordAck) & kControlToggle));
    if (preparation) {
        ring.RingCommand(kCommandSend);
        AwaitStep(ring, s);
        ring.RingCommand(kCommandIdle);
    } else {
        AwaitStep(ring, s);
    }
}

void PrepareChannel(Ring& ring, RingStation& station)
{
    if (ring.Phase() != 2)
        return;
    const int s = station.index;
    ring.Write(kRegAddressA, static_cast<uint32_t>(station.address + 0x1800));
    ring.Write(kRegAddressB, static_cast<uint32_t>(station.address + 0x5000));
    for (int reg : {kRegStationA, kRegStationB})
        ring.Write(reg, (ring.Read(reg) & ~0x3800u) | (static_cast<uint32_t>(s) << 11));
    if (station.prepared)
        return;
    station.prepared = 1;
    ring.SetWord(s, kWordAck, 1);
    CloseChannel(ring, s, true, true);
}

// ---------------------------------------------------------------- keyword helpers

struct Arguments {
    int count;
    int32_t values[17];

    int32_t operator()(int n) const { return n >= 1 && n <= count && n <= 17 ? values[n - 1] : 0; }
};

bool Fail(int process, int32_t error)
{
    SetProcessError(process, error);
    return false;
}

// Error 17 for fewer arguments than low, 16 for more than high.
bool CountWithin(int count, int low, int high, int process)
{
    if (count < low)
        return Fail(process, kErrCommaExpected);
    if (count > high)
        return Fail(process, kErrCloseBracketExpected);
    return true;
}

bool Within(int32_t value, int32_t low, int32_t high)
{
    return value >= low && value <= high;
}

void SetResult(int process, float value)
{
    if (ProcessRecord* record = GetProcessRecord(process))
        record->result = value;
}

bool OnCommandChannel(int process)
{
    const ProcessRecord* record = GetProcessRecord(process);
    return record && record->outputChannel == 8;
}

// A VR argument receives what the bus delivered: -1 prints it, 0 to 1023
// store it into VR(n), anything else is error 19.
void DeliverToVr(int32_t vr, int32_t value, int process)
{
    if (vr == -1)
        PrintFormatted(process, "%i%c", value, kEndOfLineCr);
    else if (Within(vr, 0, kVrLast))
        WriteVr(vr, static_cast<float>(value), process);
    else
        Fail(process, kErrParameterOutOfRange);
}

// The slot's ring, or error 19 for a slot without an image.
bool RingSlot(int slot, int process)
{
    return Within(slot, 0, kRingSlots - 1) || Fail(process, kErrParameterOutOfRange);
}

// ---------------------------------------------------------------- SERCOS functions

void InitialiseRing(Ring& ring, int count, const Arguments& arg)
{
    static const uint32_t kPowerBits[] = {0, 1, 3, 7, 15, 31, 63};
    RingRecord& record = ring.Record();
    ResetStationList(record);
    ring.SetControl(0);

    uint32_t rateBits = 0;
    if (count >= 4) {
        switch (arg(4)) {
        case 2:
            rateBits = 0x8040;
            break;
        case 4:
            rateBits = 0x8000;
            break;
        case 8:
            rateBits = 0x40;
            break;
        default:
            break;
        }
    }
    ring.LockedWrite(kRegRate, 2);
    ring.LockedWrite(kRegRate, 0x4A0 | rateBits);
    ring.LockedWrite(kRegPower, count >= 3 ? 0x380 | kPowerBits[arg(3)] : 0x387);
    struct Preset {
        int reg;
        uint32_t value;
    };
    static const Preset kPresets[] = {
        {3, 256},   {4, 0xFFFF}, {6, 0},      {7, 0},  {8, 0},      {9, 0},  {10, 0}, {12, 3427},
        {13, 65290}, {14, 4383}, {15, 2000},  {16, 1000}, {19, 1},  {20, 0}, {21, 0xFFFC},
        {22, 8},    {23, 0xFFFF}, {24, 0},    {25, 201}, {26, 3},   {27, 10}, {28, 0}, {29, 0},
        {30, 0},    {31, 0},     {32, 0},     {37, 0},
    };
    for (const Preset& p : kPresets)
        ring.LockedWrite(p.reg, p.value);

    for (int reg = 0; reg < kRingRegisters - 1; ++reg)
        ring.Write(reg, 0);

    // The telegram layout.
    ring.Write(0, 0);
    ring.Write(1, 29);
    for (int k = 0; k < kRingStations; ++k)
        ring.Write(2 + k, static_cast<uint32_t>(kRegChannels + kChannelBlock * k));
    static const Preset kLayout[] = {
        {10, 0}, {11, 6145}, {12, 100}, {13, 2}, {14, 20}, {15, 0}, {16, 50178}, {17, 0}, {18, 0}, {19, 0},
        {20, 20481}, {21, 500}, {22, 2}, {23, 27}, {24, 50178}, {25, 0}, {26, 0},
    };
    for (const Preset& p : kLayout)
        ring.Write(p.reg, p.value);
    record.idleCommand = kCommandIdle;
    ring.Write(27, 0xC000);
    ring.Write(28, 1950);
    ring.Write(0, 27);

    for (int k = 0; k < kRingStations; ++k) {
        const int base = kRegTelegrams + 19 * k;
        const uint32_t block[] = {static_cast<uint32_t>(6145 + k), static_cast<uint32_t>(50 + 50 * k), 4, 181, 0,
                                  static_cast<uint32_t>(50180 + 2048 * k), 0};
        for (int n = 0; n < 7; ++n)
            ring.Write(base + n, block[n]);
        for (int n = 7; n < 21; ++n)
            ring.Write(base + n, 0);
    }

    ring.Write(181, 21247);
    ring.Write(182, 500);
    ring.Write(kRegLength, 4);
    ring.Write(184, 289);
    for (int k = 0; k < kRingStations; ++k)
        ring.Write(kRegStationBits + 9 * k, static_cast<uint32_t>(50180 + 2048 * k));
    ring.Write(289, 0xC000);
    ring.Write(290, 950);
}

// The outcome (0, 19 or 23) of assigning station address a to axis x.
int32_t AssignStation(Ring& ring, int32_t address, int32_t axis, int32_t kind)
{
    RingRecord& record = ring.Record();
    if (address == 0 && axis == 0) {
        ResetStationList(record);
        return 0;
    }
    if (!Within(address, 1, 254) || !Within(axis, 0, kAxisCount - 1))
        return kErrParameterOutOfRange;
    AxisRecord& a = g_AxisRecords[axis];
    const int32_t type = a.GetInt(kAxisType);
    if (type != 0 && type != 16 && type != 17)
        return kErrRemoteAxisInUse;
    int i = 0;
    for (; i < kRingStations && record.entries[i].inUse; ++i) {
        if (record.entries[i].address == address)
            return kErrParameterOutOfRange;
    }
    if (i == kRingStations)
        return kErrParameterOutOfRange;

    record.entries[i] = RingStation{1, i, address, 0, axis, kind};
    ++record.stations;
    a.SetInt(kAxisType, 0);
    a.SetInt(kAxisRingStation, i);
    a.SetInt(kAxisRingRate, kRingRateWord);

    const uint32_t a16 = static_cast<uint32_t>(address);
    if (i == 0) {
        if (address != 1)
            ring.Write(kRegTelegrams, a16 | (ring.Read(kRegTelegrams) & 0xFFF0));
        return 0;
    }
    const int telegram = kRegTelegrams + 19 * i;
    ring.Write(32 + 19 * i, ring.Read(13 + 19 * i));
    ring.Write(13 + 19 * i, static_cast<uint32_t>(telegram));
    ring.Write(telegram, a16 | (ring.Read(telegram) & 0xFFF0));
    const int factor = record.lengthFactor;
    const int previous = kRegStationBits + (2 * factor + 1) * (i - 1);
    const int current = kRegStationBits + (2 * factor + 1) * i;
    if (Within(previous, 0, kRingRegisters - 2))
        ring.Write(previous, ring.Read(previous) & ~0x8000u);
    if (Within(current, 0, kRingRegisters - 2))
        ring.Write(current, ring.Read(current) | 0x8000u);
    ring.Write(kRegLength, static_cast<uint32_t>((i + 1) * factor));
    return 0;
}

RingStation* FindStation(Ring& ring, int32_t address)
{
    for (RingStation& station : ring.Record().entries) {
        if (station.inUse && station.address == address)
            return &station;
    }
    return nullptr;
}

// A failed transfer's error number goes to the process after its result.
void Finish(int process, float result, int32_t error)
{
    SetResult(process, result);
    if (error != 0)
        SetProcessError(process, error);
}

void ReadParameterList(Ring& ring, int s, int length, int32_t extra, int32_t& error)
{
    const int process = ring.Process();
    error = RunStep(ring, s, {56, 0, kLongAttributes});
    if (error != 0)
        return;
    const int32_t words = static_cast<int32_t>((ring.Word(s, kWordReply) >> 1) & 0x7F) + extra;
    if (words < 0) {
        error = kErrNetworkProtocol;
        return;
    }
    const char* lineEnd = OnCommandChannel(process) ? "" : "\r\n";
    for (int32_t done = 0; done < words;) {
        const int block = words - done < 16 ? words - done : 16;
        error = RunStep(ring, s, {56, 0, 3856 + 256 * block});
        if (error != 0)
            return;
        done += block;
        for (int n = 0; n < block; ++n) {
            const uint32_t w = ring.Word(s, kWordReply + n);
            const bool last = n == block - 1;
            if (length == 6)
                PrintFormatted(process, last ? "%i" : "%i,", static_cast<int32_t>(w));
            else if (last)
                PrintFormatted(process, "%c%c%s", static_cast<int32_t>(w & 0xFF), static_cast<int32_t>(w >> 8),
                               lineEnd);
            else
                PrintFormatted(process, "%c%c", static_cast<int32_t>(w & 0xFF), static_cast<int32_t>(w >> 8));
        }
        if (length == 6)
            PrintFormatted(process, "%s", done < words ? "," : lineEnd);
    }
}

void ReadDriveParameter(Ring& ring, RingStation& station, const Arguments& arg, int count)
{
    const int process = ring.Process();
    const int32_t idn = arg(4);
    const int32_t length = count >= 5 ? arg(5) : 2;
    const int32_t element = count >= 6 ? arg(6) : 7;
    const int s = station.index;
    float result = 0.0f;
    int32_t error = Select(ring, s, idn);
    if (error == 0) {
        if (length == 2 || length == 4) {
            const Step step = length == 2 ? Step{element * 8 + 0x44, 0, kPlainAttributes}
                                          : Step{element * 8 + 0x40, 0, kLongAttributes};
            error = RunStep(ring, s, step);
            if (error == 0) {
                const uint32_t low = ring.Word(s, kWordReply);
                const uint32_t value = length == 2 ? low : low + 65536u * ring.Word(s, kWordReply + 1);
                result = static_cast<float>(static_cast<int32_t>(value));
            }
        } else {
            ReadParameterList(ring, s, length, count >= 7 ? arg(7) : 0, error);
        }
    }
    CloseChannel(ring, s, ring.Phase() <= 2, false);
    Finish(process, result, error);
}

void WriteDriveParameter(Ring& ring, RingStation& station, const Arguments& arg, int count)
{
    const int s = station.index;
    const int32_t length = arg(5);
    int32_t error = Select(ring, s, arg(4));
    if (error == 0) {
        if (length == 2 || length == 4) {
            const uint32_t data[] = {static_cast<uint32_t>(arg(6))};
            error = RunStep(ring, s, {length == 2 ? 126 : 122, length == 2 ? 0 : 256, kPlainAttributes, data, 1});
        } else {
            const uint32_t n = static_cast<uint32_t>(count - 5);
            const uint32_t perValue = station.kind == 4 ? 131072u : 512u + 131072u + 33554432u;
            uint32_t data[1 + 8] = {2 * n + n * perValue};
            for (uint32_t k = 0; k < n; ++k) {
                const uint32_t half = static_cast<uint32_t>(arg(6 + static_cast<int>(k))) & 0xFFFF;
                data[1 + k / 2] |= k % 2 == 0 ? half : half << 16;
            }
            const int bytes = static_cast<int>(2 * (n + 2));
            error = RunStep(ring, s,
                            {122, static_cast<int32_t>(256 * (n + 1)), kPlainAttributes, data, (bytes - 1) / 4 + 1});
        }
    }
    CloseChannel(ring, s, ring.Phase() <= 2, false);
    Finish(ring.Process(), error == 0 ? 0.0f : -1.0f, error);
}

void RunProcedure(Ring& ring, RingStation& station, int32_t idn, int32_t wait)
{
    const int s = station.index;
    const uint32_t start[] = {3};
    float result = 0.0f;
    int32_t error = Select(ring, s, idn);
    if (error == 0)
        error = RunStep(ring, s, {126, 0, kPlainAttributes, start, 1});
    if (error == 0) {
        result = -2.0f;
        while (wait != 0) {
            ring.WaitPeriod();
            error = Select(ring, s, idn);
            if (error != 0) {
                result = 0.0f;
                break;
            }
            const uint32_t state = ring.Word(s, kWordReply);
            if (state == 3) {
                result = 1.0f;
                break;
            }
            if (state > 7) {
                result = -1.0f;
                break;
            }
            --wait;
        }
        if (error == 0) {
            // Stop the procedure again.
            const uint32_t stop[] = {0};
            error = Select(ring, s, idn);
            if (error == 0)
                error = RunStep(ring, s, {126, 0, kPlainAttributes, stop, 1});
            if (error != 0)
                result = 0.0f;
        }
    }
    CloseChannel(ring, s, ring.Phase() <= 2, false);
    Finish(ring.Process(), result, error);
}

float TestStation(Ring& ring, int32_t address)
{
    const int s = 0;
    const uint32_t keptA = ring.Read(kRegAddressA);
    const uint32_t keptB = ring.Read(kRegAddressB);
    const uint32_t a = static_cast<uint32_t>(address) & 0xFF;
    float result = -1.0f;
    uint32_t v = 0;
    for (int attempt = 0; attempt < kRingTestAttempts; ++attempt) {
        ring.Write(kRegAddressA, (keptA & 0xFF00) | a);
        ring.Write(kRegAddressB, (keptB & 0xFF00) | a);
        v = attempt == 0 ? (~ring.Word(s, kWordAck) & 1) : (v ^ 1);
        for (int w : {kWordAttrA, kWordProtocol, kWordData, kWordReply})
            ring.SetWord(s, w, 0);
        ring.SetWord(s, kWordAttrB, kPlainAttributes);
        ring.SetWord(s, kWordAck, v ^ 1);
        ring.SetWord(s, kWordControl, v);
        ring.RingCommand(kCommandSend);
        int budget = kRingTestPeriods;
        const bool agreed =
            ring.WaitUntil([&] { return ((ring.Word(s, kWordControl) ^ ring.Word(s, kWordAck)) & 1) == 0; }, budget);
        ring.RingCommand(kCommandIdle);
        if (agreed) {
            result = 1.0f;
            break;
        }
    }
    CloseChannel(ring, s, true, false);
    ring.Write(kRegAddressA, keptA);
    ring.Write(kRegAddressB, keptB);
    return result;
}

void PrintStations(Ring& ring, int process)
{
    for (const RingStation& station : ring.Record().entries) {
        if (station.inUse)
            PrintFormatted(process, "%i,%i;", station.address, station.axis);
    }
    if (!OnCommandChannel(process))
        PrintFormatted(process, "\r\n");
}

void RunSercos(const Arguments& arg, int process)
{
    const int count = arg.count;
    const int32_t function = arg(1);
    const int slot = arg(2);
    if (count < 2) {
        Fail(process, kErrCommaExpected);
        return;
    }
    if (!Within(function, 0, 11) || !Within(slot, 0, kSlotLast)) {
        Fail(process, kErrParameterOutOfRange);
        return;
    }
    if (function >= 3 && function != 8 && count >= 3 && !Within(arg(3), 0, 254)) {
        Fail(process, kErrParameterOutOfRange);
        return;
    }
    if (function == 9)
        return;

    // Argument checks of each function before its image is touched.
    bool ok = true;
    switch (function) {
    case 0:
        ok = CountWithin(count, 2, 4, process) && (Within(arg(3), 0, 1) || Fail(process, kErrParameterOutOfRange)) &&
             (Within(arg(4), 0, kRingRegisters - 1) || Fail(process, kErrParameterOutOfRange));
        break;
    case 1:
        ok = CountWithin(count, 5, 5, process) && (Within(arg(3), 0, 1) || Fail(process, kErrParameterOutOfRange)) &&
             (Within(arg(4), 0, kRingRegisters - 1) || Fail(process, kErrParameterOutOfRange));
        break;
    case 2: {
        const int32_t rate = arg(4);
        ok = CountWithin(count, 2, 4, process) &&
             (((count < 3 || Within(arg(3), 0, 6)) && (count < 4 || rate == 2 || rate == 4 || rate == 8 || rate == 16)) ||
              Fail(process, kErrParameterOutOfRange));
        break;
    }
    case 3:
        ok = CountWithin(count, 4, 5, process) && (Within(arg(5), 0, 4) || Fail(process, kErrParameterOutOfRange));
        break;
    case 4: {
        const int32_t length = count >= 5 ? arg(5) : 2;
        const int32_t element = count >= 6 ? arg(6) : 7;
        ok = CountWithin(count, 4, 7, process) &&
             (((length == 2 || length == 4 || length == 6 || length == 7) && Within(element, 1, 7)) ||
              Fail(process, kErrParameterOutOfRange));
        break;
    }
    case 5:
        ok = CountWithin(count, 6, 19, process);
        break;
    case 6:
        // A negative wait would count down through every integer.
        ok = CountWithin(count, 4, 5, process) && (count < 5 || arg(5) >= 0 || Fail(process, kErrParameterOutOfRange));
        break;
    case 7:
        ok = CountWithin(count, 3, 3, process);
        break;
    case 8:
        ok = CountWithin(count, 2, 3, process) && (Within(arg(3), 0, 2) || Fail(process, kErrParameterOutOfRange));
        break;
    case 10:
        ok = CountWithin(count, 2, 2, process);
        break;
    default:
        break;
    }
    if (!ok || !RingSlot(slot, process))
        return;

    Ring ring(slot, process);
    switch (function) {
    case 0:
        SetResult(process, static_cast<float>(arg(3) == 1 ? ring.LockedRead(arg(4)) : ring.Read(arg(4))));
        return;
    case 1:
        if (arg(3) == 1)
            ring.LockedWrite(arg(4), static_cast<uint32_t>(arg(5)));
        else
            ring.Write(arg(4), static_cast<uint32_t>(arg(5)));
        return;
    case 2:
        InitialiseRing(ring, count, arg);
        return;
    case 3: {
        ring.SetControl(0);
        const int32_t outcome = AssignStation(ring, arg(3), arg(4), count >= 5 ? arg(5) : 0);
        if (outcome != 0)
            SetProcessError(process, outcome);
        return;
    }
    case 4:
    case 5:
    case 6: {
        RingStation* station = FindStation(ring, arg(3));
        if (!station) {
            Fail(process, kErrParameterOutOfRange);
            return;
        }
        if (function == 6)
            ring.SetControl(0);
        PrepareChannel(ring, *station);
        if (function == 4)
            ReadDriveParameter(ring, *station, arg, count);
        else if (function == 5)
            WriteDriveParameter(ring, *station, arg, count);
        else
            RunProcedure(ring, *station, arg(4), count >= 5 ? arg(5) : kDefaultProcedureWait);
        return;
    }
    case 7:
        ring.SetControl(0);
        SetResult(process, TestStation(ring, arg(3)));
        return;
    case 8:
        if (arg(3) == 0) {
            PrintStations(ring, process);
        } else if (arg(3) == 1) {
            const uint32_t reg = ring.Read(kRegRate);
            const int rate = (reg & 0x8000) ? ((reg & 0x40) ? 2 : 4) : ((reg & 0x40) ? 8 : 16);
            SetResult(process, static_cast<float>(rate));
        } else {
            SetResult(process, static_cast<float>(std::popcount(ring.Read(kRegPower) & 0x7Fu)));
        }
        return;
    case 10: {
        const uint32_t status = ring.LockedRead(kRegPower);
        SetResult(process, (status & 0x2000) ? -1.0f : (status & 0x1000) ? -2.0f : 1.0f);
        return;
    }
    case 11:
        ring.SetControl(0);
        for (int reg = 512; reg < kRingRegisters - 1; ++reg)
            ring.Write(reg, static_cast<uint32_t>(reg));
        SetResult(process, 0.0f);
        return;
    default:
        return;
    }
}

// ---------------------------------------------------------------- MECHATROLINK and INVERTER_

int32_t FrameInteger(int process, int n)
{
    const ArgumentValue* a = GetArgument(process, n - 1);
    return a ? a->integer : 0;
}

} // namespace

void ResetDriveBuses()
{
    std::memset(g_RingImages, 0, sizeof g_RingImages);
    for (RingRecord& record : g_RingRecords) {
        ResetStationList(record);
        record.idleCommand = 0;
    }
}

RingImage* GetRingImage(int slot)
{
    return Within(slot, 0, kRingSlots - 1) ? &g_RingImages[slot] : nullptr;
}

RingRecord* GetRingRecord(int slot)
{
    return Within(slot, 0, kRingSlots - 1) ? &g_RingRecords[slot] : nullptr;
}

uint16_t RingRegister(int slot, int reg)
{
    const RingImage* image = GetRingImage(slot);
    return image && Within(reg, 0, kRingRegisters - 1) ? static_cast<uint16_t>(image->words[2 * reg]) : 0;
}

void SetRingRegister(int slot, int reg, uint32_t value)
{
    if (RingImage* image = GetRingImage(slot); image && Within(reg, 0, kRingRegisters - 1))
        image->words[2 * reg] = value;
}

uint32_t RingAccessWord(int slot)
{
    const RingImage* image = GetRingImage(slot);
    return image ? image->words[kAccessWord] : 0;
}

void SetRingStationModel(RingStationModel model)
{
    g_StationModel.store(model);
}

float ReadSercosPhase(int slot, int process)
{
    if (!RingSlot(slot, process))
        return 0.0f;
    Ring ring(slot, process);
    return static_cast<float>(ring.LockedRead(kRegPhase) & 0xFF);
}

float WriteSercosPhase(int slot, int32_t phase, int process)
{
    if (!RingSlot(slot, process))
        return 0.0f;
    Ring ring(slot, process);
    const bool cyclic = (ring.LockedRead(kRegPhaseMode) & 0x04) != 0;
    if ((phase == 3 || phase == 4) && !cyclic) {
        ring.LockedWrite(kRegPhaseMode, 6503);
        ring.LockedWrite(kRegPhaseTiming, 16);
    } else if (Within(phase, 0, 2) && cyclic) {
        ring.LockedWrite(kRegPhaseMode, 2403);
        ring.LockedWrite(kRegPhaseTiming, 301);
    }
    ring.LockedWrite(kRegPhase, static_cast<uint32_t>(phase));
    return static_cast<float>(phase);
}

void KeywordSercos(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments arguments(text, position, limit, process);
    if (!arguments.Ok() || GetProcessError(process) != 0)
        return;
    Arguments arg{arguments.Count(), {}};
    for (int n = 0; n < arg.count && n < 17; ++n)
        arg.values[n] = arguments[n].integer;
    RunSercos(arg, process);
}

void KeywordMechatrolink(const uint8_t*, int&, int, int process)
{
    const int count = ArgumentCount(process);
    auto arg = [process](int n) { return FrameInteger(process, n); };
    if (count < 2) {
        Fail(process, kErrCommaExpected);
        return;
    }
    if (arg(1) < 0) {
        Fail(process, kErrParameterOutOfRange);
        return;
    }
    const int32_t function = arg(2);
    // No station answers the functions that address one.
    if (Within(function, 10, 49) && count >= 3) {
        SetResult(process, 0.0f);
        return;
    }
    SetResult(process, -1.0f);
    auto exactly = [&](int n) { return CountWithin(count, n, n, process); };
    switch (function) {
    case 0:
    case 2:
        exactly(3);
        return;
    case 1:
        return;
    case 3:
        if (exactly(3))
            DeliverToVr(arg(3), 0, process);
        return;
    case 4:
    case 5:
        if (exactly(4))
            DeliverToVr(arg(4), 0, process);
        return;
    case 10:
        return;
    case 50:
        exactly(5);
        return;
    case 51:
    case 52:
        exactly(6);
        return;
    case 53:
        if (exactly(5) && !Within(arg(5), -1, kVrLast))
            Fail(process, kErrParameterOutOfRange);
        return;
    default:
        if (Within(function, 11, 33) && function != 16)
            Fail(process, kErrCommaExpected); // each needs 3 or more
        else
            Fail(process, kErrParameterOutOfRange);
        return;
    }
}

namespace {

enum class Inverter { Read, Write, Command };

void RunInverter(Inverter keyword, int process)
{
    const int count = ArgumentCount(process);
    auto arg = [process](int n) { return FrameInteger(process, n); };
    if (count < 3) {
        Fail(process, kErrCommaExpected);
        return;
    }
    SetResult(process, -1.0f);
    const int32_t function = arg(3);
    auto exactly = [&](int n) { return CountWithin(count, n, n, process); };
    auto outOfRange = [process] { Fail(process, kErrParameterOutOfRange); };
    switch (keyword) {
    case Inverter::Read:
        switch (function) {
        case 0: {
            if (!exactly(6))
                return;
            const int64_t n = arg(6);
            if (n < -1 || n + (arg(5) >> 1) > kVrLast) {
                outOfRange();
                return;
            }
            DeliverToVr(static_cast<int32_t>(n), 0, process);
            return;
        }
        case 1:
            if (exactly(5))
                DeliverToVr(arg(5), 0, process);
            return;
        case 2:
        case 3:
            // No inverter answers: both deliver 0.
            if (exactly(4))
                DeliverToVr(arg(4), 0, process);
            return;
        case 4:
        case 6:
            return;
        default:
            outOfRange();
            return;
        }
    case Inverter::Write:
        switch (function) {
        case 0: {
            if (!exactly(7))
                return;
            const int64_t n = arg(6);
            const int32_t width = arg(5);
            if (n < -1 || !Within(width, 0, 2) || n + (width >> 1) > kVrLast || arg(7) < 0)
                outOfRange();
            return;
        }
        case 2:
        case 3:
            exactly(4);
            return;
        case 4:
        case 6:
            return;
        default:
            outOfRange();
            return;
        }
    case Inverter::Command:
        if (function == 1 || function == 7)
            exactly(4);
        else
            outOfRange();
        return;
    }
}

} // namespace

void KeywordInverterRead(const uint8_t*, int&, int, int process)
{
    RunInverter(Inverter::Read, process);
}

void KeywordInverterWrite(const uint8_t*, int&, int, int process)
{
    RunInverter(Inverter::Write, process);
}

void KeywordInverterCommand(const uint8_t*, int&, int, int process)
{
    RunInverter(Inverter::Command, process);
}

} // namespace qcrt

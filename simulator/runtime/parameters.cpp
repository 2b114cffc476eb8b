#include "simulator/runtime/parameters.h"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "simulator/runtime/axis.h"
#include "simulator/runtime/channels.h"
#include "simulator/runtime/drive_buses.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/flash.h"
#include "simulator/runtime/ports.h"
#include "simulator/runtime/power_up.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/resources.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/values.h"
#include "simulator/runtime/vocabulary.h"

namespace qcrt {

namespace {

enum class Place : uint8_t { System, AxisWord, Process, Slot, Port, Nowhere };

enum class ProcessField : uint8_t { Ticks, InDevice, OutDevice, RunError, ErrorLine, Status, Line };

struct Location {
    Place place = Place::System;
    int16_t index = 0; // the axis word or the process field
};

constexpr int kSlots = 4;
constexpr int kAxisRampFactor = 108;
constexpr int kAxisReciprocalDecel = 175;
constexpr int kAxisReciprocalAccel = 176;
constexpr int kSettingAxisTypeFlash = 8;
constexpr int kSettingFiveFlash = 5;
constexpr int kSettingLimitSwitches = 11;

// The system words of the parameters without a place of their own, one per
// row, and one word per slot for the slot parameters.
int32_t g_SystemWords[kParameterRows];
int32_t g_SlotWords[kParameterRows][kSlots];

struct NamedPlace {
    const char* name;
    Place place;
    int16_t index;
};

// Where the rows that carry no axis slot of their own keep their value.
constexpr NamedPlace kPlaces[] = {
    {"FE", Place::AxisWord, 33},
    {"MPOS", Place::AxisWord, 36},
    {"DPOS", Place::AxisWord, 37},
    {"DAC_OUT", Place::AxisWord, 40},
    {"ENDMOVE", Place::AxisWord, 41},
    {"LINKAX", Place::AxisWord, 42},
    {"REG_POS", Place::AxisWord, 45},
    {"OPEN_WIN", Place::AxisWord, 46},
    {"CLOSE_WIN", Place::AxisWord, 47},
    {"ERRORMASK", Place::AxisWord, 48},
    {"MSPEED", Place::AxisWord, 49},
    {"TANG_DIRECTION", Place::AxisWord, 50},
    {"AXIS_DISPLAY", Place::AxisWord, 52},
    {"PS_ENCODER", Place::AxisWord, 53},
    {"RS232_SPEED_MODE", Place::AxisWord, 53},
    {"SERVO", Place::AxisWord, 21},
    {"ATYPE", Place::AxisWord, 30},
    {"VP_SPEED", Place::AxisWord, 31},
    {"AXISSTATUS", Place::AxisWord, 32},
    {"FE_LATCH", Place::AxisWord, 28},
    {"PP_STEP", Place::AxisWord, 19},
    {"MICROSTEP", Place::AxisWord, 101},
    {"BOOST", Place::AxisWord, 102},
    {"ENCODER", Place::AxisWord, 103},
    {"DEMAND_EDGES", Place::AxisWord, 107},
    {"TRANS_DPOS", Place::AxisWord, 107},
    {"MERGE", Place::AxisWord, 111},
    {"REP_OPTION", Place::AxisWord, 112},
    {"VERIFY", Place::AxisWord, 114},
    {"ENCODER_BITS", Place::AxisWord, 119},
    {"DRIVE_ENABLE", Place::AxisWord, 120},
    {"AXIS_ADDRESS", Place::AxisWord, 121},
    {"INVERT_STEP", Place::AxisWord, 122},
    {"DRIVE_STATUS", Place::AxisWord, 123},
    {"REMOTE_ERROR", Place::AxisWord, 128},
    {"CLUTCH_RATE", Place::AxisWord, 132},
    {"DRIVE_MONITOR", Place::AxisWord, 137},
    {"DRIVE_INPUTS", Place::AxisWord, 138},
    {"DRIVE_CONTROL", Place::AxisWord, 139},
    {"DRIVE_MODE", Place::AxisWord, 140},
    {"DATUM_CONTROL", Place::AxisWord, 141},
    {"DEMAND_SPEED", Place::AxisWord, 143},
    {"DAC_SCALE", Place::AxisWord, 146},
    {"REG_POSB", Place::AxisWord, 147},
    {"T_REF", Place::AxisWord, 149},
    {"ENDMOVE_BUFFER", Place::AxisWord, 154},
    {"VECTOR_BUFFERED", Place::AxisWord, 155},
    {"MOVES_BUFFERED", Place::AxisWord, 156},
    {"POS_OFFSET", Place::AxisWord, 159},
    {"NEG_OFFSET", Place::AxisWord, 160},
    {"D_ZONE_MIN", Place::AxisWord, 161},
    {"D_ZONE_MAX", Place::AxisWord, 162},
    {"ENCODER_ID", Place::AxisWord, 164},
    {"ENCODER_TURNS", Place::AxisWord, 165},
    {"ENCODER_STATUS", Place::AxisWord, 166},
    {"ENCODER_CONTROL", Place::AxisWord, 167},
    {"FE_LIMIT_MODE", Place::AxisWord, 178},
    {"PWM_CYCLE", Place::AxisWord, 179},
    {"PWM_MARK", Place::AxisWord, 180},
    {"PWM_ENCODER", Place::AxisWord, 184},
    {"FULL_SP_RADIUS", Place::AxisWord, 191},
    {"ENABLE_OP", Place::AxisWord, 200},
    {"BACKLASH_DIST", Place::AxisWord, 201},
    {"MTYPE", Place::AxisWord, 211},
    {"LINK_AXIS", Place::AxisWord, 212},
    {"REMAIN", Place::AxisWord, 213},
    {"NTYPE", Place::AxisWord, 233},
    {"TICKS", Place::Process, static_cast<int16_t>(ProcessField::Ticks)},
    {"INDEVICE", Place::Process, static_cast<int16_t>(ProcessField::InDevice)},
    {"OUTDEVICE", Place::Process, static_cast<int16_t>(ProcessField::OutDevice)},
    {"RUN_ERROR", Place::Process, static_cast<int16_t>(ProcessField::RunError)},
    {"ERROR_LINE", Place::Process, static_cast<int16_t>(ProcessField::ErrorLine)},
    {"PROC_STATUS", Place::Process, static_cast<int16_t>(ProcessField::Status)},
    {"PROC_LINE", Place::Process, static_cast<int16_t>(ProcessField::Line)},
    {"COMMSTYPE", Place::Slot, 0},
    {"SERCOS_PHASE", Place::Slot, 0},
    {"FPGA_VERSION", Place::Slot, 0},
    {"UNIT_SW_VERSION", Place::Slot, 0},
    {"PROTOCOL", Place::Port, 0},
    {"POWER_UP", Place::Nowhere, 0},
    {"FUTURE_KEYWORD", Place::Nowhere, 0},
    {"LOT_NUMBER", Place::Nowhere, 0},
    {"REGIST_CONTROL", Place::Nowhere, 0},
};

struct Locations {
    Location rows[kParameterRows];
    int tsizeRow = FindParameter("TSIZE");

    Locations()
    {
        for (int row = 0; row < kParameterRows; ++row) {
            if (g_Parameters[row].axisSlot >= 0)
                rows[row] = {Place::AxisWord, static_cast<int16_t>(g_Parameters[row].axisSlot)};
        }
        for (const NamedPlace& named : kPlaces) {
            int row = FindParameter(named.name);
            if (row >= 0 && g_Parameters[row].axisSlot < 0)
                rows[row] = {named.place, named.index};
        }
    }
};

const Locations& Table()
{
    static const Locations table;
    return table;
}

// Where a read or write of a row goes for the process's current statement:
// the stored word, or null for a row stored nowhere (or an axis not in the
// process's BASE list).
uint32_t* StoredWord(int row, int process, Location& where)
{
    ProcessRecord& r = g_ProcessRecords[process];
    where = Table().rows[row];
    switch (where.place) {
    case Place::AxisWord: {
        if (r.statementAxis < 0 || r.statementAxis >= kBaseListSize)
            return nullptr;
        int axis = r.baseList[r.statementAxis];
        if (axis < 0 || axis >= kAxisCount)
            return nullptr;
        return &g_AxisRecords[axis].words[where.index];
    }
    case Place::Slot:
        return reinterpret_cast<uint32_t*>(&g_SlotWords[row][r.modifierSlot & (kSlots - 1)]);
    case Place::Port: {
        PortRecord* port = GetPortRecord(r.modifierPort);
        return port ? reinterpret_cast<uint32_t*>(&port->type) : nullptr;
    }
    case Place::Process:
    case Place::Nowhere:
        return nullptr;
    default:
        return reinterpret_cast<uint32_t*>(&g_SystemWords[row]);
    }
}

int StatementAxis(int process)
{
    const ProcessRecord& r = g_ProcessRecords[process];
    return r.statementAxis >= 0 && r.statementAxis < kBaseListSize ? r.baseList[r.statementAxis] : -1;
}

float Units(int process)
{
    int axis = StatementAxis(process);
    return axis >= 0 && axis < kAxisCount ? g_AxisRecords[axis].GetFloat(kAxisUnits) : 1.0f;
}

float AsFloat(uint32_t word)
{
    return std::bit_cast<float>(word);
}

int LowestBit(uint32_t mask)
{
    return mask == 0 ? 0 : std::countr_zero(mask);
}

float ReadProcessField(ProcessField field, int process)
{
    const ProcessRecord& r = g_ProcessRecords[g_ProcessRecords[process].modifierProcess % kProcessCount];
    switch (field) {
    case ProcessField::Ticks:
        return static_cast<float>(r.tickCounter.load());
    case ProcessField::InDevice:
        return static_cast<float>(r.inputChannel);
    case ProcessField::OutDevice:
        return static_cast<float>(r.outputChannel);
    case ProcessField::RunError:
        return static_cast<float>(r.lastError);
    case ProcessField::ErrorLine:
        return static_cast<float>(r.lastErrorLine);
    case ProcessField::Status:
        return static_cast<float>(r.currentState);
    default:
        return static_cast<float>(r.currentLine & ~static_cast<int32_t>(0x800000));
    }
}

void WriteProcessField(ProcessField field, int32_t value, int process)
{
    ProcessRecord& r = g_ProcessRecords[g_ProcessRecords[process].modifierProcess % kProcessCount];
    switch (field) {
    case ProcessField::Ticks:
        r.tickCounter.store(value);
        return;
    case ProcessField::InDevice:
        r.inputChannel = value;
        return;
    case ProcessField::OutDevice:
        r.outputChannel = value;
        return;
    default:
        SetProcessError(process, kErrReadOnly);
        return;
    }
}

bool WriteFlashSetting(int32_t value, int n, int process)
{
    ResourceClaim claim(process, kResourceFlash, kResourceFlashSettingsBit);
    if (WriteSetting(value, n, process))
        return true;
    SetProcessError(process, kErrValueCannotBeSet);
    return false;
}

bool OutOfRange(int process)
{
    SetProcessError(process, kErrParameterOutOfRange);
    return false;
}

// PROTOCOL: the port's protocol number. 0 makes the port the multiplexed
// link of channels 0 and 5 to 9, 11 the port of channel 10; both set the
// port's two rate words (0, or 10 for 11).
float WritePortProtocol(int32_t protocol, int process)
{
    const int portNumber = g_ProcessRecords[process].modifierPort;
    PortRecord* port = GetPortRecord(portNumber);
    if (!port)
        return OutOfRange(process);
    port->type = protocol;
    if (IsModbusType(protocol)) {
        // MODBUS frames are binary: XON, XOFF and ESC are data there, never
        // flow control or the link's escapes.
        port->flags &= ~(kPortFlowControl | kPortSendXon | kPortSendXoff);
        port->flags |= kPortRxEnabled | kPortTxAllowed;
        port->escapeState = 0;
    }
    auto serve = [portNumber](int channel) {
        if (ChannelRecord* c = GetChannelRecord(channel))
            c->port = portNumber;
    };
    if (protocol == 0) {
        port->rateWords[0] = port->rateWords[1] = 0;
        serve(0);
        for (int channel = 5; channel <= 9; ++channel)
            serve(channel);
    } else if (protocol == 11) {
        port->rateWords[0] = port->rateWords[1] = 10;
        serve(10);
    }
    return static_cast<float>(protocol);
}

constexpr float kRampFactors[] = {1.0f, 0.66f, 0.43f, 0.28f, 0.19f, 0.12f, 0.083f, 0.054f, 0.036f, 0.024f, 0.015f};

} // namespace

float ReadParameter(int row, int process)
{
    if (row < 0 || row >= kParameterRows || !GetProcessRecord(process)) {
        SetProcessError(process, kErrEvaluation);
        return 0.0f;
    }
    const ParameterDescriptor& p = g_Parameters[row];
    if (row == Table().tsizeRow)
        return static_cast<float>(g_TableEntriesInUse);
    Location where;
    uint32_t* word = StoredWord(row, process, where);
    if (where.place == Place::Process)
        return ReadProcessField(static_cast<ProcessField>(where.index), process);
    const int kind = p.ValueKind();
    const uint32_t s = word ? *word : 0;
    switch (kind) {
    case 1:
    case 5:
    case 22:
        return AsFloat(s);
    case 2:
        return static_cast<float>(s & p.mask);
    case 3:
    case 15:
        return static_cast<float>(static_cast<int32_t>(s)) / Units(process);
    case 4:
    case 16:
        return AsFloat(s) / Units(process);
    case 6:
        return static_cast<float>(g_SystemValues.servoMicroseconds);
    case 8:
        return AsFloat(s) / Units(process) / g_ServoPeriod;
    case 9: {
        int32_t setting = ReadSetting(kSettingPowerUp, process);
        return setting == -1 ? 0.0f : static_cast<float>(setting);
    }
    case 10:
        return static_cast<float>(g_SystemValues.controllerType +
                                  (ReadSetting(kSettingUnlocked, process) == 0 ? 1000 : 0));
    case 12:
        return static_cast<float>((s & p.mask) >> LowestBit(p.mask));
    case 25:
        return ReadSercosPhase(g_ProcessRecords[process].modifierSlot, process);
    case 26:
        SetProcessError(process, kErrParameterOutOfRange);
        return 0.0f;
    case 27: {
        int axis = StatementAxis(process);
        return axis >= 0 && (s >> axis & 1u) ? 1.0f : 0.0f;
    }
    case 28:
        return 0.0f;
    default:
        return static_cast<float>(static_cast<int32_t>(s));
    }
}

float WriteParameter(int row, float v, int process)
{
    if (row < 0 || row >= kParameterRows || !GetProcessRecord(process)) {
        SetProcessError(process, kErrEvaluation);
        return 0.0f;
    }
    const ParameterDescriptor& p = g_Parameters[row];
    if (!p.Writable()) {
        SetProcessError(process, kErrReadOnly);
        return 0.0f;
    }
    Location where;
    uint32_t* word = StoredWord(row, process, where);
    const int32_t n = TruncateToInt32(v);
    if (where.place == Place::Process) {
        WriteProcessField(static_cast<ProcessField>(where.index), n, process);
        return static_cast<float>(n);
    }
    const int kind = p.ValueKind();
    const float units = Units(process);
    const int64_t mask = p.mask;
    auto storeInt = [&](int32_t value) {
        if (word)
            *word = static_cast<uint32_t>(value);
        return static_cast<float>(value);
    };
    auto storeFloat = [&](float value) {
        if (word)
            *word = std::bit_cast<uint32_t>(value);
        return value;
    };
    int axis = StatementAxis(process);
    switch (kind) {
    case 0:
    case 12:
        return storeInt(n);
    case 1:
        return storeFloat(v);
    case 2:
        return storeInt(static_cast<int32_t>(static_cast<uint32_t>(n) & p.mask));
    case 3:
        return storeInt(TruncateToInt32(v * units)) / units;
    case 4:
        return storeFloat(v * units) / units;
    case 5:
        if (v == 0.0f)
            return OutOfRange(process);
        return storeFloat(v);
    case 6:
        if (n != 250 && n != 500 && n != 1000 && n != 2000)
            return OutOfRange(process);
        if (!WriteFlashSetting(n, kSettingServoPeriod, process))
            return 0.0f;
        g_SystemValues.servoMicroseconds = n;
        g_ServoPeriod = static_cast<float>(n) / 1000000.0f;
        ServoPeriodChanged();
        return static_cast<float>(n);
    case 7:
        if (n < 0 || n > 10)
            return OutOfRange(process);
        if (axis >= 0)
            g_AxisRecords[axis].SetFloat(kAxisRampFactor, kRampFactors[n]);
        return storeInt(n);
    case 8:
    case 10:
        return v;
    case 9:
        if (n != 0 && n != 1)
            return OutOfRange(process);
        WriteFlashSetting(n, kSettingPowerUp, process);
        return static_cast<float>(n);
    case 11:
        if (!WriteFlashSetting(n, kSettingFiveFlash, process))
            return 0.0f;
        return storeInt(n);
    case 13:
        return n < 0 || n > mask ? OutOfRange(process) : storeInt(n);
    case 14:
        return n < 1 || n > mask ? OutOfRange(process) : storeInt(n);
    case 15: {
        int32_t counts = TruncateToInt32(v * units);
        return counts < 1 || counts > mask ? OutOfRange(process) : storeInt(counts) / units;
    }
    case 16: {
        float counts = v * units;
        if (counts < 0.0f)
            return OutOfRange(process);
        storeFloat(counts);
        // The reciprocals follow the new value; a zero has none.
        if (axis >= 0) {
            AxisRecord& a = g_AxisRecords[axis];
            float decel = a.GetFloat(kAxisDecel), accel = a.GetFloat(kAxisAccel);
            a.SetFloat(kAxisReciprocalDecel, decel != 0.0f ? 1.0f / decel : 0.0f);
            a.SetFloat(kAxisReciprocalAccel, accel != 0.0f ? 1.0f / accel : 0.0f);
        }
        return v;
    }
    case 17:
        return n < 0 || n > 25 ? OutOfRange(process) : storeInt(n);
    case 18:
        return std::abs(static_cast<int64_t>(n)) < 1 || std::abs(static_cast<int64_t>(n)) > mask ? OutOfRange(process)
                                                                                                 : storeInt(n);
    case 19:
        return n < -1 || n > mask ? OutOfRange(process) : storeInt(n);
    case 20:
        if (n < 0 || n > 48)
            return OutOfRange(process);
        if (axis >= 0) {
            SetAxisType(axis, n);
            if (n == 21) {
                g_AxisRecords[axis].SetInt(120, 0x1010);
                g_AxisRecords[axis].SetInt(44, 0);
            }
        }
        return static_cast<float>(n);
    case 21:
        WriteFlashSetting(n, kSettingAxisTypeFlash, process);
        return static_cast<float>(n);
    case 22:
        return std::fabs(v) > static_cast<float>(p.mask) ? OutOfRange(process) : storeFloat(v);
    case 23:
        return std::abs(static_cast<int64_t>(n)) > mask ? OutOfRange(process) : storeInt(n);
    case 24:
        return WritePortProtocol(n, process);
    case 25:
        return WriteSercosPhase(g_ProcessRecords[process].modifierSlot, n, process);
    case 26:
        SetProcessError(process, kErrCommandOutOfContext);
        return 0.0f;
    case 27: {
        if (!word || axis < 0)
            return 0.0f;
        // The word is shared with the servo cycle.
        NoSuspendSection section;
        if (v != 0.0f)
            *word |= 1u << axis;
        else
            *word &= ~(1u << axis);
        return v != 0.0f ? 1.0f : 0.0f;
    }
    case 28:
        WriteFlashSetting(v == 0.0f ? 1 : 0, kSettingLimitSwitches, process);
        return v;
    default:
        return storeInt(n);
    }
}

void InstallParameterAccess()
{
    SetParameterReader(ReadParameter);
}

const uint32_t* ParameterStorage(int row, int process)
{
    if (row < 0 || row >= kParameterRows || !GetProcessRecord(process))
        return nullptr;
    Location where;
    return StoredWord(row, process, where);
}

int32_t* SystemParameterWord(int row)
{
    if (row < 0 || row >= kParameterRows || Table().rows[row].place != Place::System)
        return nullptr;
    return &g_SystemWords[row];
}

void ResetParameterValues()
{
    std::memset(g_SystemWords, 0, sizeof g_SystemWords);
    std::memset(g_SlotWords, 0, sizeof g_SlotWords);
    // VERSION: the system software version that the banner prints.
    if (int32_t* version = SystemParameterWord(FindParameter("VERSION")))
        *version = std::bit_cast<int32_t>(1.65f);
}

} // namespace qcrt

// The Mechatrolink and Panasonic A4N bus models.
#include <cstdlib>

#include "link/tests/support/bus_models.h"

namespace {

bool IsAxisParameter(const BusCall& call, const char* name)
{
    return call.name == name && !call.hasArgs && call.axis >= 0;
}

} // namespace

// ---------------------------------------------------------------- Mechatrolink

CMechatrolinkBusModel::CMechatrolinkBusModel(std::vector<Unit> units)
{
    for (Unit& unit : units) {
        UnitState state;
        state.unit = unit;
        for (Station& station : unit.stations) {
            StationState s;
            s.station = station;
            state.stations.push_back(s);
        }
        m_units.push_back(state);
    }
}

void CMechatrolinkBusModel::Install(CBusModelSet& set)
{
    for (const UnitState& unit : m_units) {
        set.SetCommsType(unit.unit.slot, unit.unit.commsType);
        for (const StationState& station : unit.stations)
            if (station.station.axis >= 0)
                set.SetAxisType(station.station.axis, station.station.axisType);
    }
}

void CMechatrolinkBusModel::DropStation(int station)
{
    auto lock = Lock();
    for (UnitState& unit : m_units)
        for (StationState& s : unit.stations)
            if (s.station.address == station)
                s.dropped = true;
}

CMechatrolinkBusModel::UnitState* CMechatrolinkBusModel::FindUnit(int slot)
{
    for (UnitState& unit : m_units)
        if (unit.unit.slot == slot)
            return &unit;
    return nullptr;
}

CMechatrolinkBusModel::StationState* CMechatrolinkBusModel::FindStation(UnitState& unit, int address)
{
    for (StationState& station : unit.stations)
        if (station.station.address == address && !station.dropped)
            return &station;
    return nullptr;
}

CMechatrolinkBusModel::StationState* CMechatrolinkBusModel::OnAxis(int axis)
{
    for (UnitState& unit : m_units)
        for (StationState& station : unit.stations)
            if (station.station.axis == axis && axis >= 0 && !station.dropped)
                return &station;
    return nullptr;
}

bool CMechatrolinkBusModel::Handle(const BusCall& call, ScriptedReply& reply, CBusModelSet& set)
{
    if (call.name == "MECHATROLINK" && call.args.size() >= 2 && call.axis < 0)
        return StationCall(call, reply, set);
    return call.axis >= 0 && AxisCall(call, reply, set);
}

bool CMechatrolinkBusModel::StationCall(const BusCall& call, ScriptedReply& reply, CBusModelSet& set)
{
    using namespace BusReply;
    UnitState* unit = FindUnit(static_cast<int>(call.Arg(0)));
    if (!unit)
        return false;
    const int function = static_cast<int>(call.Arg(1));
    const bool ok = !Failing();
    if (function == 0 && !call.query) {
        reply = None();
        return true;
    }
    if (!call.query)
        return false;
    std::vector<const StationState*> present;
    for (const StationState& station : unit->stations)
        if (!station.dropped)
            present.push_back(&station);
    if (function == 3) {
        reply = Lines(std::to_string(present.size()), ok);
        return true;
    }
    if (function == 4) {
        // A station index past the list reads 0, as on a bus nobody answers.
        const long long index = call.Arg(2);
        const int address = index >= 0 && index < static_cast<long long>(present.size()) ? present[index]->station.address : 0;
        reply = Lines(std::to_string(address), ok);
        return true;
    }
    if (function < 10 || function > 49)
        return false;
    StationState* station = FindStation(*unit, static_cast<int>(call.Arg(2)));
    if (!station) {
        reply = Result(false); // nobody answered: the call's own result, 0
        return true;
    }
    const long long number = call.Arg(3);
    switch (function) {
    case 13: {
        const long long value = call.Arg(5);
        const bool fits = call.Arg(4) == 2 ? value >= 0 && value <= 0xFFFF : value >= 0 && value <= 0xFFFFFFFFLL;
        if (fits && ok)
            station->station.parameters[static_cast<int>(number)] = value;
        reply = Result(fits && ok);
        return true;
    }
    case 14: {
        const auto found = station->station.parameters.find(static_cast<int>(number));
        const long long value = found == station->station.parameters.end() ? 0 : found->second;
        reply = Lines(std::to_string(call.Arg(4) == 2 ? value & 0xFFFF : value & 0xFFFFFFFFLL), ok);
        return true;
    }
    case 15:
        reply = Lines(std::to_string(station->station.axis), ok);
        return true;
    case 17: {
        const std::string* item = number == 0   ? &station->station.model
                                  : number == 1 ? &station->station.version
                                  : number == 4 ? &station->station.motor
                                                : nullptr;
        reply = item ? Lines(*item, ok) : Result(false);
        return true;
    }
    case 20:
    case 21:
        if (ok)
            station->mode = function == 20 ? 0 : 1;
        reply = Result(ok);
        return true;
    case 22:
        reply = Lines(std::to_string(station->mode), ok);
        return true;
    case 23: {
        const int axis = station->station.axis;
        reply = Lines(std::to_string(axis >= 0 ? set.AxisType(axis) : station->station.axisType), ok);
        return true;
    }
    case 29:
        if (ok) {
            ++station->saves;
            station->savingUntil = ProcedureEnd();
        }
        reply = Result(ok);
        return true;
    default:
        reply = Result(ok);
        return true;
    }
}

bool CMechatrolinkBusModel::AxisCall(const BusCall& call, ScriptedReply& reply, CBusModelSet&)
{
    using namespace BusReply;
    StationState* station = OnAxis(call.axis);
    if (!station)
        return false;
    struct Word {
        const char* name;
        int* word;
    } words[] = {
        {"DRIVE_STATUS", &station->station.status},
        {"DRIVE_INPUTS", &station->station.inputs},
        {"DRIVE_CONTROL", &station->driveControl},
        {"REGIST_CONTROL", &station->station.registControl},
    };
    for (const Word& w : words) {
        if (!IsAxisParameter(call, w.name))
            continue;
        if (call.query) {
            const int value = *w.word | (w.word == &station->station.status && Busy(station->savingUntil) ? 0x8000 : 0);
            reply = call.format0 ? Number(value) : Float(value);
            return true;
        }
        if (call.assign && w.word == &station->driveControl) {
            *w.word = static_cast<int>(std::atof(call.value.c_str()));
            reply = None();
            return true;
        }
        return false;
    }
    if (!call.query && !call.assign && !call.hasArgs && (call.name == "DRIVE_CLEAR" || call.name == "DRIVE_RESET")) {
        station->station.status &= ~1; // the alarm goes
        reply = None();
        return true;
    }
    if (!call.query && call.name == "REGIST" && call.args.size() == 1 && call.Arg(0) == -1) {
        station->station.registControl = 0;
        reply = None();
        return true;
    }
    return false;
}

long long CMechatrolinkBusModel::Parameter(int unit, int address, int number) const
{
    auto lock = Lock();
    auto* self = const_cast<CMechatrolinkBusModel*>(this);
    UnitState* state = self->FindUnit(unit);
    StationState* station = state ? self->FindStation(*state, address) : nullptr;
    if (!station || !station->station.parameters.count(number))
        return 0;
    return station->station.parameters.at(number);
}

int CMechatrolinkBusModel::Saves(int unit, int address) const
{
    auto lock = Lock();
    auto* self = const_cast<CMechatrolinkBusModel*>(this);
    UnitState* state = self->FindUnit(unit);
    StationState* station = state ? self->FindStation(*state, address) : nullptr;
    return station ? station->saves : 0;
}

int CMechatrolinkBusModel::DriveControl(int axis) const
{
    auto lock = Lock();
    const StationState* station = const_cast<CMechatrolinkBusModel*>(this)->OnAxis(axis);
    return station ? station->driveControl : 0;
}

// ---------------------------------------------------------------- A4N

namespace {

constexpr int kA4NText = 0x10000;   // DRIVE_READ of a text: 0x10000 + its code
constexpr int kA4NAlarm = 0x20000;  // + k * 0x1000: alarm k of the history
constexpr int kClearCurrent = 0x20001;
constexpr int kClearAll = 0x20011;
constexpr int kClearExternal = 0x20021;
constexpr int kStoreParameter = 128;
constexpr int kAlarmBit = 0x20; // "Alarm", bit 21 of DRIVE_STATUS
constexpr int kStoringBit = 0x02; // bit 17, the one without a caption

} // namespace

CA4NBusModel::CA4NBusModel(std::vector<Drive> drives, int commsType) : m_commsType(commsType)
{
    for (Drive& drive : drives) {
        DriveState state;
        state.drive = drive;
        m_drives.push_back(state);
    }
}

void CA4NBusModel::Install(CBusModelSet& set)
{
    for (const DriveState& drive : m_drives) {
        set.SetCommsType(drive.drive.slot, m_commsType);
        set.SetAxisType(drive.drive.axis, drive.drive.axisType);
    }
}

void CA4NBusModel::DropStation(int station)
{
    auto lock = Lock();
    for (DriveState& drive : m_drives)
        if (drive.drive.axis == station)
            drive.dropped = true;
}

CA4NBusModel::DriveState* CA4NBusModel::OnAxis(int axis)
{
    for (DriveState& drive : m_drives)
        if (drive.drive.axis == axis && !drive.dropped)
            return &drive;
    return nullptr;
}

bool CA4NBusModel::Handle(const BusCall& call, ScriptedReply& reply, CBusModelSet&)
{
    using namespace BusReply;
    if (call.axis < 0)
        return false;
    DriveState* state = OnAxis(call.axis);
    if (call.name == "SLOT_NUMBER" && call.query && !call.hasArgs) {
        reply = Number(state ? state->drive.slot : -1);
        return true;
    }
    if (!state)
        return false;
    Drive& drive = state->drive;
    const long long number = call.Arg(0);
    if (call.name == "DRIVE_READ" && call.args.size() == 1) {
        if (!call.query) {
            const int code = static_cast<int>(number - kA4NText);
            const std::string* text = code == 288 ? &drive.model : code == 320 ? &drive.version
                                                : code == 544 ? &drive.text3 : nullptr;
            reply = text ? Lines(*text, !Failing()) : Result(false);
            return true;
        }
        if (Failing()) {
            reply = Error(19, "Parameter out of range");
            return true;
        }
        if (number == kClearCurrent || number == kClearAll || number == kClearExternal) {
            if (number == kClearAll)
                drive.alarms.clear();
            else if (!drive.alarms.empty())
                drive.alarms.erase(drive.alarms.begin());
            drive.status &= ~kAlarmBit;
            reply = Number(0);
            return true;
        }
        if (number >= kA4NAlarm && number < kA4NAlarm + 15 * 0x1000 && (number - kA4NAlarm) % 0x1000 == 0) {
            const std::size_t k = static_cast<std::size_t>((number - kA4NAlarm) / 0x1000);
            reply = Number(k < drive.alarms.size() ? drive.alarms[k] : 0);
            return true;
        }
        const auto found = drive.parameters.find(static_cast<int>(number));
        reply = found != drive.parameters.end() ? Number(found->second.value) : Error(19, "Parameter out of range");
        return true;
    }
    if (call.name == "DRIVE_WRITE" && call.query && call.args.size() == 2) {
        const long long value = call.Arg(1);
        bool stored = false;
        if (Failing()) {
            stored = false;
        } else if (number == kStoreParameter) {
            ++state->stores;
            state->storingUntil = ProcedureEnd();
            stored = true;
        } else {
            const auto found = drive.parameters.find(static_cast<int>(number));
            stored = found != drive.parameters.end() && value >= found->second.minimum && value <= found->second.maximum;
            if (stored)
                found->second.value = static_cast<int>(value);
        }
        reply = Number(stored ? 1 : 0);
        return true;
    }
    if (!call.query && !call.assign && !call.hasArgs && (call.name == "DRIVE_CLEAR" || call.name == "DRIVE_RESET")) {
        drive.status &= ~kAlarmBit;
        reply = None();
        return true;
    }
    if (!call.query || call.hasArgs)
        return false;
    if (call.name == "DRIVE_STATUS") {
        const int busy = Busy(state->storingUntil) ? kStoringBit : 0;
        const long long status = static_cast<long long>((drive.status | busy) & 0xFFFF) << 16;
        reply = call.format0 ? Number(status) : Float(static_cast<double>(status));
        return true;
    }
    const struct {
        const char* name;
        double value;
    } values[] = {{"MPOS", drive.mpos}, {"UNITS", drive.units}, {"DRIVE_PARAMETER", drive.driveParameter},
                  {"DRIVE_VALUE", drive.driveValue}};
    for (const auto& v : values)
        if (call.name == v.name) {
            reply = Float(v.value);
            return true;
        }
    return false;
}

int CA4NBusModel::ParameterValue(int axis, int number) const
{
    auto lock = Lock();
    const DriveState* drive = const_cast<CA4NBusModel*>(this)->OnAxis(axis);
    if (!drive || !drive->drive.parameters.count(number))
        return 0;
    return drive->drive.parameters.at(number).value;
}

int CA4NBusModel::Stores(int axis) const
{
    auto lock = Lock();
    const DriveState* drive = const_cast<CA4NBusModel*>(this)->OnAxis(axis);
    return drive ? drive->stores : 0;
}

std::vector<int> CA4NBusModel::Alarms(int axis) const
{
    auto lock = Lock();
    const DriveState* drive = const_cast<CA4NBusModel*>(this)->OnAxis(axis);
    return drive ? drive->drive.alarms : std::vector<int>();
}

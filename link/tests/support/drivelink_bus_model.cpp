// The DriveLink bus model: SLM modules with a drive per ASIC, bound to
// axes, with their SLM, drive and motor parameters.
#include "link/axistypes.h"
#include "link/tests/support/bus_models.h"

namespace {

const int kSlmParameters = 37;
const int kMotorParameters = 57;

// Drive parameters a drive answers unless its description says otherwise:
// 0xF000 3.5 A of kind 0 (MultiAx), 0x8000 with bit 3 set (current field
// valid) and the version digits 1, 2, 3, 4 in bits 8..11 of the four words.
int DefaultDriveParameter(int number)
{
    switch (number) {
    case 0xF000:
        return 35;
    case 0x8000:
        return 0x0108;
    case 0xA000:
        return 0x0200;
    case 0xB000:
        return 0x0300;
    case 0xE000:
        return 0x0400;
    default:
        return 0;
    }
}

} // namespace

CDriveLinkBusModel::CDriveLinkBusModel(std::vector<Module> modules)
{
    for (Module& module : modules) {
        ModuleState state;
        state.module = module;
        const DaughterBoardRecord* record = FindDaughterBoardRecord(0x10000 + module.commsType);
        state.asics = record ? record->m_nLast : 0;
        for (Drive& drive : module.drives) {
            DriveState d;
            d.drive = drive;
            state.drives.push_back(d);
        }
        m_modules.push_back(state);
    }
}

void CDriveLinkBusModel::Install(CBusModelSet& set)
{
    for (const ModuleState& module : m_modules)
        set.SetCommsType(module.module.slot, module.module.commsType);
}

void CDriveLinkBusModel::DropStation(int station)
{
    auto lock = Lock();
    if (DriveState* drive = Find(station / 10, station % 10))
        drive->dropped = true;
}

CDriveLinkBusModel::DriveState* CDriveLinkBusModel::Find(int slot, int asic)
{
    for (ModuleState& module : m_modules) {
        if (module.module.slot != slot || asic < 0 || asic >= module.asics)
            continue;
        for (DriveState& drive : module.drives)
            if (drive.drive.asic == asic && !drive.dropped)
                return &drive;
    }
    return nullptr;
}

CDriveLinkBusModel::DriveState* CDriveLinkBusModel::OnAxis(int axis)
{
    for (ModuleState& module : m_modules)
        for (DriveState& drive : module.drives)
            if (drive.axis == axis && axis >= 0 && !drive.dropped)
                return &drive;
    return nullptr;
}

int CDriveLinkBusModel::MotorParameter(const DriveState& drive, int number) const
{
    const std::map<int, int>& motor = drive.drive.motorParameters;
    auto value = [&](int n) {
        const auto found = motor.find(n);
        return found == motor.end() ? 0 : found->second;
    };
    if (number != 50 || motor.count(50))
        return value(number);
    // The check sum over the count (parameter 51) and its data words.
    const int count = value(51);
    int sum = count;
    if (count >= 1 && count <= 32)
        for (int n = 52; n < 52 + count; ++n)
            sum += value(n);
    return ((sum & 0xFFFF) + (drive.drive.corruptCheckSum ? 1 : 0)) & 0xFFFF;
}

bool CDriveLinkBusModel::Handle(const BusCall& call, ScriptedReply& reply, CBusModelSet& set)
{
    using namespace BusReply;
    if (call.name == "AMPSTATUS" && call.query && !call.hasArgs && call.axis >= 0) {
        const DriveState* drive = OnAxis(call.axis);
        if (!drive)
            return false;
        // Bit 0 enabled, bit 1 no fault, bit 3 the drive reports its
        // ratings, bit 7 a reset running.
        reply = Float((drive->enabled ? 1 : 0) | (drive->drive.fault ? 0 : 2) | 8 | (Busy(drive->resetUntil) ? 0x80 : 0));
        return true;
    }
    if (call.name != "DLINK" || call.args.empty() || call.axis >= 0)
        return false;
    const std::size_t count = call.args.size();
    const int function = static_cast<int>(call.Arg(0));
    const int first = static_cast<int>(call.Arg(1));
    if (call.query && Failing()) {
        reply = Error(19, "Parameter out of range");
        return true;
    }
    switch (function) {
    case 1: // synchronise: DLINK(1,slot,0,5,value)
        if (call.query || count != 5)
            return false;
        for (ModuleState& module : m_modules)
            if (module.module.slot == first)
                module.synchronisations.push_back(static_cast<int>(call.Arg(4)));
        reply = None();
        return true;
    case 2:
    case 3: {
        if (!call.query || count != 3)
            return false;
        const DriveState* drive = Find(first, static_cast<int>(call.Arg(2)));
        const bool present = drive && (function == 2 ? drive->drive.slmPresent : drive->drive.drivePresent);
        reply = Number(present ? 1 : 0);
        return true;
    }
    case 4: {
        if (call.query || count != 4)
            return false;
        DriveState* drive = Find(first, static_cast<int>(call.Arg(2)));
        const int axis = static_cast<int>(call.Arg(3));
        if (!drive || axis < 0 || axis >= CBusModelSet::kAxes) {
            reply = Error(19, "Parameter out of range");
            return true;
        }
        if (DriveState* previous = OnAxis(axis))
            previous->axis = -1;
        drive->axis = axis;
        const DaughterBoardRecord* record = FindDaughterBoardRecord(0x10000 + set.CommsType(first));
        set.SetAxisType(axis, record ? record->m_nAxisTypes[0] : 11);
        reply = None();
        return true;
    }
    case 9: {
        if (!call.query || count != 2)
            return false;
        int bound = -1;
        for (const ModuleState& module : m_modules)
            for (const DriveState& drive : module.drives)
                if (drive.axis == first && !drive.dropped)
                    bound = module.module.slot * 10 + drive.drive.asic;
        reply = Number(bound);
        return true;
    }
    default:
        break;
    }
    // The functions of a bound axis.
    DriveState* drive = OnAxis(first);
    const int number = static_cast<int>(call.Arg(2));
    const bool read = call.query && count == 3 && (function == 5 || function == 8 || function == 10);
    const bool write = !call.query && ((function == 6 && count == 4) || (function == 7 && count == 3));
    if (!read && !write)
        return false;
    const bool inRange = function == 5 || function == 6 ? number >= 1 && number <= kSlmParameters
                         : function == 10              ? number >= 0 && number <= kMotorParameters
                                                       : true;
    if (!drive || !inRange) {
        reply = Error(19, "Parameter out of range");
        return true;
    }
    switch (function) {
    case 5:
        reply = Number(drive->drive.slmParameters[number]);
        return true;
    case 6:
        drive->drive.slmParameters[number] = static_cast<int>(call.Arg(3));
        reply = None();
        return true;
    case 7:
        drive->commands.push_back(number);
        if (number == 251) {
            drive->drive.fault = false;
            drive->resetUntil = ProcedureEnd();
        } else if (number == 252)
            drive->enabled = false;
        else if (number == 253)
            drive->enabled = set.Watchdog() != 0;
        reply = None();
        return true;
    case 8: {
        const auto found = drive->drive.driveParameters.find(number);
        reply = Number(found != drive->drive.driveParameters.end() ? found->second : DefaultDriveParameter(number));
        return true;
    }
    default:
        reply = Number(MotorParameter(*drive, number));
        return true;
    }
}

int CDriveLinkBusModel::SlmParameter(int slot, int asic, int number) const
{
    auto lock = Lock();
    const DriveState* drive = const_cast<CDriveLinkBusModel*>(this)->Find(slot, asic);
    if (!drive)
        return 0;
    const auto found = drive->drive.slmParameters.find(number);
    return found == drive->drive.slmParameters.end() ? 0 : found->second;
}

std::vector<int> CDriveLinkBusModel::SlmCommands(int slot, int asic) const
{
    auto lock = Lock();
    const DriveState* drive = const_cast<CDriveLinkBusModel*>(this)->Find(slot, asic);
    return drive ? drive->commands : std::vector<int>();
}

std::vector<int> CDriveLinkBusModel::Synchronisations(int slot) const
{
    auto lock = Lock();
    for (const ModuleState& module : m_modules)
        if (module.module.slot == slot)
            return module.synchronisations;
    return {};
}

// The CAN bus model: SMTBD1/MSDC amplifiers answering parameter requests
// into receive buffer 1, and CANopen nodes answering SDO transfers with the
// CiA 402 drive states.
#include "link/tests/support/bus_models.h"

namespace {

constexpr int kCanModuleType = 0x14; // COMMSTYPE of the "CAN" board (0x10014)
constexpr int kWriteFlag = 128;      // an amplifier address + 128 writes

// SDO response command bytes.
constexpr int kSdoOneByte = 0x4F;
constexpr int kSdoTwoBytes = 0x4B;
constexpr int kSdoFourBytes = 0x43;
constexpr int kSdoString = 0x41;
constexpr int kSdoAbort = 0x80;

// The four characters of a procedure word, as a 32-bit value.
constexpr long long kSave = 0x65766173; // "save"
constexpr long long kAutoPhase = 0x61687061; // "apha"
constexpr long long kAutoTune = 0x6E757461;  // "atun"

// CiA 402 statusword values of the states the tools walk through.
constexpr int kSwitchOnDisabled = 0x240;
constexpr int kReadyToSwitchOn = 0x221;
constexpr int kSwitchedOn = 0x223;
constexpr int kOperationEnabled = 0x227;
constexpr int kSetPointAcknowledged = 0x1227;
constexpr int kFault = 0x228;
constexpr int kBusy = 0x8000;

} // namespace

CCanBusModel::CCanBusModel(std::vector<Slot> slots)
{
    for (Slot& slot : slots) {
        SlotState state;
        state.slot = slot.slot;
        state.busStatus = slot.busStatus;
        for (Amplifier& amplifier : slot.amplifiers) {
            AmplifierState drive;
            drive.drive = amplifier;
            drive.errors = amplifier.errors;
            state.amplifiers.push_back(drive);
        }
        for (Node& node : slot.nodes) {
            NodeState drive;
            drive.node = node;
            drive.state = node.fault ? kFault : kSwitchOnDisabled;
            state.nodes.push_back(drive);
        }
        m_slots.push_back(state);
    }
}

void CCanBusModel::Install(CBusModelSet& set)
{
    for (const SlotState& slot : m_slots)
        if (slot.slot >= 0)
            set.SetCommsType(slot.slot, kCanModuleType);
}

void CCanBusModel::DropStation(int station)
{
    auto lock = Lock();
    for (SlotState& slot : m_slots) {
        for (AmplifierState& amplifier : slot.amplifiers)
            if (amplifier.drive.address == station)
                amplifier.dropped = true;
        for (NodeState& node : slot.nodes)
            if (node.node.node == station)
                node.dropped = true;
    }
}

CCanBusModel::SlotState* CCanBusModel::FindSlot(int slot)
{
    for (SlotState& state : m_slots)
        if (state.slot == slot)
            return &state;
    return nullptr;
}

const CCanBusModel::SlotState* CCanBusModel::FindSlot(int slot) const
{
    return const_cast<CCanBusModel*>(this)->FindSlot(slot);
}

bool CCanBusModel::Listens(const SlotState& slot, int baudCode) const
{
    // A bus never set runs at the power-up speed, code 0 (1 Mbit/s).
    return (slot.baudCode < 0 ? 0 : slot.baudCode) == baudCode;
}

int CCanBusModel::StatusOf(const NodeState& node) const
{
    return node.state | (Busy(node.busyUntil) ? kBusy : 0);
}

bool CCanBusModel::Handle(const BusCall& call, ScriptedReply& reply, CBusModelSet& set)
{
    using namespace BusReply;
    if (call.name != "CAN" || call.args.size() < 2 || call.axis >= 0)
        return false;
    SlotState* slot = FindSlot(static_cast<int>(call.Arg(0)));
    if (!slot)
        return false;
    const std::size_t count = call.args.size();
    switch (call.Arg(1)) {
    case 0:
        if (!call.query || count != 3)
            return false;
        reply = Number(slot->busStatus);
        return true;
    case 2:
        if (call.query && count == 2) {
            reply = Number(slot->baudCode);
            return true;
        }
        if (call.query || count != 3)
            return false;
        if (call.Arg(2) < 0 || call.Arg(2) > 4) {
            reply = Error(19, "Parameter out of range");
            return true;
        }
        slot->baudCode = static_cast<int>(call.Arg(2));
        reply = None();
        return true;
    case 3:
        if (!call.query || count != 3)
            return false;
        reply = Number(call.Arg(2) == 1 && !slot->received.empty() ? 1 : 0);
        return true;
    case 5:
        if (call.query || count < 5 || count > 6)
            return false;
        slot->buffers[static_cast<int>(call.Arg(2))] = static_cast<int>(call.Arg(3));
        reply = None();
        return true;
    case 6: {
        if (call.query || count != 4)
            return false;
        const int vr = static_cast<int>(call.Arg(3));
        if (call.Arg(2) != 1 || slot->received.empty()) {
            set.SetVR(vr, 0);
        } else {
            const std::vector<int> message = slot->received.front();
            slot->received.erase(slot->received.begin());
            set.SetVR(vr, static_cast<double>(message.size()));
            for (std::size_t n = 0; n < message.size(); ++n)
                set.SetVR(vr + 1 + static_cast<int>(n), message[n]);
        }
        reply = None();
        return true;
    }
    case 7:
        if (call.query || count < 4 || call.Arg(2) != 14)
            return false;
        Message(*slot, call, set);
        reply = None();
        return true;
    case 8: {
        if (call.query || count != 7)
            return false;
        const int vr = static_cast<int>(call.Arg(6));
        NodeState* node = SdoNode(*slot, static_cast<int>(call.Arg(2)), static_cast<int>(call.Arg(3)));
        if (node)
            Upload(*node, static_cast<int>(call.Arg(4)), static_cast<int>(call.Arg(5)), vr, set);
        else
            set.SetVR(vr, 0); // nobody answered: the transfer timed out
        reply = None();
        return true;
    }
    case 9: {
        if (call.query || count < 9 || count > 10)
            return false;
        NodeState* node = SdoNode(*slot, static_cast<int>(call.Arg(2)), static_cast<int>(call.Arg(3)));
        if (node && !Failing())
            Download(*node, static_cast<int>(call.Arg(5)), static_cast<int>(call.Arg(6)),
                     (call.Arg(7) & 0xFFFF) | ((call.Arg(8) & 0xFFFF) << 16));
        reply = None();
        return true;
    }
    default:
        return false;
    }
}

void CCanBusModel::Message(SlotState& slot, const BusCall& call, CBusModelSet& set)
{
    const int number = static_cast<int>(call.Arg(3));
    const int target = static_cast<int>(call.Arg(4));
    const bool write = target >= kWriteFlag;
    const int address = write ? target - kWriteFlag : target;
    for (AmplifierState& amplifier : slot.amplifiers) {
        if (amplifier.drive.address != address || amplifier.dropped || !Listens(slot, amplifier.drive.baudCode))
            continue;
        if (!write) {
            if (Failing())
                return; // the request goes unanswered
            std::vector<int> bytes;
            if (number == 52) {
                bytes = {0x10, 0x02, amplifier.drive.identity, 0};
            } else if (number == 53) {
                const int busy = Busy(amplifier.busyUntil) ? 0x80 : 0;
                bytes = {amplifier.errors & 0xFF, (amplifier.errors >> 8) & 0xFF, 0,
                         (amplifier.enabled ? 0x11 : 0) | busy};
            } else {
                const auto found = amplifier.drive.parameters.find(number);
                bytes = found != amplifier.drive.parameters.end() ? found->second : std::vector<int>(6, 0);
            }
            std::vector<int> message = {number, address};
            message.insert(message.end(), bytes.begin(), bytes.end());
            slot.received.push_back(message);
            return;
        }
        std::vector<int> bytes;
        for (std::size_t n = 5; n < call.args.size(); ++n)
            bytes.push_back(static_cast<int>(call.Arg(n) & 0xFF));
        switch (number) {
        case 91:
            amplifier.enabled = set.Watchdog() != 0;
            break;
        case 92:
            amplifier.enabled = false;
            break;
        case 93:
            amplifier.errors = 0;
            break;
        case 94:
            ++amplifier.stores;
            break;
        case 95:
        case 96:
            amplifier.busyUntil = ProcedureEnd();
            break;
        default:
            amplifier.drive.parameters[number] = bytes;
            break;
        }
        return;
    }
}

CCanBusModel::NodeState* CCanBusModel::SdoNode(SlotState& slot, int tx, int rx)
{
    const auto transmit = slot.buffers.find(tx);
    const auto receive = slot.buffers.find(rx);
    if (transmit == slot.buffers.end() || receive == slot.buffers.end())
        return nullptr;
    const int node = transmit->second - 0x600;
    if (node < 1 || node > 4 || receive->second != 0x580 + node)
        return nullptr;
    for (NodeState& state : slot.nodes)
        if (state.node.node == node && !state.dropped && Listens(slot, state.node.baudCode))
            return &state;
    return nullptr;
}

void CCanBusModel::Upload(NodeState& node, int index, int sub, int vr, CBusModelSet& set)
{
    Object object;
    object.size = -2; // not found
    if (index == 0x6041 && sub == 0) {
        object = {2, StatusOf(node), {}};
    } else if (index == 0x1018 && sub == 1) {
        object = {4, node.node.identity, {}};
    } else {
        const auto found = node.node.objects.find({index == 0x6061 ? 0x6060 : index, sub});
        if (found != node.node.objects.end())
            object = found->second;
        else if (index == 0x6061 && sub == 0)
            object = {1, 0, {}};
    }
    if (Failing() || object.size < 0) {
        set.SetVR(vr, kSdoAbort);
        return;
    }
    switch (object.size) {
    case 1:
        set.SetVR(vr, kSdoOneByte);
        set.SetVR(vr + 1, static_cast<double>(object.value & 0xFF));
        return;
    case 2:
        set.SetVR(vr, kSdoTwoBytes);
        set.SetVR(vr + 1, static_cast<double>(object.value & 0xFFFF));
        return;
    case 4:
        set.SetVR(vr, kSdoFourBytes);
        set.SetVR(vr + 1, static_cast<double>(object.value & 0xFFFF));
        set.SetVR(vr + 2, static_cast<double>((object.value >> 16) & 0xFFFF));
        return;
    default:
        set.SetVR(vr, kSdoString);
        set.SetVR(vr + 1, static_cast<double>(object.text.size()));
        for (std::size_t n = 0; n < object.text.size(); ++n)
            set.SetVR(vr + 2 + static_cast<int>(n), static_cast<unsigned char>(object.text[n]));
        return;
    }
}

void CCanBusModel::Download(NodeState& node, int index, int sub, long long value)
{
    if (index == 0x6040 && sub == 0) {
        const int control = static_cast<int>(value & 0xFFFF);
        int& state = node.state;
        if (state == kFault) {
            if (control & 0x80)
                state = kSwitchOnDisabled;
        } else if ((control & 0x80) || (control & 0x02) == 0) {
            state = kSwitchOnDisabled; // fault reset, disable voltage
        } else if ((control & 0x0F) == 0x06) {
            state = kReadyToSwitchOn;
        } else if ((control & 0x0F) == 0x07) {
            if (state != kSwitchOnDisabled)
                state = kSwitchedOn;
        } else if ((control & 0x0F) == 0x0F && state != kSwitchOnDisabled) {
            const bool enabled = state == kOperationEnabled || state == kSetPointAcknowledged;
            state = enabled && (control & 0x10) ? kSetPointAcknowledged : kOperationEnabled;
        }
        return;
    }
    if ((index == 0x1010 && sub == 1 && value == kSave) || (index == 0x3410 && sub == 0 && value == kAutoPhase) ||
        (index == 0x3420 && sub == 2 && value == kAutoTune)) {
        node.busyUntil = ProcedureEnd();
        if (value == kSave)
            ++node.stores;
        return;
    }
    const auto found = node.node.objects.find({index, sub});
    if (found == node.node.objects.end())
        node.node.objects[{index, sub}] = Object{4, value, {}};
    else if (found->second.size > 0)
        found->second.value = value; // strings and write-only objects keep what they hold
}

int CCanBusModel::StatusWord(int slot, int node) const
{
    auto lock = Lock();
    if (const SlotState* state = FindSlot(slot))
        for (const NodeState& n : state->nodes)
            if (n.node.node == node)
                return StatusOf(n);
    return -1;
}

bool CCanBusModel::AmplifierEnabled(int slot, int address) const
{
    auto lock = Lock();
    if (const SlotState* state = FindSlot(slot))
        for (const AmplifierState& a : state->amplifiers)
            if (a.drive.address == address)
                return a.enabled;
    return false;
}

int CCanBusModel::Stores(int slot, int address) const
{
    auto lock = Lock();
    if (const SlotState* state = FindSlot(slot)) {
        for (const AmplifierState& a : state->amplifiers)
            if (a.drive.address == address)
                return a.stores;
        for (const NodeState& n : state->nodes)
            if (n.node.node == address)
                return n.stores;
    }
    return 0;
}

int CCanBusModel::BaudCode(int slot) const
{
    auto lock = Lock();
    const SlotState* state = FindSlot(slot);
    return state ? state->baudCode : -1;
}

// The SERCOS bus model: rings of stations with IDN tables, the ring's
// phase, speed and axis assignments, and the procedure commands.
#include <cstdlib>

#include "link/tests/support/bus_models.h"

namespace {

constexpr int kSercosModuleType = 24; // COMMSTYPE of the "SERCOS" board (0x10018)

// The IDNs a station holds unless its description gives them: the timing
// requirements (read-only), the timing and mode IDNs the ring set-up
// writes, the shutdown errors, the identification texts and the P730's
// control-mode word.
void AddDefaultIdns(std::map<int, CSercosBusModel::Idn>& idns)
{
    struct Default {
        int number;
        long long value;
        const char* text;
        bool readOnly;
    };
    static const Default kDefaults[] = {
        {3, 100, nullptr, true},        {4, 50, nullptr, true},           {5, 200, nullptr, true},
        {88, 30, nullptr, true},        {90, 40, nullptr, true},          {11, 0, nullptr, true},
        {1, 0, nullptr, false},         {2, 0, nullptr, false},           {6, 0, nullptr, false},
        {7, 0, nullptr, false},         {8, 0, nullptr, false},           {9, 0, nullptr, false},
        {10, 0, nullptr, false},        {89, 0, nullptr, false},          {15, 4, nullptr, false},
        {32, 3, nullptr, false},        {16, 0, "", false},               {24, 0, "", false},
        {30, 0, "V1.02", true},         {140, 0, "Vexo/Yaskawa", true},   {141, 0, "P730", true},
        {142, 0, "SGDS-01", true},      {143, 0, "SERCOS 2.1", true},     {32768, 16, nullptr, false},
    };
    for (const Default& d : kDefaults) {
        if (idns.count(d.number))
            continue;
        CSercosBusModel::Idn idn;
        idn.value = d.value;
        idn.isText = d.text != nullptr;
        idn.text = d.text ? d.text : "";
        idn.readOnly = d.readOnly;
        idns[d.number] = idn;
    }
}

} // namespace

CSercosBusModel::CSercosBusModel(std::vector<Ring> rings)
{
    for (Ring& ring : rings) {
        for (Station& station : ring.stations)
            AddDefaultIdns(station.idns);
        RingState state;
        state.ring = ring;
        m_rings.push_back(state);
    }
}

void CSercosBusModel::Install(CBusModelSet& set)
{
    for (const RingState& ring : m_rings)
        set.SetCommsType(ring.ring.slot, ring.ring.commsType);
}

void CSercosBusModel::DropStation(int station)
{
    auto lock = Lock();
    for (RingState& ring : m_rings)
        ring.dropped.push_back(station);
}

CSercosBusModel::RingState* CSercosBusModel::FindRing(int slot)
{
    for (RingState& ring : m_rings)
        if (ring.ring.slot == slot)
            return &ring;
    return nullptr;
}

CSercosBusModel::Station* CSercosBusModel::Present(RingState& ring, int address)
{
    for (int dropped : ring.dropped)
        if (dropped == address)
            return nullptr;
    for (Station& station : ring.ring.stations)
        if (station.address == address)
            return &station;
    return nullptr;
}

// The service channel reaches a station only once it is assigned, as the
// controller keeps its channel per entry of the station list.
CSercosBusModel::Station* CSercosBusModel::Assigned(RingState& ring, int address)
{
    for (const Assignment& assignment : ring.assigned)
        if (assignment.address == address)
            return Present(ring, address);
    return nullptr;
}

bool CSercosBusModel::Handle(const BusCall& call, ScriptedReply& reply, CBusModelSet& set)
{
    using namespace BusReply;
    if (call.name == "DRIVE_STATUS" && call.query && call.format0 && !call.hasArgs && call.axis >= 0) {
        for (RingState& ring : m_rings)
            for (const Assignment& assignment : ring.assigned)
                if (assignment.axis == call.axis) {
                    Station* station = Present(ring, assignment.address);
                    reply = station ? Number(station->driveStatus) : Error(19, "Parameter out of range");
                    return true;
                }
        return false;
    }
    if (call.name == "SERCOS_PHASE" && !call.hasArgs && call.slot >= 0) {
        RingState* ring = FindRing(call.slot);
        if (!ring)
            return false;
        if (call.query) {
            reply = Number(ring->phase);
            return true;
        }
        ring->phase = std::atoi(call.value.c_str()) & 0xFF;
        reply = None();
        return true;
    }
    if (call.name != "SERCOS" || call.args.size() < 2 || call.axis >= 0)
        return false;
    RingState* ring = FindRing(static_cast<int>(call.Arg(1)));
    if (!ring)
        return false;
    const std::size_t count = call.args.size();
    const int address = static_cast<int>(call.Arg(2));
    switch (call.Arg(0)) {
    case 2:
        if (call.query || count > 4)
            return false;
        ring->intensity = count >= 3 ? static_cast<int>(call.Arg(2)) : 0;
        ring->baud = count >= 4 ? static_cast<int>(call.Arg(3)) : 16;
        ring->phase = 0;
        ring->assigned.clear();
        reply = None();
        return true;
    case 3: {
        if (call.query || count < 4 || count > 5)
            return false;
        if (address == 0) {
            ring->assigned.clear();
            reply = None();
            return true;
        }
        for (const Assignment& assignment : ring->assigned)
            if (assignment.address == address) {
                reply = Error(19, "Parameter out of range");
                return true;
            }
        const int axis = static_cast<int>(call.Arg(3));
        ring->assigned.push_back({address, axis, count == 5 ? static_cast<int>(call.Arg(4)) : 0});
        set.SetAxisType(axis, 0);
        reply = None();
        return true;
    }
    case 4: {
        if (count != 5)
            return false;
        Station* station = Assigned(*ring, address);
        if (!station || !station->idns.count(static_cast<int>(call.Arg(3))) || Failing()) {
            reply = Error(19, "Parameter out of range");
            return true;
        }
        const Idn& idn = station->idns[static_cast<int>(call.Arg(3))];
        if (!call.query && call.Arg(4) == 7)
            reply = Text(idn.isText ? idn.text : std::to_string(idn.value));
        else if (call.query && !idn.isText)
            reply = Number(call.Arg(4) == 2 ? idn.value & 0xFFFF : idn.value);
        else
            reply = Error(19, "Parameter out of range");
        return true;
    }
    case 5: {
        if (call.query || count < 6)
            return false;
        Station* station = Assigned(*ring, address);
        const int number = static_cast<int>(call.Arg(3));
        const auto known = station ? station->idns.find(number) : std::map<int, Idn>::iterator();
        if (!station || (known != station->idns.end() && known->second.readOnly) || Failing()) {
            reply = Error(19, "Parameter out of range");
            return true;
        }
        Idn& idn = station->idns[number];
        if (call.Arg(4) == 6) {
            idn.isText = true;
            idn.text.clear();
            for (std::size_t n = 5; n < count; ++n)
                idn.text += (n == 5 ? "" : ",") + std::to_string(call.Arg(n));
        } else {
            idn.value = call.Arg(5);
        }
        reply = None();
        return true;
    }
    case 6: {
        if (!call.query || count < 4)
            return false;
        Station* station = Assigned(*ring, address);
        if (!station) {
            reply = Error(19, "Parameter out of range");
            return true;
        }
        const auto result = station->procedures.find(static_cast<int>(call.Arg(3)));
        const int outcome = result != station->procedures.end() ? result->second : 1;
        // A procedure that stays busy, or fails, never reports done.
        reply = Number(BusyForever() || Failing() ? 0 : outcome);
        return true;
    }
    case 7:
        if (!call.query || count != 3)
            return false;
        reply = Number(Present(*ring, address) ? 1 : -1);
        return true;
    case 8:
        if (count != 3)
            return false;
        if (!call.query && address == 0) {
            std::string pairs;
            for (const Assignment& assignment : ring->assigned)
                pairs += std::to_string(assignment.address) + "," + std::to_string(assignment.axis) + ";";
            reply = Text(pairs);
            return true;
        }
        if (!call.query || (address != 1 && address != 2))
            return false;
        reply = Number(address == 1 ? ring->baud : ring->intensity);
        return true;
    case 10: {
        if (!call.query || count != 2)
            return false;
        // A station that dropped out opens the ring.
        bool open = false;
        for (int dropped : ring->dropped)
            for (const Station& station : ring->ring.stations)
                open = open || station.address == dropped;
        reply = Number(open ? -1 : 1);
        return true;
    }
    default:
        return false;
    }
}

int CSercosBusModel::Phase(int slot) const
{
    auto lock = Lock();
    const RingState* ring = const_cast<CSercosBusModel*>(this)->FindRing(slot);
    return ring ? ring->phase : -1;
}

long long CSercosBusModel::IdnValue(int slot, int address, int idn) const
{
    auto lock = Lock();
    RingState* ring = const_cast<CSercosBusModel*>(this)->FindRing(slot);
    if (!ring)
        return 0;
    for (const Station& station : ring->ring.stations)
        if (station.address == address && station.idns.count(idn))
            return station.idns.at(idn).value;
    return 0;
}

std::string CSercosBusModel::IdnText(int slot, int address, int idn) const
{
    auto lock = Lock();
    RingState* ring = const_cast<CSercosBusModel*>(this)->FindRing(slot);
    if (!ring)
        return {};
    for (const Station& station : ring->ring.stations)
        if (station.address == address && station.idns.count(idn))
            return station.idns.at(idn).text;
    return {};
}

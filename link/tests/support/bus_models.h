// Drive-bus models for the scripted controller: the CAN (SMTBD1 and MSDC
// amplifiers, CANopen nodes), DriveLink, SERCOS, Mechatrolink and A4N
// buses that the drive tools talk to, each built from a short description
// (slots, stations, identities, parameter tables) and answering the
// controller commands the tools send.
//
// A model set attaches to a scripted controller as its one reply
// callback: it asks each model, then its own shared state, then the
// program store. The test's exact and pattern replies still come first
// (the script asks the callback last), so a test can refuse any command.
//
//     CProgramStore store;
//     CBusModelSet buses(store);
//     CCanBusModel can({{0, {{9, 73}}}});
//     buses.Add(can);
//     buses.Attach(link);
//
// State the models share lives in the set: the VR memory (the program
// store's, so "?VR(n);" and "VR(n)=x" see what the buses deliver), WDOG,
// ATYPE and CAN_ADDRESS per axis and COMMSTYPE per slot; the project
// window's own reads of them get the same values.
//
// Replies are formed as the controller prints them: "?...[0];" a number
// whose line the end mark ends; MECHATROLINK and DRIVE_READ text replies a
// value line, then the success line ("-1" true, "0" false); a write no
// line at all. A bus on which nobody answers answers as the simulated
// runtime does (the comparison test holds both to the same bytes).
//
// Time: states that change over seconds read AfxGetClock().NowMs(), so a
// FakeClock decides when a procedure ends; nothing sleeps.
//
// Faults, in every model: silence (its commands go unanswered), a failing
// success flag, a station dropping out, a busy bit that never clears (the
// bit a procedure holds: the CANopen statusword's bit 15, bit 7 of the
// SMTBD1's status byte 5 and of AMPSTATUS, bit 15 of a Mechatrolink
// station's DRIVE_STATUS, bit 17 of an A4N drive's; a SERCOS procedure
// command then never reports done and answers 0).
//
// Thread-safe: the set answers under its own lock (the link's threads
// call it while the test reads the models).
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "link/tests/support/controller_script.h"

class CProgramStore;
class CScriptedController;
class CBusModelSet;

// One command as the controller takes it: "?" query, keyword, integer
// arguments, an AXIS(n) or SLOT(n) modifier, an "=value" and the "[0]"
// format. False for text that is not of that form.
struct BusCall {
    bool query = false;
    std::string name;
    std::vector<long long> args;
    bool hasArgs = false;
    int axis = -1;
    int slot = -1;
    bool assign = false;
    std::string value; // after "=", trimmed
    bool format0 = false; // "[0]": an integer printed without decimals
    long long Arg(std::size_t n) const { return n < args.size() ? args[n] : 0; }
    bool Is(const char* keyword, std::size_t count) const { return name == keyword && args.size() == count; }
};
bool ParseBusCall(const std::string& command, BusCall& call);

// Replies as the controller prints them.
namespace BusReply {
ScriptedReply Number(long long value);           // "?...[0];"
ScriptedReply Float(double value);               // "?NAME AXIS(n);", "%.4f"
ScriptedReply Text(const std::string& text);     // a text printed without line end
ScriptedReply Lines(const std::string& value, bool success); // value line, success line
ScriptedReply Result(bool success);              // the success line alone
ScriptedReply None();                            // a write: no line
ScriptedReply Error(int number, const char* text);
} // namespace BusReply

// What every model shares: the fault switches and the answer wrapper.
class CBusModel {
public:
    virtual ~CBusModel() = default;

    // Fills reply when the command is this model's; silence replaces the
    // answer of every command the model takes.
    bool Ask(const BusCall& call, ScriptedReply& reply, CBusModelSet& set);

    void SetSilent(bool silent)
    {
        auto lock = Lock();
        m_silent = silent;
    }
    // The success flag of the model's operations reads 0 (each model says
    // where: a text reply's success line, a write's result, a procedure).
    void SetFailing(bool failing)
    {
        auto lock = Lock();
        m_failing = failing;
    }
    // The model's busy bit (a running procedure) never clears.
    void SetBusyForever(bool busy)
    {
        auto lock = Lock();
        m_busyForever = busy;
    }
    // How long a procedure holds the busy bit, in virtual milliseconds
    // (5000 unless set): CANopen "save", "apha" and "atun", the SMTBD1's
    // phase and tune (95, 96), the SLM reset (251), the Mechatrolink save
    // (29) and the A4N store (128).
    void SetProcedureMs(std::uint64_t ms)
    {
        auto lock = Lock();
        m_procedureMs = ms;
    }
    // The station (an address, node, ASIC or axis as the model names its
    // stations) stops answering, as if unplugged.
    virtual void DropStation(int station) = 0;

protected:
    friend class CBusModelSet;
    virtual bool Handle(const BusCall& call, ScriptedReply& reply, CBusModelSet& set) = 0;
    // Puts the model's slots and axes into the shared state when added.
    virtual void Install(CBusModelSet& set) = 0;
    // The set's lock, for the state queries of the tests.
    std::unique_lock<std::recursive_mutex> Lock() const;
    bool Failing() const { return m_failing; }
    bool BusyForever() const { return m_busyForever; }
    static std::uint64_t NowMs();
    // The end of a procedure started now; whether one that ends at until
    // (0: none started) still holds the busy bit.
    std::uint64_t ProcedureEnd() const { return NowMs() + m_procedureMs; }
    bool Busy(std::uint64_t until) const;

private:
    bool m_silent = false;
    bool m_failing = false;
    bool m_busyForever = false;
    std::uint64_t m_procedureMs = 5000;
    std::recursive_mutex* m_setLock = nullptr;
    mutable std::recursive_mutex m_ownLock;
};

class CBusModelSet {
public:
    explicit CBusModelSet(CProgramStore& store);
    CBusModelSet(const CBusModelSet&) = delete;
    CBusModelSet& operator=(const CBusModelSet&) = delete;

    // The model answers from now on (the set does not own it).
    void Add(CBusModel& model);
    // The one reply callback of the link (or the script).
    void Attach(CScriptedController& link);
    void Attach(CControllerScript& script);
    bool Answer(const std::string& command, ScriptedReply& reply);

    // Shared state (the models call these while the set answers; a test
    // may call them at any time).
    static const int kAxes = 128;
    static const int kSlots = 16;
    int Watchdog() const;
    void SetWatchdog(int on);
    int AxisType(int axis) const;
    void SetAxisType(int axis, int type);
    int CanAddress(int axis) const;
    void SetCanAddress(int axis, int address);
    int CommsType(int slot) const;
    void SetCommsType(int slot, int type);
    double VR(int index) const;
    void SetVR(int index, double value);

private:
    bool AnswerShared(const BusCall& call, ScriptedReply& reply);

    mutable std::recursive_mutex m_lock;
    CProgramStore& m_store;
    std::vector<CBusModel*> m_models;
    int m_watchdog = 0;
    int m_axisType[kAxes] = {};
    int m_canAddress[kAxes] = {};
    int m_canEnable[kAxes] = {};
    int m_commsType[kSlots] = {};
    int m_canIoAddress = 32;
    int m_canIoEnable = 0;
    int m_canIoStatus = 0;
};

// ---------------------------------------------------------------- CAN

// CAN slots: SMTBD1 (identity 73) and MSDC (77) amplifiers at addresses 8
// to 11, asked with "CAN(s,7,14,n,a)" and answering into receive buffer 1
// ("?CAN(s,3,1)[0];", "CAN(s,6,1,240)": VR 240 the length, VR 241+i byte
// i); and CANopen nodes 1 to 4 reached by SDO ("CAN(s,8,...)",
// "CAN(s,9,...)") while buffers 13 and 1 hold 0x600+node and 0x580+node.
// Stations are named by address (8..11) and node (1..4).
class CCanBusModel : public CBusModel {
public:
    struct Amplifier {
        int address = 8;
        int identity = 73;
        int baudCode = 0; // the bus speed it listens at
        int errors = 0;   // bytes 2 and 3 of parameter 53, cleared by 93
        // Parameter bytes from byte 2 on (byte 0 is the number, byte 1 the
        // address), by number; 52 and 53 are made from the state.
        std::map<int, std::vector<int>> parameters;
    };
    // An object of a CANopen node: 1, 2 or 4 bytes, a string or write-only.
    struct Object {
        int size = 2; // 1, 2, 4; 0 a string; -1 write-only
        long long value = 0;
        std::string text;
    };
    struct Node {
        int node = 1;
        int identity = 130;
        int baudCode = 0;
        bool fault = false; // starts in the fault state
        std::map<std::pair<int, int>, Object> objects;
    };
    struct Slot {
        int slot = 0;
        std::vector<Amplifier> amplifiers;
        std::vector<Node> nodes;
        int busStatus = 0; // "?CAN(s,0,16)[0];"
    };

    explicit CCanBusModel(std::vector<Slot> slots);

    void DropStation(int station) override;
    // State for the tests.
    int StatusWord(int slot, int node) const;
    bool AmplifierEnabled(int slot, int address) const;
    int Stores(int slot, int address) const; // EPROM stores (94, "save")
    int BaudCode(int slot) const;

protected:
    bool Handle(const BusCall& call, ScriptedReply& reply, CBusModelSet& set) override;
    void Install(CBusModelSet& set) override;

private:
    struct AmplifierState {
        Amplifier drive;
        bool enabled = false;
        int errors = 0;
        int stores = 0;
        std::uint64_t busyUntil = 0;
        bool dropped = false;
    };
    struct NodeState {
        Node node;
        int state = 0x240;
        std::uint64_t busyUntil = 0;
        int stores = 0;
        bool dropped = false;
    };
    struct SlotState {
        int slot = 0;
        int busStatus = 0;
        int baudCode = -1; // as at power-up: never set
        std::map<int, int> buffers; // buffer -> identifier
        std::vector<std::vector<int>> received; // buffer 1
        std::vector<AmplifierState> amplifiers;
        std::vector<NodeState> nodes;
    };

    SlotState* FindSlot(int slot);
    const SlotState* FindSlot(int slot) const;
    bool Listens(const SlotState& slot, int baudCode) const;
    void Message(SlotState& slot, const BusCall& call, CBusModelSet& set);
    NodeState* SdoNode(SlotState& slot, int tx, int rx);
    void Upload(NodeState& node, int index, int sub, int vr, CBusModelSet& set);
    void Download(NodeState& node, int index, int sub, long long value);
    int StatusOf(const NodeState& node) const;

    std::vector<SlotState> m_slots;
};

// ---------------------------------------------------------------- DriveLink

// SLM modules (COMMSTYPE 22 or 43, with the module table's ASIC count) in
// slots, a drive per ASIC. "DLINK(4,s,a,x)" binds ASIC a of slot s to axis
// x (the axis takes the module's DriveLink axis type); "?DLINK(9,x)[0];"
// answers s*10+a. SLM parameters 1..37 ("?DLINK(5,x,p)", "DLINK(6,x,p,v)"),
// SLM commands 245..253 ("DLINK(7,x,c)"), drive parameters ("?DLINK(8,...)":
// 0xF000, 0x8000, 0xA000, 0xB000, 0xE000), motor parameters 0..57
// ("?DLINK(10,...)", parameter 50 the check sum of 51.. unless given),
// "?AMPSTATUS AXIS(x);" and "DLINK(1,s,0,5,v)". Stations are named
// slot*10+ASIC.
class CDriveLinkBusModel : public CBusModel {
public:
    struct Drive {
        int asic = 0;
        bool slmPresent = true;
        bool drivePresent = true;
        std::map<int, int> driveParameters; // 0xF000 defaults to 0x23 (3.5 A, kind 0)
        std::map<int, int> motorParameters;
        std::map<int, int> slmParameters;
        bool corruptCheckSum = false;
        bool fault = false; // AMPSTATUS bit 1 clear until the reset (251)
    };
    struct Module {
        int slot = 0;
        int commsType = 22;
        std::vector<Drive> drives;
    };
    explicit CDriveLinkBusModel(std::vector<Module> modules);

    void DropStation(int station) override;
    int SlmParameter(int slot, int asic, int number) const;
    std::vector<int> SlmCommands(int slot, int asic) const;
    std::vector<int> Synchronisations(int slot) const;

protected:
    bool Handle(const BusCall& call, ScriptedReply& reply, CBusModelSet& set) override;
    void Install(CBusModelSet& set) override;

private:
    struct DriveState {
        Drive drive;
        int axis = -1;
        bool enabled = false;
        bool dropped = false;
        std::uint64_t resetUntil = 0; // AMPSTATUS bit 7 while the reset runs
        std::vector<int> commands;
    };
    struct ModuleState {
        Module module;
        int asics = 0;
        std::vector<DriveState> drives;
        std::vector<int> synchronisations;
    };
    DriveState* Find(int slot, int asic);
    DriveState* OnAxis(int axis);
    int MotorParameter(const DriveState& drive, int number) const;
    std::vector<ModuleState> m_modules;
};

// ---------------------------------------------------------------- SERCOS

// SERCOS rings (COMMSTYPE 24) with stations by address, each with an IDN
// table; read-only IDNs refuse writes. The ring keeps its phase, baud rate
// and intensity (SERCOS(2,...), items 1 and 2 of SERCOS(8,...)), the axis
// assignments (SERCOS(3,...), listed by SERCOS(8,s,0) as "a,x;" pairs),
// and answers the procedures 99, 127 and 128 ("?SERCOS(6,s,a,idn)[0];")
// and DRIVE_STATUS of the assigned axes. Stations are named by address.
class CSercosBusModel : public CBusModel {
public:
    struct Idn {
        long long value = 0;
        std::string text; // a text IDN (30, 140..143) or a list
        bool isText = false;
        bool readOnly = false;
    };
    struct Station {
        int address = 1;
        std::map<int, Idn> idns; // defaults added for the usual IDNs
        int driveStatus = 0xC000;
        std::map<int, int> procedures; // IDN -> result (99, 127, 128 give 1)
    };
    struct Ring {
        int slot = 0;
        int commsType = 24;
        std::vector<Station> stations;
    };
    explicit CSercosBusModel(std::vector<Ring> rings);

    void DropStation(int station) override;
    int Phase(int slot) const;
    long long IdnValue(int slot, int address, int idn) const;
    std::string IdnText(int slot, int address, int idn) const;

protected:
    bool Handle(const BusCall& call, ScriptedReply& reply, CBusModelSet& set) override;
    void Install(CBusModelSet& set) override;

private:
    struct Assignment {
        int address;
        int axis;
        int kind;
    };
    struct RingState {
        Ring ring;
        int phase = 0;
        int baud = 16;
        int intensity = 0;
        std::vector<Assignment> assigned;
        std::vector<int> dropped;
    };
    RingState* FindRing(int slot);
    Station* Present(RingState& ring, int address);
    Station* Assigned(RingState& ring, int address);
    std::vector<RingState> m_rings;
};

// ---------------------------------------------------------------- Mechatrolink

// Mechatrolink units (COMMSTYPE 31 or 36) with stations by index and
// address: axis and axis type, items 0 (model), 1 (version) and 4 (motor),
// 2- and 4-byte parameters (functions 14 and 13), save (29), modes (20 to
// 22), and the axis parameters DRIVE_STATUS, DRIVE_INPUTS, DRIVE_CONTROL,
// REGIST_CONTROL with DRIVE_CLEAR, DRIVE_RESET and REGIST(-1). Stations
// are named by address.
class CMechatrolinkBusModel : public CBusModel {
public:
    struct Station {
        int address = 0x41;
        int axis = -1;
        int axisType = 40;
        std::string model = "SGDH-01AE";
        std::string version = "0023";
        std::string motor = "SGMAH-01A";
        std::map<int, long long> parameters;
        int status = 0x0004;  // DRIVE_STATUS: Ready
        int inputs = 0;
        int registControl = 0;
    };
    struct Unit {
        int slot = 0;
        int commsType = 31;
        std::vector<Station> stations;
    };
    explicit CMechatrolinkBusModel(std::vector<Unit> units);

    void DropStation(int station) override;
    long long Parameter(int unit, int address, int number) const;
    int Saves(int unit, int address) const;
    int DriveControl(int axis) const;

protected:
    bool Handle(const BusCall& call, ScriptedReply& reply, CBusModelSet& set) override;
    void Install(CBusModelSet& set) override;

private:
    struct StationState {
        Station station;
        int mode = 0; // 0 run, 1 commissioning
        int saves = 0;
        std::uint64_t savingUntil = 0; // DRIVE_STATUS bit 15 while saving
        int driveControl = 0;
        bool dropped = false;
    };
    struct UnitState {
        Unit unit;
        std::vector<StationState> stations;
    };
    UnitState* FindUnit(int slot);
    StationState* FindStation(UnitState& unit, int address);
    StationState* OnAxis(int axis);
    bool StationCall(const BusCall& call, ScriptedReply& reply, CBusModelSet& set);
    bool AxisCall(const BusCall& call, ScriptedReply& reply, CBusModelSet& set);
    std::vector<UnitState> m_units;
};

// ---------------------------------------------------------------- A4N

// Panasonic A4N drives on axes of a slot (COMMSTYPE 37): SLOT_NUMBER,
// ATYPE 50..52, parameters with ranges ("?DRIVE_READ(p) AXIS(x)[0];",
// "?DRIVE_WRITE(p,v) AXIS(x)[0];": 1 stored, 0 refused), the texts
// 0x10000 + 288/320/544, the alarms 0x20000 + k*0x1000 and the clear codes
// 0x20001/0x20011/0x20021, 128 stores, DRIVE_STATUS (bits 16..31), MPOS,
// UNITS, DRIVE_PARAMETER, DRIVE_VALUE, DRIVE_CLEAR, DRIVE_RESET. Stations
// are named by axis.
class CA4NBusModel : public CBusModel {
public:
    struct Parameter {
        int value = 0;
        int minimum = 0;
        int maximum = 32767;
    };
    struct Drive {
        int axis = 0;
        int slot = 0;
        int axisType = 50;
        std::string model = "MADDT1205";
        std::string version = "1.10";
        std::string text3 = "MSMD012P1S";
        std::map<int, Parameter> parameters;
        int status = 0x00C1; // bits 16..31 of DRIVE_STATUS, as the low word here
        std::vector<int> alarms; // up to 15, newest first
        double mpos = 0, units = 1, driveParameter = 0, driveValue = 0;
    };
    explicit CA4NBusModel(std::vector<Drive> drives, int commsType = 37);

    void DropStation(int station) override;
    int ParameterValue(int axis, int number) const;
    int Stores(int axis) const;
    std::vector<int> Alarms(int axis) const;

protected:
    bool Handle(const BusCall& call, ScriptedReply& reply, CBusModelSet& set) override;
    void Install(CBusModelSet& set) override;

private:
    struct DriveState {
        Drive drive;
        int stores = 0;
        std::uint64_t storingUntil = 0; // DRIVE_STATUS bit 17 while storing
        bool dropped = false;
    };
    DriveState* OnAxis(int axis);
    std::vector<DriveState> m_drives;
    int m_commsType;
    bool m_commsSet = false;
};

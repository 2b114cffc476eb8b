// The drive-bus models of the scripted controller: per bus a table of
// commands with the reply each gets on the command channel and the state
// it leaves; the time a procedure holds its busy bit; the faults; and the
// set's one callback beside the program store.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/tests/bus_model_replies.h"
#include "link/tests/support/bus_models.h"
#include "link/tests/support/controller_script.h"
#include "link/tests/support/program_store.h"
#include "testsupport/fake_clock.h"

namespace {

const char* const kNone = "(none)"; // left to the script
const char* const kRefused = "%[COMMAND 19] Parameter out of range\r\n";

struct Row {
    std::string command;
    std::string reply; // ChannelText of the answer
};

std::string Ask(CBusModelSet& set, const std::string& command)
{
    ScriptedReply reply;
    return set.Answer(command, reply) ? ChannelText(reply) : kNone;
}

void Play(CBusModelSet& set, const std::vector<Row>& rows, const char* what = "")
{
    for (const Row& row : rows)
        EXPECT_EQ(Ask(set, row.command), row.reply) << what << ": " << row.command;
}

// A set with one model over its own program store.
struct Bus {
    explicit Bus(CBusModel& model) : set(store) { set.Add(model); }
    CProgramStore store;
    CBusModelSet set;
};

CCanBusModel::Amplifier Amplifier(int address, int identity, int errors = 0)
{
    CCanBusModel::Amplifier amplifier;
    amplifier.address = address;
    amplifier.identity = identity;
    amplifier.errors = errors;
    return amplifier;
}

CCanBusModel::Node Node(int node, bool fault = false)
{
    CCanBusModel::Node n;
    n.node = node;
    n.fault = fault;
    n.objects[{0x1008, 0}] = {0, 0, "CD1"};
    n.objects[{0x6060, 0}] = {1, 3, {}};
    n.objects[{0x6510, 4}] = {2, 1000, {}};
    n.objects[{0x3000, 1}] = {-1, 0, {}}; // write-only
    return n;
}

// The SDO set-up of buffers 13 and 1 for a node, and an upload into VR 240.
std::vector<Row> SdoRead(int node, int index, int sub)
{
    return {{"CAN(0,5,13," + std::to_string(0x600 + node) + ",8,1)", "\n"},
            {"CAN(0,5,1," + std::to_string(0x580 + node) + ",8,0)", "\n"},
            {"CAN(0,8,13,1," + std::to_string(index) + "," + std::to_string(sub) + ",240)", "\n"}};
}

// Buffers 13 and 1 set for node 2, then a 32-bit download.
void SdoWrite(CBusModelSet& set, int index, int sub, long long value)
{
    for (const char* buffers : {"CAN(0,5,13,1538,8,1)", "CAN(0,5,1,1410,8,0)"})
        ASSERT_EQ(Ask(set, buffers), "\n");
    ASSERT_EQ(Ask(set, "CAN(0,9,13,1,32," + std::to_string(index) + "," + std::to_string(sub) + "," +
                           std::to_string(value & 0xFFFF) + "," + std::to_string((value >> 16) & 0xFFFF) + ")"),
              "\n");
}

int StatusWordRead(Bus& bus)
{
    for (const Row& row : SdoRead(2, 0x6041, 0))
        Ask(bus.set, row.command);
    return bus.store.VR(240) == 0x4B ? static_cast<int>(bus.store.VR(241)) : -1;
}

} // namespace

TEST(BusModels, CanAmplifiersAnswerTheirParameterRequests)
{
    CCanBusModel can({{0, {Amplifier(9, 73, 0x0402), Amplifier(11, 77)}, {}, 0}});
    Bus bus(can);
    Play(bus.set, {
        {"CAN(0,7,14,52,9)", "\n"},
        {"?CAN(0,3,1)[0];", "1\n"},
        {"CAN(0,6,1,240)", "\n"},
        {"?VR(245);", "73.0000\n"},
        {"?VR(241);", "52.0000\n"},
        {"?VR(242);", "9.0000\n"},
        {"?CAN(0,3,1)[0];", "0\n"},
        {"CAN(0,7,14,52,12)", "\n"},
        {"?CAN(0,3,1)[0];", "0\n"}, // address 12 never answers
        {"CAN(0,7,14,52,11)", "\n"},
        {"CAN(0,6,1,240)", "\n"},
        {"?VR(245);", "77.0000\n"},
        // A write carries the address + 128 and the bytes from byte 2 on.
        {"CAN(0,7,14,61,137,16,39)", "\n"},
        {"CAN(0,7,14,61,9)", "\n"},
        {"CAN(0,6,1,240)", "\n"},
        {"?VR(243);", "16.0000\n"},
        {"?VR(244);", "39.0000\n"},
        // Enable only with the watchdog on; byte 5 of parameter 53.
        {"CAN(0,7,14,91,137,0,0)", "\n"},
        {"WDOG=1", "\n"},
        {"?WDOG[0];", "1\n"},
        {"CAN(0,7,14,91,137,0,0)", "\n"},
        {"CAN(0,7,14,53,9)", "\n"},
        {"CAN(0,6,1,240)", "\n"},
        {"?VR(243);", "2.0000\n"}, // I2t
        {"?VR(244);", "4.0000\n"}, // resolver cable
        {"?VR(246);", "17.0000\n"},
        {"CAN(0,7,14,93,137)", "\n"},
        {"CAN(0,7,14,53,9)", "\n"},
        {"CAN(0,6,1,240)", "\n"},
        {"?VR(243);", "0.0000\n"},
        {"?VR(244);", "0.0000\n"},
        {"CAN(0,7,14,94,137)", "\n"},
        {"CAN(0,6,1,240)", "\n"},
        {"?VR(240);", "0.0000\n"}, // nothing waiting: the length is 0
        // Another bus speed: the amplifiers listen at 1 Mbit/s only.
        {"?CAN(0,2)[0];", "-1\n"},
        {"?CAN(0,0,16)[0];", "0\n"},
        {"CAN(0,2,1)", "\n"},
        {"?CAN(0,2)[0];", "1\n"},
        {"CAN(0,7,14,52,9)", "\n"},
        {"?CAN(0,3,1)[0];", "0\n"},
        {"CAN(0,2,5)", kRefused},
        {"CAN(1,7,14,52,9)", kNone}, // a slot without the model
    });
    EXPECT_TRUE(can.AmplifierEnabled(0, 9));
    EXPECT_EQ(can.Stores(0, 9), 1);
    EXPECT_EQ(can.BaudCode(0), 1);
    EXPECT_EQ(bus.set.CommsType(0), 0x14) << "the CAN board's slot";
}

TEST(BusModels, CanOpenSdoReachesANodeThroughItsOwnBuffers)
{
    CCanBusModel can({{0, {}, {Node(2)}, 0}});
    Bus bus(can);
    struct Case {
        const char* what;
        int node;
        int index;
        int sub;
        std::vector<double> vr; // VR 240 onwards
    };
    const Case cases[] = {
        {"identity, 4 bytes", 2, 0x1018, 1, {0x43, 130, 0}},
        {"node 1's buffers reach nobody", 1, 0x1018, 1, {0}},
        {"2 bytes", 2, 0x6510, 4, {0x4B, 1000}},
        {"1 byte, the mode display", 2, 0x6061, 0, {0x4F, 3}},
        {"a string", 2, 0x1008, 0, {0x41, 3, 'C', 'D', '1'}},
        {"write-only aborts", 2, 0x3000, 1, {0x80}},
        {"an unknown object aborts", 2, 0x2000, 9, {0x80}},
    };
    for (const Case& c : cases) {
        Play(bus.set, SdoRead(c.node, c.index, c.sub), c.what);
        for (std::size_t n = 0; n < c.vr.size(); ++n)
            EXPECT_EQ(bus.store.VR(240 + static_cast<int>(n)), c.vr[n]) << c.what << ", VR " << 240 + n;
    }
    Play(bus.set, SdoRead(2, 0x1018, 1));
    Play(bus.set, {{"CAN(0,5,1,1409,8,0)", "\n"}, {"CAN(0,8,13,1,4120,1,240)", "\n"}});
    EXPECT_EQ(bus.store.VR(240), 0) << "buffer 1 of another node: the transfer times out";
}

TEST(BusModels, CanOpenControlwordsWalkTheDriveStates)
{
    struct Case {
        const char* what;
        bool fault;
        std::vector<int> controlwords;
        std::vector<int> statuswords;
    };
    const Case cases[] = {
        {"the enable sequence", false, {0, 128, 6, 15, 31}, {0x240, 0x240, 0x221, 0x227, 0x1227}},
        {"a fault holds until 128 resets it", true, {0, 6, 128, 6, 15}, {0x228, 0x228, 0x240, 0x221, 0x227}},
        {"15 from switch-on disabled changes nothing", false, {15, 6, 0}, {0x240, 0x221, 0x240}},
    };
    for (const Case& c : cases) {
        CCanBusModel can({{0, {}, {Node(2, c.fault)}, 0}});
        Bus bus(can);
        for (std::size_t n = 0; n < c.controlwords.size(); ++n) {
            SdoWrite(bus.set, 0x6040, 0, c.controlwords[n]);
            EXPECT_EQ(StatusWordRead(bus), c.statuswords[n]) << c.what << ", controlword " << c.controlwords[n];
        }
    }
}

TEST(BusModels, ProceduresHoldTheBusyBitForVirtualSeconds)
{
    FakeClock clock;
    CCanBusModel can({{0, {Amplifier(9, 73)}, {Node(2)}, 0}});
    Bus bus(can);
    struct Case {
        const char* word;
        int index;
        int sub;
        long long value;
    };
    const Case cases[] = {{"save", 0x1010, 1, 0x65766173}, {"apha", 0x3410, 0, 0x61687061}, {"atun", 0x3420, 2, 0x6E757461}};
    for (const Case& c : cases) {
        SdoWrite(bus.set, c.index, c.sub, c.value);
        EXPECT_EQ(StatusWordRead(bus) & 0x8000, 0x8000) << c.word;
        clock.Advance(4999);
        EXPECT_EQ(StatusWordRead(bus) & 0x8000, 0x8000) << c.word << " just before 5 s";
        clock.Advance(1);
        EXPECT_EQ(StatusWordRead(bus), 0x240) << c.word << " after 5 s";
    }
    EXPECT_EQ(can.Stores(0, 2), 1) << "\"save\" stored once";

    // The SMTBD1's phase and tune: bit 7 of byte 5 of parameter 53.
    auto amplifierBusy = [&] {
        Play(bus.set, {{"CAN(0,7,14,53,9)", "\n"}, {"CAN(0,6,1,240)", "\n"}});
        return (static_cast<int>(bus.store.VR(246)) & 0x80) != 0;
    };
    Ask(bus.set, "CAN(0,7,14,96,137,1)");
    EXPECT_TRUE(amplifierBusy());
    clock.Advance(5000);
    EXPECT_FALSE(amplifierBusy());

    can.SetBusyForever(true);
    SdoWrite(bus.set, 0x1010, 1, 0x65766173);
    clock.Advance(60000);
    EXPECT_EQ(StatusWordRead(bus) & 0x8000, 0x8000) << "a busy bit that never clears, at 60 s";
    Ask(bus.set, "CAN(0,7,14,95,137)");
    EXPECT_TRUE(amplifierBusy());
    EXPECT_EQ(clock.SleptMs(), 0u) << "nothing slept";
}

TEST(BusModels, DriveLinkModulesBindDrivesAndAnswerTheirParameters)
{
    CDriveLinkBusModel::Drive first;
    first.fault = true;
    first.motorParameters = {{51, 3}, {52, 10}, {53, 20}, {54, 30}, {30, 20}};
    CDriveLinkBusModel::Drive second;
    second.asic = 1;
    second.drivePresent = false;
    CDriveLinkBusModel::Drive corrupt;
    corrupt.asic = 2;
    corrupt.motorParameters = {{51, 1}, {52, 5}};
    corrupt.corruptCheckSum = true;
    FakeClock clock;
    CDriveLinkBusModel dlink({{1, 22, {first, second, corrupt}}});
    Bus bus(dlink);
    Play(bus.set, {
        {"?COMMSTYPE SLOT(1)[0];", "22\n"},
        {"?DLINK(2,1,0)[0];", "1\n"},
        {"?DLINK(3,1,0)[0];", "1\n"},
        {"?DLINK(2,1,1)[0];", "1\n"},
        {"?DLINK(3,1,1)[0];", "0\n"},
        {"?DLINK(2,1,3)[0];", "0\n"}, // the SLM module has 3 ASICs
        {"?DLINK(2,2,0)[0];", "0\n"},
        {"?DLINK(9,4)[0];", "-1\n"},
        {"DLINK(4,1,0,4)", "\n"},
        {"?DLINK(9,4)[0];", "10\n"},
        {"?ATYPE AXIS(4)[0];", "11\n"},
        {"DLINK(4,1,2,5)", "\n"},
        {"?DLINK(9,5)[0];", "12\n"},
        {"DLINK(4,1,7,6)", kRefused},
        {"DLINK(6,4,4,400)", "\n"},
        {"?DLINK(5,4,4)[0];", "400\n"},
        {"?DLINK(5,4,37)[0];", "0\n"},
        {"?DLINK(5,4,38)[0];", kRefused},
        {"?DLINK(5,7,1)[0];", kRefused}, // an axis without a drive
        {"?DLINK(8,4,61440)[0];", "35\n"},
        {"?DLINK(8,4,32768)[0];", "264\n"},
        {"?DLINK(10,4,30)[0];", "20\n"},
        {"?DLINK(10,4,50)[0];", "63\n"}, // 3 + 10 + 20 + 30
        {"?DLINK(10,5,50)[0];", "7\n"},  // 1 + 5, one off
        {"?DLINK(10,4,58)[0];", kRefused},
        {"?AMPSTATUS AXIS(4);", "8.0000\n"}, // a fault: bit 1 clear
        {"DLINK(7,4,251)", "\n"},
        {"?AMPSTATUS AXIS(4);", "138.0000\n"}, // reset running: bit 7
    });
    clock.Advance(5000);
    Play(bus.set, {
        {"DLINK(7,4,253)", "\n"},
        {"?AMPSTATUS AXIS(4);", "10.0000\n"}, // the watchdog is off
        {"WDOG=ON", "\n"},
        {"DLINK(7,4,253)", "\n"},
        {"?AMPSTATUS AXIS(4);", "11.0000\n"},
        {"DLINK(7,4,252)", "\n"},
        {"DLINK(1,1,0,5,0)", "\n"},
        {"DLINK(1,1,0,5,128)", "\n"},
    });
    EXPECT_EQ(dlink.SlmParameter(1, 0, 4), 400);
    EXPECT_EQ(dlink.SlmCommands(1, 0), (std::vector<int>{251, 253, 253, 252}));
    EXPECT_EQ(dlink.Synchronisations(1), (std::vector<int>{0, 128}));
}

TEST(BusModels, SercosRingKeepsPhaseAssignmentsAndIdns)
{
    CSercosBusModel::Station one;
    one.address = 1;
    one.procedures[127] = -1;
    CSercosBusModel::Station two;
    two.address = 2;
    CSercosBusModel sercos({{0, 24, {one, two}}});
    Bus bus(sercos);
    Play(bus.set, {
        {"?SERCOS(7,0,1)[0];", "1\n"},
        {"?SERCOS(7,0,3)[0];", "-1\n"},
        {"?SERCOS(8,0,1)[0];", "16\n"},
        {"SERCOS(2,0,3,4)", "\n"},
        {"?SERCOS(8,0,1)[0];", "4\n"},
        {"?SERCOS(8,0,2)[0];", "3\n"},
        {"?SERCOS(10,0)[0];", "1\n"},
        {"SERCOS_PHASE SLOT(0)=1", "\n"},
        {"?SERCOS_PHASE SLOT(0)[0];", "1\n"},
        {"?SERCOS(4,0,1,3,2)[0];", kRefused}, // not assigned yet
        {"SERCOS(3,0,1,4,1)", "\n"},
        {"SERCOS(3,0,2,5,1)", "\n"},
        {"SERCOS(3,0,2,6,1)", kRefused},
        {"SERCOS(8,0,0)", "1,4;2,5;\n"},
        {"?SERCOS(4,0,1,3,2)[0];", "100\n"},
        {"SERCOS(5,0,1,3,2,7)", kRefused}, // read-only
        {"SERCOS(5,0,1,1,2,1000)", "\n"},
        {"?SERCOS(4,0,1,1,2)[0];", "1000\n"},
        {"SERCOS(5,0,1,16,6,51,130)", "\n"},
        {"SERCOS(4,0,1,16,7)", "51,130\n"},
        {"SERCOS(4,0,1,140,7)", "Vexo/Yaskawa\n"},
        {"SERCOS(4,0,1,32,7)", "3\n"},
        {"?SERCOS(4,0,1,32768,2)[0];", "16\n"},
        {"?SERCOS(6,0,1,99)[0];", "1\n"},
        {"?SERCOS(6,0,1,127)[0];", "-1\n"},
        {"?SERCOS(6,0,2,128)[0];", "1\n"},
        {"?DRIVE_STATUS AXIS(4)[0];", "49152\n"},
        {"?DRIVE_STATUS AXIS(9)[0];", kNone},
        {"SERCOS_PHASE SLOT(0)=2", "\n"},
        {"?SERCOS_PHASE SLOT(0)[0];", "2\n"},
        {"SERCOS(3,0,0,0,0)", "\n"},
        {"SERCOS(8,0,0)", "\n"},
        {"SERCOS(2,0)", "\n"},
        {"?SERCOS_PHASE SLOT(0)[0];", "0\n"},
        {"?SERCOS(7,1,1)[0];", kNone}, // no ring in slot 1
    });
    EXPECT_EQ(sercos.IdnValue(0, 1, 1), 1000);
    EXPECT_EQ(sercos.IdnText(0, 1, 16), "51,130");
}

TEST(BusModels, MechatrolinkStationsByIndexAndAddress)
{
    CMechatrolinkBusModel::Station servo;
    servo.axis = 0;
    servo.registControl = 4;
    servo.status = 0x0005;
    CMechatrolinkBusModel::Station second;
    second.address = 0x42;
    second.axis = 1;
    second.axisType = 41;
    second.model = "SGDS-01A05A";
    FakeClock clock;
    CMechatrolinkBusModel mlink({{0, 31, {servo, second}}});
    Bus bus(mlink);
    Play(bus.set, {
        {"?COMMSTYPE SLOT(0)[0];", "31\n"},
        {"MECHATROLINK(0,0)", "\n"},
        {"?MECHATROLINK(0,3,-1)[0];", "2\r-1\n"},
        {"?MECHATROLINK(0,4,0,-1)[0];", "65\r-1\n"},
        {"?MECHATROLINK(0,4,1,-1)[0];", "66\r-1\n"},
        {"?MECHATROLINK(0,4,2,-1)[0];", "0\r-1\n"},
        {"?MECHATROLINK(0,15,66,-1)[0];", "1\r-1\n"},
        {"?MECHATROLINK(0,23,66,-1)[0];", "41\r-1\n"},
        {"ATYPE AXIS(1)=42", "\n"},
        {"?MECHATROLINK(0,23,66,-1)[0];", "42\r-1\n"},
        {"?MECHATROLINK(0,17,66,0,-1)[0];", "SGDS-01A05A\r-1\n"},
        {"?MECHATROLINK(0,17,65,1,-1)[0];", "0023\r-1\n"},
        {"?MECHATROLINK(0,17,65,4,-1)[0];", "SGMAH-01A\r-1\n"},
        {"?MECHATROLINK(0,15,70,-1)[0];", "0\n"}, // nobody at 0x46
        {"?MECHATROLINK(0,13,65,1280,2,300,1)[0];", "-1\n"},
        {"?MECHATROLINK(0,14,65,1280,2,-1)[0];", "300\r-1\n"},
        {"?MECHATROLINK(0,13,65,1280,2,70000,1)[0];", "0\n"},
        {"?MECHATROLINK(0,13,65,1282,4,100000,1)[0];", "-1\n"},
        {"?MECHATROLINK(0,14,65,1282,4,-1)[0];", "100000\r-1\n"},
        {"?MECHATROLINK(0,21,65)[0];", "-1\n"},
        {"?MECHATROLINK(0,22,65,-1)[0];", "1\r-1\n"},
        {"?MECHATROLINK(0,20,65)[0];", "-1\n"},
        {"?MECHATROLINK(0,22,65,-1)[0];", "0\r-1\n"},
        {"?DRIVE_STATUS AXIS(0);", "5.0000\n"},
        {"DRIVE_CLEAR AXIS(0)", "\n"},
        {"?DRIVE_STATUS AXIS(0);", "4.0000\n"},
        {"?DRIVE_INPUTS AXIS(0);", "0.0000\n"},
        {"DRIVE_CONTROL AXIS(0)=179.000000", "\n"},
        {"?DRIVE_CONTROL AXIS(0);", "179.0000\n"},
        {"?REGIST_CONTROL AXIS(0)[0];", "4\n"},
        {"REGIST(-1) AXIS(0)", "\n"},
        {"?REGIST_CONTROL AXIS(0)[0];", "0\n"},
        {"?DRIVE_STATUS AXIS(5);", kNone},
        {"?MECHATROLINK(0,29,65,1)[0];", "-1\n"},
        {"?DRIVE_STATUS AXIS(0);", "32772.0000\n"}, // saving: bit 15
    });
    clock.Advance(5000);
    EXPECT_EQ(Ask(bus.set, "?DRIVE_STATUS AXIS(0);"), "4.0000\n");
    EXPECT_EQ(mlink.Parameter(0, 65, 1280), 300);
    EXPECT_EQ(mlink.Parameter(0, 65, 1282), 100000);
    EXPECT_EQ(mlink.Saves(0, 65), 1);
    EXPECT_EQ(mlink.DriveControl(0), 179);
}

TEST(BusModels, A4NDrivesOnAxesWithParameterRanges)
{
    CA4NBusModel::Drive drive;
    drive.axis = 0;
    drive.slot = 1;
    drive.parameters[16] = {100, 0, 1000};
    drive.alarms = {12, 38};
    drive.status = 0x00E1; // with the alarm bit
    drive.mpos = 250;
    drive.units = 4;
    CA4NBusModel a4n({drive});
    Bus bus(a4n);
    Play(bus.set, {
        {"?COMMSTYPE SLOT(1)[0];", "37\n"},
        {"?SLOT_NUMBER AXIS(0)[0];", "1\n"},
        {"?SLOT_NUMBER AXIS(3)[0];", "-1\n"},
        {"?ATYPE AXIS(0)[0];", "50\n"},
        {"?DRIVE_WRITE(16,500) AXIS(0)[0];", "1\n"},
        {"?DRIVE_READ(16) AXIS(0)[0];", "500\n"},
        {"?DRIVE_WRITE(16,1001) AXIS(0)[0];", "0\n"},
        {"?DRIVE_WRITE(17,1) AXIS(0)[0];", "0\n"},
        {"?DRIVE_READ(16) AXIS(0)[0];", "500\n"},
        {"?DRIVE_READ(17) AXIS(0)[0];", kRefused},
        {"DRIVE_READ(65824) AXIS(0)", "MADDT1205\r-1\n"},
        {"DRIVE_READ(65856) AXIS(0)", "1.10\r-1\n"},
        {"DRIVE_READ(66080) AXIS(0)", "MSMD012P1S\r-1\n"},
        {"DRIVE_READ(65537) AXIS(0)", "0\n"},
        {"?DRIVE_READ(131072) AXIS(0)[0];", "12\n"},
        {"?DRIVE_READ(135168) AXIS(0)[0];", "38\n"},
        {"?DRIVE_READ(139264) AXIS(0)[0];", "0\n"},
        {"?DRIVE_STATUS AXIS(0);", "14745600.0000\n"},
        {"?DRIVE_READ(131073) AXIS(0)[0];", "0\n"}, // clear the current alarm
        {"?DRIVE_READ(131072) AXIS(0)[0];", "38\n"},
        {"?DRIVE_STATUS AXIS(0);", "12648448.0000\n"},
        {"?DRIVE_READ(131089) AXIS(0)[0];", "0\n"}, // clear all
        {"?DRIVE_READ(131072) AXIS(0)[0];", "0\n"},
        {"?DRIVE_WRITE(128,0) AXIS(0)[0];", "1\n"},
        {"?MPOS AXIS(0);", "250.0000\n"},
        {"?UNITS AXIS(0);", "4.0000\n"},
        {"?DRIVE_PARAMETER AXIS(0);", "0.0000\n"},
        {"?DRIVE_VALUE AXIS(0);", "0.0000\n"},
        {"?DRIVE_READ(16) AXIS(1)[0];", kNone},
    });
    EXPECT_EQ(a4n.ParameterValue(0, 16), 500);
    EXPECT_EQ(a4n.Stores(0), 1);
}

TEST(BusModels, EveryModelGoesSilentFailsLosesStationsAndStaysBusy)
{
    FakeClock clock;
    CCanBusModel can({{0, {Amplifier(9, 73)}, {Node(2)}, 0}});
    CDriveLinkBusModel dlink({{1, 22, {CDriveLinkBusModel::Drive()}}});
    CSercosBusModel::Station station;
    station.address = 1;
    CSercosBusModel sercos({{2, 24, {station}}});
    CMechatrolinkBusModel::Station servo;
    servo.axis = 8;
    CMechatrolinkBusModel mlink({{3, 31, {servo}}});
    CA4NBusModel::Drive drive;
    drive.axis = 6;
    drive.slot = 4;
    drive.parameters[16] = {100, 0, 1000};
    CA4NBusModel a4n({drive});
    CProgramStore store;
    CBusModelSet set(store);
    for (CBusModel* model : std::vector<CBusModel*>{&can, &dlink, &sercos, &mlink, &a4n})
        set.Add(*model);
    Play(set, {{"DLINK(4,1,0,5)", "\n"}, {"SERCOS(3,2,1,7,0)", "\n"}});

    struct Case {
        CBusModel* model;
        const char* what;
        std::vector<Row> healthy;
        std::vector<Row> failing;
        int station;
        std::vector<Row> dropped;
        std::vector<std::string> start; // a procedure that holds the busy bit
        std::vector<Row> busy;          // read while it runs
        std::vector<Row> idle;          // read once it ended
    };
    const std::vector<std::string> save = {"CAN(0,5,13,1538,8,1)", "CAN(0,5,1,1410,8,0)",
                                           "CAN(0,9,13,1,32,4112,1,24947,25974)"};
    std::vector<Row> statusword = SdoRead(2, 0x6041, 0);
    const Case cases[] = {
        {&can, "CAN",
         {{"CAN(0,7,14,52,9)", "\n"}, {"?CAN(0,3,1)[0];", "1\n"}, {"CAN(0,6,1,240)", "\n"}},
         {{"CAN(0,7,14,52,9)", "\n"}, {"?CAN(0,3,1)[0];", "0\n"}},
         9,
         {{"CAN(0,7,14,52,9)", "\n"}, {"?CAN(0,3,1)[0];", "0\n"}},
         save,
         {statusword[0], statusword[1], statusword[2], {"?VR(241);", "33344.0000\n"}},
         {statusword[2], {"?VR(241);", "576.0000\n"}}},
        {&dlink, "DriveLink",
         {{"?DLINK(2,1,0)[0];", "1\n"}},
         {{"?DLINK(2,1,0)[0];", kRefused}},
         10,
         {{"?DLINK(2,1,0)[0];", "0\n"}, {"?DLINK(9,5)[0];", "-1\n"}},
         {"DLINK(7,5,251)"},
         {{"?AMPSTATUS AXIS(5);", "138.0000\n"}},
         {{"?AMPSTATUS AXIS(5);", "10.0000\n"}}},
        {&sercos, "SERCOS",
         {{"?SERCOS(6,2,1,128)[0];", "1\n"}},
         {{"?SERCOS(6,2,1,128)[0];", "0\n"}},
         1,
         {{"?SERCOS(7,2,1)[0];", "-1\n"}, {"?SERCOS(10,2)[0];", "-1\n"}},
         {},
         {{"?SERCOS(6,2,1,128)[0];", "0\n"}},
         {{"?SERCOS(6,2,1,128)[0];", "1\n"}}},
        {&mlink, "Mechatrolink",
         {{"?MECHATROLINK(3,3,-1)[0];", "1\r-1\n"}},
         {{"?MECHATROLINK(3,3,-1)[0];", "1\r0\n"}, {"?MECHATROLINK(3,29,65,1)[0];", "0\n"}},
         0x41,
         {{"?MECHATROLINK(3,3,-1)[0];", "0\r-1\n"}, {"?MECHATROLINK(3,15,65,-1)[0];", "0\n"}},
         {"?MECHATROLINK(3,29,65,1)[0];"},
         {{"?DRIVE_STATUS AXIS(8);", "32772.0000\n"}},
         {{"?DRIVE_STATUS AXIS(8);", "4.0000\n"}}},
        {&a4n, "A4N",
         {{"?DRIVE_WRITE(16,5) AXIS(6)[0];", "1\n"}},
         {{"?DRIVE_WRITE(16,5) AXIS(6)[0];", "0\n"}, {"DRIVE_READ(65824) AXIS(6)", "MADDT1205\r0\n"}},
         6,
         {{"?SLOT_NUMBER AXIS(6)[0];", "-1\n"}},
         {"?DRIVE_WRITE(128,0) AXIS(6)[0];"},
         {{"?DRIVE_STATUS AXIS(6);", "12779520.0000\n"}},
         {{"?DRIVE_STATUS AXIS(6);", "12648448.0000\n"}}},
    };
    for (const Case& c : cases) {
        std::string what = std::string(c.what) + ", busy";
        for (const std::string& command : c.start)
            Ask(set, command);
        if (!c.start.empty())
            Play(set, c.busy, what.c_str());
        clock.Advance(5000);
        Play(set, c.idle, what.c_str());
        c.model->SetBusyForever(true);
        for (const std::string& command : c.start)
            Ask(set, command);
        clock.Advance(60000);
        what += " forever, at 60 s";
        Play(set, c.busy, what.c_str());
        c.model->SetBusyForever(false);
        Play(set, c.idle, c.what);

        Play(set, c.healthy, c.what);
        c.model->SetSilent(true);
        for (const Row& row : c.healthy)
            EXPECT_EQ(Ask(set, row.command), "(silent)") << c.what << ": " << row.command;
        c.model->SetSilent(false);
        c.model->SetFailing(true);
        Play(set, c.failing, c.what);
        c.model->SetFailing(false);
        c.model->DropStation(c.station);
        Play(set, c.dropped, c.what);
    }
    EXPECT_EQ(Ask(set, "?WDOG[0];"), "0\n") << "the shared state answers while the models are down";
    EXPECT_EQ(clock.SleptMs(), 0u);
}

TEST(BusModels, TheSetSharesVrMemoryWithTheProgramStore)
{
    CCanBusModel can({{0, {Amplifier(9, 73)}, {}, 0}});
    Bus bus(can);
    bus.store.SetProgram("MAIN", {"PRINT 1"});
    Play(bus.set, {
        {"VR(7)=2.5", "\n"},
        {"?VR(7);", "2.5000\n"},
        {"VR(7)=x", kNone},
        {"CAN(0,7,14,52,9)", "\n"},
        {"CAN(0,6,1,240)", "\n"},
        {"?VR(245);", "73.0000\n"},
        {"&Z,MAIN", std::to_string(CProgramStore::CheckValue({"PRINT 1"})) + "\r\n"},
        {"DIR X", "MAIN,8,8,0,0\r\n"},
        {"ATYPE AXIS(3)=40", "\n"},
        {"?ATYPE AXIS(3)[0];", "40\n"},
        {"CAN_ADDRESS AXIS(3)=2313", "\n"},
        {"?CAN_ADDRESS AXIS(3)[0];", "2313\n"},
        {"?CANIO_ADDRESS[0];", "32\n"},
        {"CANIO_STATUS=16", "\n"},
        {"?CANIO_STATUS[0];", "32\n"},
        {"?ATYPE AXIS(128)[0];", kNone},
    });
    EXPECT_EQ(bus.store.VR(7), 2.5);
    EXPECT_EQ(bus.set.AxisType(3), 40);
    EXPECT_EQ(bus.set.CanAddress(3), 2313);
}

TEST(BusModels, TheScriptsOwnRepliesComeFirst)
{
    CCanBusModel can({{0, {Amplifier(9, 73)}, {}, 0}});
    CProgramStore store;
    CBusModelSet set(store);
    set.Add(can);
    store.SetProgram("MAIN", {"PRINT 1"});
    CControllerScript script;
    set.Attach(script);
    script.SetReply("?CAN(0,3,1)[0];", ScriptedReply("7"));
    const std::string typed = "CAN(0,7,14,52,9)\r?CAN(0,3,1)[0];\rDIR X\r?VR(3);\r";
    script.Receive(reinterpret_cast<const BYTE*>(typed.data()), static_cast<int>(typed.size()), 0);
    BYTE buffer[512];
    const int length = script.TakeOutput(buffer, sizeof buffer, 0);
    const std::string sent(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length));
    EXPECT_NE(sent.find("?CAN(0,3,1)[0];\r\n7\r\n>>"), std::string::npos) << sent;
    EXPECT_NE(sent.find("MAIN,8,8,0,0\r\n>>"), std::string::npos) << sent;
    EXPECT_NE(sent.find("?VR(3);\r\n0.0000"), std::string::npos) << sent;
}

TEST(BusModels, CommandsParseIntoKeywordArgumentsAndModifiers)
{
    struct Case {
        const char* command;
        bool parses;
        const char* name;
        std::vector<long long> args;
        int axis;
        int slot;
        const char* value;
        bool query;
    };
    const Case cases[] = {
        {"?CAN(0,3,1)[0];", true, "CAN", {0, 3, 1}, -1, -1, "", true},
        {"?DRIVE_WRITE(16,500) AXIS(0)[0];", true, "DRIVE_WRITE", {16, 500}, 0, -1, "", true},
        {"SERCOS_PHASE SLOT(2)=1", true, "SERCOS_PHASE", {}, -1, 2, "1", false},
        {"CAN(0,5,15,$80,0,1)", true, "CAN", {0, 5, 15, 128, 0, 1}, -1, -1, "", false},
        {"?AMPSTATUS AXIS(4);", true, "AMPSTATUS", {}, 4, -1, "", true},
        {"DIR X", false, "", {}, -1, -1, "", false},
        {"SELECT \"A\"", false, "", {}, -1, -1, "", false},
        {"CAN(0,a)", false, "", {}, -1, -1, "", false},
        {"?WDOG=1", false, "", {}, -1, -1, "", false},
    };
    for (const Case& c : cases) {
        BusCall call;
        ASSERT_EQ(ParseBusCall(c.command, call), c.parses) << c.command;
        if (!c.parses)
            continue;
        EXPECT_EQ(call.name, c.name) << c.command;
        EXPECT_EQ(call.args, c.args) << c.command;
        EXPECT_EQ(call.axis, c.axis) << c.command;
        EXPECT_EQ(call.slot, c.slot) << c.command;
        EXPECT_EQ(call.value, c.value) << c.command;
        EXPECT_EQ(call.query, c.query) << c.command;
    }
}

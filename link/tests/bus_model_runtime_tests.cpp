// The bus models against the simulated runtime: the same commands sent to
// an empty model bus and to the runtime in-process (on its command
// channel) give the same reply bytes, and so do the SERCOS commands with
// one station on the ring, which the runtime gets from a ring station
// model. What the drive tools read on QCSimulation is thereby what they
// read from the scripted controller.
//
// Left out: the ring's speed and intensity after an initialisation
// ("?SERCOS(8,s,1)" and "?SERCOS(8,s,2)"). The runtime reads them from
// registers the initialisation fills with the telegram layout (16 and 3
// whatever was given); the model answers what SERCOS(2,...) set.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/tests/bus_model_replies.h"
#include "link/tests/support/bus_models.h"
#include "link/tests/support/program_store.h"
#include "simulator/runtime/axis.h"
#include "simulator/runtime/drive_buses.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/tests/store_helpers.h"

namespace {

const int kStationAddress = 5;
const char kDc4 = 0x14;

// The ring test of slot 0's first channel block: a station answers by
// mirroring the control word's toggle into the acknowledge word, only when
// the test addresses it.
void StationAtAddress5(int slot)
{
    const int block = 291; // channel block of station entry 0
    const int addressRegister = 11;
    if (slot != 0 || (qcrt::RingRegister(0, addressRegister) & 0xFF) != kStationAddress)
        return;
    const uint32_t ack = qcrt::RingRegister(0, block + 1);
    qcrt::SetRingRegister(0, block + 1, (ack & ~1u) | (qcrt::RingRegister(0, block) & 1));
}

class BusModelsAndRuntime : public InterpreterEnvironment {
protected:
    BusModelsAndRuntime()
    {
        qcrt::g_ServoRunning.store(true); // ring waits count servo periods
        for (int axis = 0; axis < qcrt::kAxisCount; ++axis)
            qcrt::g_AxisRecords[axis].SetInt(qcrt::kAxisType, 0);
    }
    ~BusModelsAndRuntime() override
    {
        qcrt::SetRingStationModel(nullptr);
        qcrt::g_ServoRunning.store(false);
    }

    // What the runtime sends for the command on the command channel, in
    // the form of ChannelText: CR-ended lines "\r", the end mark "\n".
    std::string Runtime(const std::string& command)
    {
        // Lines ended by DC4 on channel 8, as the link's channel mode has it.
        qcrt::g_LinkProtocolMode = 1;
        qcrt::g_ProcessRecords[0].outputChannel = 8;
        const LineOutcome outcome = RunLine(command);
        qcrt::g_ProcessRecords[0].outputChannel = 0;
        qcrt::g_LinkProtocolMode = 0;
        EXPECT_EQ(outcome.error, 0) << command;
        std::string text;
        for (char c : DrainOutput(8))
            if (c != kDc4)
                text += c;
        return text + "\n"; // the end mark, LF DC4
    }

    // Each command to both; returns how many replies were compared.
    void Compare(CBusModelSet& set, const std::vector<std::string>& commands, const char* what)
    {
        for (const std::string& command : commands) {
            ScriptedReply reply;
            ASSERT_TRUE(set.Answer(command, reply)) << what << ": " << command;
            EXPECT_EQ(ChannelText(reply), Runtime(command)) << what << ": " << command;
        }
    }
};

const std::vector<std::string> kSercosCommands = {
    "?SERCOS(8,0,1)[0];",
    "?SERCOS(8,0,2)[0];",
    "SERCOS(2,0,3,4)",
    "?SERCOS(10,0)[0];",
    "?SERCOS_PHASE SLOT(0)[0];",
    "SERCOS_PHASE SLOT(0)=1",
    "?SERCOS_PHASE SLOT(0)[0];",
    "?SERCOS(7,0,5)[0];",
    "?SERCOS(7,0,6)[0];",
    "SERCOS(8,0,0)",
    "SERCOS(3,0,5,2,0)",
    "SERCOS(8,0,0)",
    "SERCOS_PHASE SLOT(0)=2",
    "?SERCOS_PHASE SLOT(0)[0];",
    "SERCOS(3,0,0,0)",
    "SERCOS(8,0,0)",
};

} // namespace

TEST_F(BusModelsAndRuntime, AnEmptyBusAnswersAsTheRuntime)
{
    CProgramStore store;
    CBusModelSet set(store);
    CMechatrolinkBusModel mlink({{0, 31, {}}});
    CSercosBusModel sercos({{0, 24, {}}});
    CCanBusModel can({{0, {}, {}, 0}});
    for (CBusModel* model : std::vector<CBusModel*>{&mlink, &sercos, &can})
        set.Add(*model);
    Compare(set,
            {
                "?MECHATROLINK(0,3,-1)[0];",
                "?MECHATROLINK(0,4,0,-1)[0];",
                "?MECHATROLINK(0,4,3,-1)[0];",
                "?MECHATROLINK(0,15,65,-1)[0];",
                "?MECHATROLINK(0,23,65,-1)[0];",
                "?MECHATROLINK(0,17,65,0,-1)[0];",
                "?MECHATROLINK(0,14,65,1280,2,-1)[0];",
            },
            "MECHATROLINK");
    Compare(set, kSercosCommands, "SERCOS, no station");
    Compare(set,
            {
                "?CAN(0,2)[0];",
                "?CAN(0,0,16)[0];",
                "?CAN(0,3,1)[0];",
                "CAN(0,2,1)",
                "?CAN(0,2)[0];",
                "CAN(0,5,13,1537,8,1)",
                "CAN(0,5,1,1409,8,0)",
                "CAN(0,7,14,52,9)",
                "?CAN(0,3,1)[0];",
                "CAN(0,8,13,1,4120,1,240)",
                "CAN(0,6,1,240)",
            },
            "CAN");
}

TEST_F(BusModelsAndRuntime, ARingWithOneStationAnswersAsTheRuntime)
{
    qcrt::SetRingStationModel(StationAtAddress5);
    CProgramStore store;
    CBusModelSet set(store);
    CSercosBusModel::Station station;
    station.address = kStationAddress;
    CSercosBusModel sercos({{0, 24, {station}}});
    set.Add(sercos);
    Compare(set, kSercosCommands, "SERCOS, one station");
    ScriptedReply reply;
    ASSERT_TRUE(set.Answer("?SERCOS(7,0,5)[0];", reply));
    EXPECT_EQ(ChannelText(reply), "1\n") << "the station is there for both";
}

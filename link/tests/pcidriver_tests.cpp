// The PCI link end to end: CVexoPCIComms, through its device-I/O seam, on
// the PCI card driver built into the drivers' harness, whose card
// registers the scripted controller plays.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "drivers/pci/card.h"
#include "drivers/tests/harness/harness.h"
#include "framework/app.h"
#include "link/controllerconnection.h"
#include "link/tests/support/controller_script.h"
#include "link/tests/support/fake_project.h"
#include "link/vexopcicomms.h"
#include "settings/vqregistry.h"
#include "testsupport/memory_log.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scripted_prompts.h"

namespace {

// The driver's files behind the link's device calls. The driver completes
// every request at once, so nothing is ever pending.
class HarnessDeviceIo : public IDeviceIo {
public:
    HANDLE Open(LPCSTR name, BOOL) override
    {
        int32_t status = 0;
        vh_file* file = vh_open(name, &status);
        if (!file) {
            ::SetLastError(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        return reinterpret_cast<HANDLE>(file);
    }
    BOOL Close(HANDLE device) override { return vh_close(File(device)) >= 0; }
    BOOL Read(HANDLE device, void* buffer, DWORD count, DWORD* done, OVERLAPPED*) override
    {
        uint32_t moved = 0;
        ++m_readCalls;
        const int32_t status = vh_read(File(device), buffer, count, &moved);
        m_readBytes += moved;
        m_lastRead = GetTickCount64();
        if (status < 0)
            Note("read failed " + std::to_string(status));
        return Result(status, moved, done);
    }
    BOOL Write(HANDLE device, const void* buffer, DWORD count, DWORD* done, OVERLAPPED*) override
    {
        uint32_t moved = 0;
        const int32_t status = vh_write(File(device), buffer, count, &moved);
        Note("write " + std::to_string(count) + ": " + std::to_string(status) + ", " + std::to_string(moved));
        return Result(status, moved, done);
    }
    BOOL Control(HANDLE device, DWORD code, void* input, DWORD inputSize, void* output, DWORD outputSize,
                 DWORD* returned) override
    {
        uint32_t moved = 0;
        return Result(vh_ioctl(File(device), code, input, inputSize, output, outputSize, &moved), moved, returned);
    }
    BOOL GetResult(HANDLE, OVERLAPPED*, DWORD*, BOOL) override
    {
        Note("result asked");
        return TRUE;
    }

    // What went through, for a failing test to show.
    std::string Record()
    {
        std::lock_guard<std::mutex> guard(m_noteLock);
        return m_notes + "reads " + std::to_string(m_readCalls.load()) + ", bytes " +
               std::to_string(m_readBytes.load()) + ", the last " + std::to_string(GetTickCount64() - m_lastRead) +
               " ms ago\n";
    }
    BOOL Cancel(HANDLE) override { return TRUE; }

private:
    void Note(const std::string& line)
    {
        std::lock_guard<std::mutex> guard(m_noteLock);
        m_notes += line + "\n";
    }
    static vh_file* File(HANDLE device) { return reinterpret_cast<vh_file*>(device); }
    static BOOL Result(int32_t status, uint32_t moved, DWORD* done)
    {
        if (done)
            *done = moved;
        if (status < 0) {
            ::SetLastError(ERROR_GEN_FAILURE);
            return FALSE;
        }
        return TRUE;
    }

    std::mutex m_noteLock;
    std::string m_notes;
    std::atomic<long> m_readCalls{0};
    std::atomic<long> m_readBytes{0};
    std::atomic<ULONGLONG> m_lastRead{0};
};

class PciDriverLinkTest : public RegistrySandboxTest {
protected:
    void SetUp() override
    {
        vh_reset();
        ASSERT_EQ(0, vh_load());
        m_card = vh_card_new(0x10000);
        vh_card_model model = {&ReadRegister, &WriteRegister, this};
        vh_card_set_model(m_card, &model);
        ASSERT_EQ(0, vh_add_device(m_card));
        ASSERT_EQ(0, vh_start(m_card, 0x10000));
        m_script.SetReply("?CONTROL[0]", ScriptedReply("206"));
        m_script.SetReply("?VERSION", ScriptedReply("2.0137"));
        m_script.SetReply("?VR(1);", ScriptedReply("7.25"));
        m_project.SetConnection(&m_connection);
        m_connection.SetLinkFactory([this](int type) -> CComms* {
            if (type != LINK_TYPE_PCI)
                return nullptr;
            auto* link = new CVexoPCIComms;
            link->SetDeviceIo(&m_io);
            return link;
        });
    }
    void TearDown() override
    {
        m_connection.CloseLink();
        vh_pnp(m_card, 0x02); // removed
        vh_card_free(m_card);
        vh_unload();
        EXPECT_STREQ("", vh_violations());
    }

    // The card's command-line registers are the scripted controller's;
    // the rest of its memory is plain.
    static uint32_t ReadRegister(void* context, uint32_t* memory, uint32_t offset)
    {
        auto* self = static_cast<PciDriverLinkTest*>(context);
        std::lock_guard<std::mutex> guard(self->m_lock);
        const std::uint64_t now = GetTickCount64();
        ++self->m_reads;
        switch (offset) {
        case VX_CARD_RECEIVE_STATUS:
            return self->m_script.HasOutput(now) ? VX_CARD_STATUS_BYTE : 0;
        case VX_CARD_RECEIVE: {
            BYTE byte = 0;
            return self->m_script.TakeOutput(&byte, 1, now) == 1 ? byte : 0xFFFFFFFFu;
        }
        case VX_CARD_TRANSMIT_STATUS:
            return 0;
        default:
            return memory[offset / 4];
        }
    }
    static void WriteRegister(void* context, uint32_t* memory, uint32_t offset, uint32_t value)
    {
        auto* self = static_cast<PciDriverLinkTest*>(context);
        std::lock_guard<std::mutex> guard(self->m_lock);
        if (offset == VX_CARD_TRANSMIT) {
            const BYTE byte = static_cast<BYTE>(value);
            self->m_script.Receive(&byte, 1, GetTickCount64());
        } else {
            memory[offset / 4] = value;
        }
    }
    std::string Written()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_script.Written();
    }
    bool OpenLink(BOOL channelMode)
    {
        CCommPortData record;
        record.SetName("PCI0");
        record.SetTypeDefaults(LINK_TYPE_PCI);
        record.SetNumber(0);
        return m_connection.OpenLink(m_project.GetSafeHwnd(), &record, channelMode) != FALSE;
    }

    CWinApp m_app{"PCI driver link tests"};
    ScriptedPrompts m_prompts;
    HarnessDeviceIo m_io;
    vh_card* m_card = nullptr;
    std::mutex m_lock;
    CControllerScript m_script;
    std::atomic<long> m_reads{0};
    CFakeProjectLink m_project;
    CControllerConnection m_connection{&m_project};
};

TEST_F(PciDriverLinkTest, TheVersionOnTheCommandLineAndAVrInChannelMode)
{
    MemoryLog log(LOG_LINK | LOG_STATUS_ERRORS);
    ASSERT_TRUE(OpenLink(FALSE));
    EXPECT_EQ(0x55555555u, vh_card_memory(m_card)[VX_CARD_HOST_LINK / 4]); // the driver's \VQE is open
    EXPECT_DOUBLE_EQ(2.0137, m_connection.GetVersion());
    EXPECT_EQ("?VERSION\r", Written());
    if (HasFailure()) {
        std::lock_guard<std::mutex> guard(m_lock);
        std::string lines;
        for (const std::string& line : log.Lines())
            lines += line + "\n";
        ADD_FAILURE() << "controller:\n" << m_script.Transcript() << "link:\n" << lines << "driver:\n" << vh_log() << "device calls:\n" << m_io.Record();
    }

    CVQRegistry().SetPacket(0);
    ASSERT_TRUE(m_connection.EnterChannelMode(nullptr));
    ControllerMessage message;
    message.m_nCommandId = 32; // "?VR(%i);"
    message.m_nChannel = CHANNEL_COMMAND;
    message.SetInteger(1);
    message.m_hReplyWnd = m_project.GetSafeHwnd();
    ASSERT_TRUE(m_connection.Transact(&message));
    ASSERT_FALSE(m_project.OwnReplies().empty());
    EXPECT_DOUBLE_EQ(7.25, m_project.OwnReplies().back().GetReal());
    EXPECT_NE(std::string::npos, Written().find("VQE(1)\r"));
    EXPECT_NE(std::string::npos, Written().find("?VR(1);"));
    EXPECT_TRUE(m_connection.LeaveChannelMode());
    EXPECT_TRUE(m_project.Errors().empty());
    EXPECT_TRUE(m_prompts.Records().empty());

    m_connection.CloseLink();
    EXPECT_EQ(0u, vh_card_memory(m_card)[VX_CARD_HOST_LINK / 4]);
}

TEST_F(PciDriverLinkTest, ClosingTheLinkWhileItsReadPollsASilentCardReturns)
{
    m_script.SetSilent(true);
    CVexoPCIComms link;
    link.SetDeviceIo(&m_io);
    CCommPortData record;
    record.SetName("PCI0");
    record.SetTypeDefaults(LINK_TYPE_PCI);
    link.SetConfiguration(&record);
    ASSERT_TRUE(link.Open(&m_connection));
    // The receive thread polls the card.
    const long before = m_reads.load();
    const ULONGLONG start = GetTickCount64();
    while (m_reads.load() < before + 20 && GetTickCount64() - start < 5000)
        Sleep(1);
    ASSERT_GE(m_reads.load(), before + 20);
    std::atomic<bool> closed{false};
    std::thread closer([&] {
        link.Close();
        closed = true;
    });
    const ULONGLONG closing = GetTickCount64();
    while (!closed && GetTickCount64() - closing < 5000)
        Sleep(1);
    EXPECT_TRUE(closed.load());
    closer.join();
    EXPECT_FALSE(link.IsReceiveThreadRunning());
    EXPECT_EQ(0u, vh_card_memory(m_card)[VX_CARD_HOST_LINK / 4]);
}

} // namespace

// How fast the receive side of the link decodes what the controller sends,
// how fast the project check's CRC runs over program text, and how long a
// command-channel round trip takes against the scripted controller on an
// in-process link. The link reads up to 1024 bytes per pass and sleeps 1 ms
// between passes, so decoding must take a small fraction of a millisecond
// per read; a round trip is bounded by those passes, not by the framing.
//
// Then the same round trip over the simulator window link to a running
// QCSimulation (started from this program's folder; targets: median at most
// 2 ms, 99th percentile at most 10 ms), and the bytes per second of a fast
// project load (LOAD_PROJECT) of 100 KB into it. The simulator's port
// service takes at most 16 bytes per millisecond tick, so the load can reach
// 16 000 bytes/s; the target is 80 % of that. The load replaces the
// simulator's programs (LOAD_PROJECT deletes them first) and the bench
// deletes its program afterwards.
//
// Where a window-link round trip goes (measured on a lightly loaded
// machine): the "?VR(1);" write is three posts, about 0.2 ms each under
// Wine; the command waits for the simulator's next 1 ms tick to be moved in
// (0.5 ms on average) and its reply for the tick after it has run; the
// reply (about 25 bytes) leaves at most 16 bytes a tick, so a second tick;
// then seven posts back. That is near 4 ms before any load on the machine.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/simulator_session.h"
#include "foundation/crc.h"
#include "foundation/logfile.h"
#include "foundation/matcher.h"
#include "link/channeldemux.h"
#include "link/channelreception.h"
#include "link/commandtable.h"
#include "link/controllerconnection.h"
#include "link/projectwindow.h"
#include "link/syncpacket.h"
#include "link/tests/support/scripted_controller.h"
#include "project/fastloadproject.h"
#include "testsupport/scratch_folder.h"

namespace {

class CountingReceiver : public ILinkReceiver {
public:
    void OnReceive(int, int length, const BYTE*) override
    {
        m_bytes += static_cast<unsigned long long>(length);
        ++m_runs;
    }
    unsigned long long m_bytes = 0;
    unsigned long long m_runs = 0;
};

// Replies on channel 0 with a switch to channel 9 for a status line every
// 200 bytes, and escaped bytes now and then.
std::vector<BYTE> MixedTraffic(std::size_t size)
{
    std::vector<BYTE> data;
    data.reserve(size + 16);
    unsigned n = 0;
    while (data.size() < size) {
        if (n % 200 == 0) {
            for (BYTE b : {ESC, BYTE('9'), BYTE('S'), BYTE('T'), BYTE('\r'), BYTE('\n'), ESC, BYTE('0')})
                data.push_back(b);
        } else if (n % 97 == 0) {
            data.push_back(ESC);
            data.push_back(ESC);
        } else {
            data.push_back(static_cast<BYTE>('A' + n % 26));
        }
        ++n;
    }
    return data;
}

// The project window as the round trip needs it: its own requests' replies
// are counted.
class CountingProject : public IProjectWindow {
public:
    HWND GetProjectWindowHandle() override { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x10)); }
    BOOL ProcessMessage(const ControllerMessage*) override { return FALSE; }
    void DispatchReplyToWindow(ControllerMessage*) override {}
    void OnCompileMessage(LPCSTR, int) override {}
    void LockRegistry() override {}
    void UnlockRegistry() override {}
    bool LookupRegisteredWindow(HWND) override { return false; }
    void OnControllerReply(ControllerMessage* message) override
    {
        ++replies;
        last = message->GetReal();
    }
    bool IsReplyDispatchBlocked() override { return false; }
    void AddErrorText(LPCSTR) override { ++errors; }
    void NotifyControlPanelProgram(LPCSTR) override {}
    void SetProcessStatus(int, int, int, int, LPCSTR) override {}
    void SetProgramStatusByName(int, LPCSTR) override {}
    int replies = 0;
    int errors = 0;
    double last = 0.0;
};

struct CountingSink : IChannelReceptionSink {
    void OnTerminalBytes(int, int, const BYTE*) override {}
    bool OnChannelLine(int, const char*, int length, bool) override
    {
        bytes += length;
        return true;
    }
    void OnPacketAnswer(int, BYTE) override {}
    void SendPacketAnswer(int, BYTE) override {}
    long long bytes = 0;
};

using simbench::Percentile;
using simbench::Seconds;

// The project window's part in a fast project load: it has left channel
// mode and lends its link with the receive thread suspended.
class LendingOwner : public IFastLoadOwner {
public:
    explicit LendingOwner(CComms* link) : m_pLink(link) {}
    HWND GetOwnerWindow() override { return nullptr; }
    void Disconnect() override {}
    CComms* BorrowLink(int) override
    {
        m_pLink->SuspendReceive();
        return m_pLink;
    }
    void ReturnLink() override { m_pLink->ResumeReceive(); }

private:
    CComms* m_pLink;
};

const char kLoadProgram[] = "LOADBENCH";

// 100 KB of program text in lines the runtime takes (at most 160 bytes).
std::string LoadText()
{
    const std::size_t size = 100 * 1024;
    std::string text;
    for (int line = 0; text.size() < size; ++line)
        text += "VR(" + std::to_string(line % 1000) + ")=VR(" + std::to_string(line % 997) + ")+1 ' a comment\r";
    text.resize(size - 1);
    text += '\r';
    return text;
}

void WindowLinkFigures()
{
    simbench::SimulatorSession session;
    if (!session.Start())
        return;
    const std::vector<double> times = session.VrRoundTrips(1000);
    std::printf("window_link_vr_round_trip_median: %.3f ms (target 2)\n", Percentile(times, 0.5));
    std::printf("window_link_vr_round_trip_p99: %.3f ms (target 10)\n", Percentile(times, 0.99));

    // The transport's own ceiling: every link message crosses to the
    // simulator's process as one post of at most 4 bytes. Posts of WM_NULL,
    // which its window thread takes and ignores, for a second.
    if (const HWND comms = session.Comms()) {
        int posts = 0;
        const auto postStart = std::chrono::steady_clock::now();
        while (Seconds(postStart) < 1.0) {
            if (!PostMessageA(comms, WM_NULL, 0, 0))
                break;
            ++posts;
        }
        const double perSecond = posts / Seconds(postStart);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(comms, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored); // the queue has drained
        std::printf("window_link_posts_per_second: %.0f (a ceiling of %.0f bytes/s at 4 bytes a post)\n", perSecond,
                    4 * perSecond);
    }

    ScratchFolder folder;
    const std::string text = LoadText();
    WriteWholeFile(folder / "Bench.prj", std::string("[Controller]\r\nType=QC110\r\n[Programs]\r\nProgram00=") +
                                             kLoadProgram + "\r\n[ProgramType]\r\n" + kLoadProgram + "=0\r\n");
    WriteWholeFile(folder / (std::string(kLoadProgram) + ".bas"), text);
    CControllerConnection& connection = session.Connection();
    connection.LeaveChannelMode();
    LendingOwner owner(connection.GetLink());
    std::atomic<int> cancel{0};
    auto* load = new CFastLoadProject(&owner, (folder / "Bench.prj").c_str(), &cancel);
    load->SetShowGauge(FALSE);
    const auto start = std::chrono::steady_clock::now();
    load->Start(1);
    load->WaitUntilDone(180000);
    const double seconds = Seconds(start);
    const bool ok = load->Succeeded() != FALSE;
    load->Release();
    const double rate = static_cast<double>(text.size()) / seconds;
    std::printf("window_link_load_project: %.0f bytes/s, %.0f %% of 16000 (target 80 %%)%s\n", rate,
                rate * 100.0 / 16000.0, ok ? "" : " (load failed)");
    if (connection.EnterChannelMode(&session.Record()))
        session.Send({CommandItem(13, kLoadProgram)});
}

} // namespace

int main()
{
    // Logging off: the benchmark measures decoding, not the log file.
    CLogFile quiet;
    quiet.SetEnabled(FALSE);
    CLogFile* previous = SetGlobalLog(&quiet);

    const std::vector<BYTE> traffic = MixedTraffic(8 * 1024 * 1024);
    CountingReceiver receiver;
    int channel = 0, escape = 0;
    const auto start = std::chrono::steady_clock::now();
    const int rounds = 4;
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t at = 0; at < traffic.size(); at += 1024) {
            const int count = static_cast<int>(std::min<std::size_t>(1024, traffic.size() - at));
            DispatchChannels(&receiver, channel, escape, count, traffic.data() + at);
        }
    }
    const double seconds = Seconds(start);
    const double megabytes = static_cast<double>(traffic.size()) * rounds / (1024.0 * 1024.0);
    const double reads = static_cast<double>(traffic.size()) * rounds / 1024.0;
    std::printf("demux_throughput: %.1f MB/s\n", megabytes / seconds);
    std::printf("demux_time_per_1024_byte_read: %.2f us\n", seconds * 1e6 / reads);

    CCrcCalculator crc;
    crc.SelectModel("CRC-16");
    const auto crcStart = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds; ++round) {
        crc.Reset();
        crc.Update(traffic.data(), traffic.size());
    }
    std::printf("crc16_throughput: %.1f MB/s\n", megabytes / Seconds(crcStart));
    std::printf("(checksum %04X, %llu runs delivered)\n", static_cast<unsigned>(crc.GetValue()), receiver.m_runs);

    // The two halves of one "?VR(1);" exchange without any waiting. The
    // framing: the command text and its channel bytes as they are written.
    // The reply path: the controller's answer (echo, value line, end mark)
    // cut into lines, the echo compared and the value read, as the reply
    // dispatcher does. What a whole round trip takes beyond the two is the
    // link's transport.
    {
        const int rounds = 200000;
        ControllerMessage message;
        message.m_nCommandId = 32;
        message.m_nChannel = CHANNEL_COMMAND;
        message.SetInteger(1);
        std::size_t written = 0;
        const auto framingStart = std::chrono::steady_clock::now();
        for (int n = 0; n < rounds; ++n) {
            CString command;
            FormatControllerCommand(message, command);
            std::string bytes = "\x1b" "8";
            bytes.append(command.GetString(), static_cast<std::size_t>(command.GetLength()));
            bytes += "\n\x14";
            written += bytes.size();
        }
        std::printf("vr_command_framing: %.2f us\n", Seconds(framingStart) * 1e6 / rounds);

        struct ReplySink : CountingSink {
            bool OnChannelLine(int channel, const char* text, int length, bool endedCR) override
            {
                CountingSink::OnChannelLine(channel, text, length, endedCR);
                if (!echoed) {
                    echoed = std::strcmp(text, "?VR(1);") == 0;
                } else if (length > 0) {
                    MatchText(text, "%f", &value);
                } else {
                    echoed = false; // the end mark
                }
                return true;
            }
            bool echoed = false;
            double value = 0.0;
        } sink;
        const std::string answer = "\x1b" "8?VR(1);\n\x14\x1b" "81.5000\r\x14\x1b" "8\n\x14";
        CChannelReception reception;
        int channel = CHANNEL_NONE;
        int escape = 0;
        // The link base's demultiplexer hands the reception its channel.
        struct Demuxed : ILinkReceiver {
            void OnReceive(int channelOf, int length, const BYTE* bytes) override
            {
                reception->Receive(*sink, false, channelOf, length, bytes);
            }
            CChannelReception* reception;
            IChannelReceptionSink* sink;
        } demuxed;
        demuxed.reception = &reception;
        demuxed.sink = &sink;
        const auto replyStart = std::chrono::steady_clock::now();
        for (int n = 0; n < rounds; ++n)
            DispatchChannels(&demuxed, channel, escape, static_cast<int>(answer.size()),
                             reinterpret_cast<const BYTE*>(answer.data()));
        std::printf("vr_reply_path: %.2f us\n", Seconds(replyStart) * 1e6 / rounds);
        std::printf("(%zu bytes framed, %lld reply bytes, last value %.4f)\n", written, sink.bytes, sink.value);
    }

    // Whole round trips through the connection, the link's receive thread
    // and the scripted controller, on the real clock.
    {
        CountingProject project;
        CControllerConnection connection(&project);
        CScriptedController* link = nullptr;
        connection.SetLinkFactory([&](int type) {
            link = new CScriptedController(type);
            link->SetReply("?CONTROL[0]", ScriptedReply("206"));
            link->SetReply("?VERSION", ScriptedReply("2.0137"));
            link->SetReplyPattern("?VR(%d);", ScriptedReply("1.5000"));
            return link;
        });
        CCommPortData record;
        record.SetTypeDefaults(LINK_TYPE_ETHERNET);
        if (!connection.OpenLink(project.GetProjectWindowHandle(), &record, TRUE)) {
            std::printf("(the scripted link did not enter channel mode)\n");
        } else {
            const std::vector<double> times = simbench::VrRoundTrips(connection, project.GetProjectWindowHandle(), 10000);
            std::printf("vr_round_trip_median: %.3f ms\n", Percentile(times, 0.5));
            std::printf("vr_round_trip_p99: %.3f ms\n", Percentile(times, 0.99));
            std::printf("(%d replies, %d errors)\n", project.replies, project.errors);
        }
    }

    WindowLinkFigures();

    SetGlobalLog(previous);
    return 0;
}

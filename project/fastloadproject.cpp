#include "project/fastloadproject.h"

#include <process.h>

#include <cstdio>
#include <cstring>

#include "foundation/crc.h"
#include "foundation/logline.h"
#include "framework/app.h"
#include "framework/clock.h"
#include "framework/prompt.h"
#include "framework/thread.h"
#include "link/comms.h"
#include "project/fastloadframe.h"
#include "project/programtypes.h"
#include "project/projectfile.h"
#include "project/projectmessages.h"
#include "ui/progress.h"

namespace {

const char kCaption[] = "Load Project";                     // 567
const char kTimeout[] = "Timeout waiting for response";     // 225
const char kAborted[] = "Aborted by controller";            // 236
const char kLoadError[] = "Error during project load";      // 1287
const DWORD kAckWaitMs = 20000;

} // namespace

CFastLoadProject::CFastLoadProject(IFastLoadOwner* owner, LPCSTR projectPath, const std::atomic<int>* cancel)
    : m_pOwner(owner), m_pCancel(cancel), m_strPath(projectPath ? projectPath : "")
{
    m_hDone = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

CFastLoadProject::~CFastLoadProject()
{
    if (m_hDone)
        ::CloseHandle(m_hDone);
    m_strPath.Empty();
    m_strReceived.Empty();
}

BOOL CFastLoadProject::Start(int startFlag)
{
    m_nStartFlag = startFlag;
    if (!m_pOwner || !m_pCancel || !m_hDone)
        return FALSE;
    m_hOwnerWindow = m_pOwner->GetOwnerWindow();
    if (startFlag == 0) {
        m_pOwner->Disconnect();
        AfxGetClock().SleepMs(200);
    }
    const uintptr_t thread = _beginthreadex(nullptr, 0, &CFastLoadProject::ThreadMain, this, 0, nullptr);
    if (!thread)
        return FALSE;
    ::CloseHandle(reinterpret_cast<HANDLE>(thread));
    return TRUE;
}

unsigned __stdcall CFastLoadProject::ThreadMain(void* parameter)
{
    auto* self = static_cast<CFastLoadProject*>(parameter);
    if (self) {
        self->Run();
        self->Unref();
    }
    return 0;
}

BOOL CFastLoadProject::WaitUntilDone(DWORD timeoutMs)
{
    return AfxWaitWithMessages(m_hDone, timeoutMs) == WAIT_OBJECT_0 ? TRUE : FALSE;
}

void CFastLoadProject::Release()
{
    Unref();
}

void CFastLoadProject::Unref()
{
    if (m_nRefs.fetch_sub(1) == 1)
        delete this;
}

BOOL CFastLoadProject::WriteLink(const std::string& bytes)
{
    if (!m_pLink || bytes.empty())
        return FALSE;
    return m_pLink->Write(static_cast<int>(bytes.size()), reinterpret_cast<const BYTE*>(bytes.data()));
}

void CFastLoadProject::ShowMessage(LPCSTR text)
{
    AfxGetPromptService().Prompt(m_hOwnerWindow, text, kCaption, MB_OK);
}

int CFastLoadProject::ReadReplies(bool sleepWhenEmpty)
{
    if (!m_pLink || m_bAborted)
        return 0;
    BYTE buffer[64];
    const int count = m_pLink->Read(buffer, sizeof buffer);
    if (count < 0) {
        // The link is gone: nothing more can be sent.
        m_bAborted = true;
        return count;
    }
    if (count == 0) {
        if (sleepWhenEmpty)
            AfxGetClock().SleepMs(1);
        return 0;
    }
    GlobalLogFormat(LOG_RECEIVE_COUNTS, "RX-FLP: %d chars", count);
    GlobalLogLine(CString("Rx-FLP: ") + CString(reinterpret_cast<const char*>(buffer), count), LOG_LINK);
    for (int i = 0; i < count; ++i) {
        if (buffer[i] == static_cast<BYTE>(FastLoad::ACK)) {
            m_bAcknowledged = true;
        } else if (buffer[i] == static_cast<BYTE>(FastLoad::NAK) || buffer[i] == '>') {
            m_bAborted = true;
            // One message per load, however many refusals arrive.
            if (!m_bAbortShown) {
                m_bAbortShown = true;
                ShowMessage(kAborted);
            }
        }
    }
    return count;
}

BOOL CFastLoadProject::WaitForPrompt(int seconds, const char* prompt, int keep)
{
    m_strReceived.Empty();
    if (!m_pLink)
        return FALSE;
    const int promptLength = static_cast<int>(std::strlen(prompt));
    if (keep < promptLength + 1)
        keep = promptLength + 1;
    IClock& clock = AfxGetClock();
    const std::uint64_t start = clock.NowMs();
    while (clock.NowMs() - start < static_cast<std::uint64_t>(seconds) * 1000 && !Cancelled()) {
        char buffer[33];
        const int count = m_pLink->Read(reinterpret_cast<BYTE*>(buffer), 32);
        if (count < 0)
            return FALSE;
        if (count > 0) {
            buffer[count] = '\0';
            GlobalLogFormat(LOG_RECEIVE_COUNTS, "RX-FLP(WP): %d chars", count);
            GlobalLogLine(CString("Rx-FLP(WP): ") + CString(buffer, count), LOG_LINK);
            m_strReceived += CString(buffer, count);
            const int length = m_strReceived.GetLength();
            const CString tail = length > keep ? m_strReceived.Mid(length - keep) : m_strReceived;
            if (tail.Find(prompt) >= 0)
                return TRUE;
            continue;
        }
        clock.SleepMs(1);
        AfxPumpMessages();
    }
    return FALSE;
}

bool CFastLoadProject::TakeAck()
{
    IClock& clock = AfxGetClock();
    const std::uint64_t start = clock.NowMs();
    while (!m_bAcknowledged && !Stopped() && clock.NowMs() - start < kAckWaitMs)
        ReadReplies(true);
    if (Stopped())
        return true; // the stop is dealt with by the caller
    if (m_bAcknowledged) {
        m_bAcknowledged = false;
        return true;
    }
    ShowMessage(kTimeout);
    return false;
}

void CFastLoadProject::SendProgram(const Entry& entry, const CString& folder)
{
    if (!IsProgramFileName(entry.name)) {
        // Such a name does not fit the controller's header, or is no file.
        m_bSent = false;
        return;
    }
    const int type = static_cast<int>(entry.type);
    const CString extension = CanMoveProgramTypeAsFile(type, m_hOwnerWindow) ? GetProgramTypeTransferExtension(type)
                                                                             : GetProgramTypeExtension(type);
    if (extension.IsEmpty()) {
        m_bSent = false;
        return;
    }
    const CString path = folder + entry.name + "." + extension;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        m_bSent = false;
        return;
    }
    std::fseek(file, 0, SEEK_END);
    const long length = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);

    CGaugeThread* gauge = nullptr;
    if (m_bShowGauge) {
        gauge = StartProgressGauge();
        if (gauge) {
            gauge->SetCaption("Loading File"); // 563
            gauge->SetPathText(path);
            gauge->SetCancelFlag(&m_nGaugeCancel);
            gauge->ShowButton(TRUE);
            gauge->SetConfirmCancel(FALSE);
        }
    }

    // The header.
    m_bAcknowledged = false;
    m_bSent = WriteLink(FastLoad::HeaderFrame(FastLoad::HeaderText(std::string(entry.name), type)));
    if (m_bSent && !TakeAck())
        m_bAborted = true;

    // The text and its check frame.
    if (m_bSent && !Stopped()) {
        CCrcCalculator crc;
        crc.SelectModel("CRC-16");
        crc.Reset();
        long done = 0;
        bool lastWasCR = false;
        int shownPercent = -1;
        char piece[FastLoad::kPieceSize];
        for (;;) {
            const std::size_t got = std::fread(piece, 1, sizeof piece, file);
            if (got == 0)
                break;
            done += static_cast<long>(got);
            std::string out;
            for (std::size_t i = 0; i < got; ++i) {
                const char c = piece[i];
                // A line feed goes; one without a CR before it ends its
                // line with a CR instead.
                if (c == '\n') {
                    if (!lastWasCR)
                        out += '\r';
                } else {
                    out += c;
                }
                lastWasCR = c == '\r';
            }
            if (!out.empty()) {
                crc.Update(out.data(), out.size());
                m_bSent = WriteLink(out);
                if (!m_bSent)
                    break;
                while (ReadReplies(false) > 0) {
                }
            }
            const int percent = length > 0 ? static_cast<int>(static_cast<long long>(done) * 100 / length) : 100;
            if (gauge && percent != shownPercent) {
                shownPercent = percent;
                gauge->SetPos(percent);
            }
            if (Stopped())
                break;
        }
        m_bAcknowledged = false;
        m_bSent = WriteLink(FastLoad::CheckFrame(static_cast<std::uint16_t>(crc.GetValue())));
        if (m_bSent && !TakeAck())
            m_bSent = false;
    }
    if (gauge)
        gauge->Close();
    std::fclose(file);
}

void CFastLoadProject::Run()
{
    CProjectFile file(m_strPath);
    CString folder = file.GetDirectory();
    if (!folder.IsEmpty() && folder[folder.GetLength() - 1] != '\\')
        folder += '\\';
    m_bBusy = TRUE;
    m_bSent = true;

    std::vector<Entry> entries;
    for (int index = 0; index < PROJECT_MAX_PROGRAMS; ++index) {
        CString name;
        int type;
        if (file.GetProgram(index, name, type, FALSE) && !name.IsEmpty())
            entries.push_back({name, static_cast<unsigned>(type)});
    }

    if (m_pOwner) {
        m_pLink = m_pOwner->BorrowLink(0);
        if (!m_pLink)
            m_bAborted = true;
    }
    bool started = false;
    if (!m_bAborted && !Cancelled() && m_pOwner) {
        started = true;
        AfxGetClock().SleepMs(100);
        if (!WriteLink("LOAD_PROJECT\r"))
            m_bSent = false;
        else if (!WaitForPrompt(10, "\x05", 0))
            m_bAborted = true;

        for (const Entry& entry : entries) {
            if (!m_bSent || Stopped())
                break;
            SendProgram(entry, folder);
        }
        if (GaugeCancelled())
            m_bAborted = true;

        if (!WriteLink(std::string(1, FastLoad::EOT)))
            m_bSent = false;
        else if (!Cancelled())
            WaitForPrompt(10, ">>", 0);

        if (m_bSent) {
            for (const Entry& entry : entries) {
                if (m_bAborted || Cancelled())
                    break;
                const std::string line = FastLoad::RunTypeLine(std::string(entry.name), file.GetAutoRun(entry.name));
                if (line.empty())
                    continue;
                if (!WriteLink(line) || !WaitForPrompt(10, ">>", 0)) {
                    m_bSent = false;
                    break;
                }
            }
        }
        if (!m_bSent)
            ShowMessage(kLoadError);
        if (m_bAborted || !m_bSent)
            WriteLink(FastLoad::AbortSequence());
    }

    m_bSucceeded = started && m_bSent && !m_bAborted && !Cancelled() ? TRUE : FALSE;
    if (m_pOwner && m_pLink)
        m_pOwner->ReturnLink();
    m_pLink = nullptr;
    m_bBusy = FALSE;
    if (m_pOwner) {
        AfxGetClock().SleepMs(100);
        if (::IsWindow(m_hOwnerWindow)) {
            if (m_nStartFlag == 0)
                ::PostMessageA(m_hOwnerWindow, WM_PW_CONNECT_WANTED, 1, 0);
            else
                ::PostMessageA(m_hOwnerWindow, WM_PW_CHECK_PROJECT, 0, 0);
        }
        CWnd* main = AfxGetMainWnd();
        if (main && ::IsWindow(main->m_hWnd))
            ::PostMessageA(main->m_hWnd, WM_FRAME_TO_FOREGROUND, 0, 0);
    }
    ::SetEvent(m_hDone);
}

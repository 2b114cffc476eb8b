#include "project/fastloadprogram.h"

#include <cstdio>

#include "foundation/fileutil.h"
#include "foundation/logline.h"
#include "framework/clock.h"
#include "framework/thread.h"
#include "link/commandtable.h"
#include "link/controllerconnection.h"
#include "project/fastloadframe.h"
#include "project/programtypes.h"
#include "project/project_resource.h"
#include "project/projectmessages.h"
#include "settings/vqregistry.h"
#include "ui/userdialog.h"
#include "ui/windowlookup.h"

namespace {

const int kLoadProjectCommand = 199; // "LOAD_PROJECT(%i)"
const int kDirectChannel = -1;
const char kCaption[] = "Load program";                 // 969
const char kTimeout[] = "Timeout waiting for response"; // 225

} // namespace

IMPLEMENT_DYNCREATE(CFastLoadProgram, CDialog)

BEGIN_MESSAGE_MAP(CFastLoadProgram, CDialog)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_MESSAGE(WM_DESTROY_REQUEST, OnDestroyRequest)
ON_MESSAGE(WM_QUERY_REPLY_CLASS, OnQueryReplyClass)
ON_MESSAGE(WM_PW_LOAD_PROGRAM_FILE, OnLoadFile)
ON_BN_CLICKED(IDC_FAST_LOAD_CANCEL, OnCancel)
END_MESSAGE_MAP()

CFastLoadProgram::CFastLoadProgram() : CDialog(IDD_FAST_LOAD_PROGRAM, nullptr)
{
    SetReply("FastLoadProgram");
    m_sender.SetText("FastLoadProgram");
}

CFastLoadProgram::~CFastLoadProgram() = default;

BOOL CFastLoadProgram::Create(CWnd* pParentWnd)
{
    return CreateOrDelete(IDD_FAST_LOAD_PROGRAM, pParentWnd);
}

void CFastLoadProgram::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_FAST_LOAD_TEXT, m_text);
    DDX_Control(pDX, IDC_FAST_LOAD_PROGRESS, m_progress);
    DDX_Control(pDX, IDC_FAST_LOAD_CANCEL, m_cancelButton);
}

int CFastLoadProgram::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CDialog::OnCreate(lpCreateStruct) == -1)
        return -1;
    const HWND project = RegisterToolWindowAtItsPlace(TOOL_ID_FAST_LOAD_PROGRAM, m_hWnd);
    if (!project)
        return -1;
    m_hWndProject = project;
    m_bRegistered = TRUE;
    return 0;
}

BOOL CFastLoadProgram::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_bWasCreated = TRUE;
    SetWindowText(kCaption);
    m_nMessageTimeout = static_cast<int>(CVQRegistry().GetMessageTimeout());
    if (m_nMessageTimeout < 1)
        m_nMessageTimeout = 20;
    if (m_nConstruction > 0)
        --m_nConstruction;
    return TRUE;
}

void CFastLoadProgram::OnCancel()
{
    m_bCancel = true;
}

LRESULT CFastLoadProgram::OnQueryReplyClass(WPARAM wParam, LPARAM lParam)
{
    if (wParam)
        *reinterpret_cast<CVexoReply**>(wParam) = this;
    if (lParam)
        *reinterpret_cast<int*>(lParam) = -1;
    return 8;
}

LRESULT CFastLoadProgram::OnDestroyRequest(WPARAM, LPARAM)
{
    GlobalLogFormat(LOG_DESTROY_REQUESTS, "Destroy window request \"%s\" (%d)", GetReply().GetString(),
                    IsBusy() ? 1 : 0);
    m_bClosing = true;
    SetClosing();
    m_sender.SetClosing(true);
    ShowWindow(SW_HIDE);
    if (IsBusy())
        PostMessage(WM_DESTROY_REQUEST, 0, 0);
    else
        DestroyWindow();
    return 0;
}

void CFastLoadProgram::OnDestroy()
{
    m_bClosing = true;
    SetClosing();
    if (m_bRegistered && ::IsWindow(m_hWndProject))
        ::SendMessageA(m_hWndProject, WM_UNREGISTER_TOOL_WINDOW, TOOL_ID_FAST_LOAD_PROGRAM,
                       reinterpret_cast<LPARAM>(m_hWnd));
    m_bRegistered = FALSE;
    CDialog::OnDestroy();
}

void CFastLoadProgram::PostNcDestroy()
{
    if (m_bWasCreated)
        delete this;
}

void CFastLoadProgram::OnReply(ControllerMessage* message)
{
    if (!message || m_bClosing.load() || IsClosing())
        return;
    if (message->m_nChannel == kDirectChannel) {
        const int length = message->GetLength();
        if (length < 1)
            return;
        if (!m_lock.Lock(2000))
            return; // dropped; the wait for them runs out
        const BYTE* bytes = message->GetBytes();
        for (int i = 0; i < length && bytes[i]; ++i)
            m_ring.Put(bytes[i]);
        m_lock.Unlock();
    } else if (message->m_nChannel == CHANNEL_COMMAND && message->m_nCommandId == kLoadProjectCommand) {
        if (!m_lock.Lock(2000))
            return;
        m_strCommandReply = message->GetText();
        m_lock.Unlock();
    }
}

CControllerConnection* CFastLoadProgram::GetConnection() const
{
    if (!::IsWindow(m_hWndProject))
        return nullptr;
    return reinterpret_cast<CControllerConnection*>(::SendMessageA(m_hWndProject, WM_PW_QUERY_CONNECTION, 0, 0));
}

void CFastLoadProgram::ShowText(LPCSTR text)
{
    if (::IsWindow(m_text.m_hWnd)) {
        m_text.SetWindowText(text);
        m_text.UpdateWindow();
    }
}

BOOL CFastLoadProgram::WaitForAnyOf(int seconds, const BYTE* bytes, int count, BYTE& got)
{
    IClock& clock = AfxGetClock();
    std::uint64_t emptySince = clock.NowMs();
    while (!Stopped()) {
        bool empty = true;
        if (m_lock.Lock(2000)) {
            if (!m_ring.IsEmpty()) {
                empty = false;
                const BYTE byte = m_ring.PeekChar(TRUE);
                for (int i = 0; i < count; ++i) {
                    if (byte == bytes[i]) {
                        got = byte;
                        m_lock.Unlock();
                        return TRUE;
                    }
                }
            }
            m_lock.Unlock();
        }
        if (!empty) {
            emptySince = clock.NowMs();
            continue;
        }
        if (clock.NowMs() - emptySince >= static_cast<std::uint64_t>(seconds) * 1000)
            return FALSE;
        clock.SleepMs(1);
        AfxPumpMessages();
    }
    return FALSE;
}

BOOL CFastLoadProgram::WaitForByte(int seconds, BYTE byte)
{
    BYTE got = 0;
    return WaitForAnyOf(seconds, &byte, 1, got);
}

BOOL CFastLoadProgram::SendRaw(CMutex* lock, const std::string& bytes)
{
    CControllerConnection* connection = GetConnection();
    if (!connection)
        return FALSE;
    ControllerMessage message;
    message.m_nCommandId = COMMAND_ID_RAW;
    message.m_nChannel = kDirectChannel;
    message.m_hReplyWnd = m_hWnd;
    message.m_pReplyReceiver = this;
    message.SetArgument(bytes.data(), static_cast<int>(bytes.size()));
    return connection->TransmitSynchronous(&message, lock);
}

BOOL CFastLoadProgram::SendBlock(CMutex* lock, LPCSTR name, int type, const std::string& text)
{
    if (!name || !name[0] || !GetConnection())
        return FALSE;
    static const BYTE answers[2] = {static_cast<BYTE>(FastLoad::ACK), static_cast<BYTE>(FastLoad::NAK)};
    bool timedOut = false;
    auto waitForAnswer = [&]() {
        BYTE got = 0;
        if (WaitForAnyOf(10, answers, 2, got))
            return got == static_cast<BYTE>(FastLoad::ACK);
        timedOut = !Stopped();
        return false;
    };
    m_ring.Clear();
    BOOL ok = SendRaw(lock, FastLoad::HeaderFrame(FastLoad::HeaderText(name, type)));
    ok = ok && waitForAnswer();
    if (ok && !Stopped()) {
        if (!text.empty())
            ok = SendRaw(lock, text);
        m_ring.Clear();
        ok = ok && SendRaw(lock, FastLoad::CheckFrame(FastLoad::Crc16(text)));
        ok = ok && waitForAnswer();
    } else {
        ok = FALSE;
    }
    if (timedOut && !m_bCancel.load())
        ShowUserMessage(this, kTimeout, kCaption);
    SendRaw(lock, std::string(1, FastLoad::EOT));
    return ok && !Stopped();
}

LRESULT CFastLoadProgram::OnLoadFile(WPARAM wParam, LPARAM lParam)
{
    return LoadFile(reinterpret_cast<LPCSTR>(wParam), reinterpret_cast<LPCSTR>(lParam));
}

BOOL CFastLoadProgram::LoadFile(LPCSTR programName, LPCSTR path)
{
    ++m_nLoadDepth;
    const CString name = programName ? programName : "";
    const CString file = path ? path : "";
    ShowText(name);
    if (::IsWindow(m_cancelButton.m_hWnd))
        m_cancelButton.ShowWindow(SW_SHOW);

    BOOL result = FALSE;
    CControllerConnection* connection = GetConnection();
    const CString extension = GetFileExtension(file);
    const int type = GetProgramTypeOfExtension(extension);
    std::FILE* input = nullptr;
    // A file whose extension names no program type sends nothing.
    if (!m_bClosing.load() && IsValidProgramName(name) && !file.IsEmpty() && connection && type >= 0 &&
        PathExists(file) && (input = std::fopen(file, "rb")) != nullptr) {
        std::fseek(input, 0, SEEK_END);
        const long size = std::ftell(input);
        std::fseek(input, 0, SEEK_SET);
        if (::IsWindow(m_progress.m_hWnd)) {
            m_progress.SetRange32(0, 100);
            m_progress.SetPos(0);
        }
        CMutex* lock = connection->GetSyncTxMutex();
        std::string carry;
        int announcement = 1;
        long handled = 0;
        bool last = false;
        bool failed = false;
        while (!failed && !last) {
            if (Stopped()) {
                failed = true;
                break;
            }
            const std::size_t want = FastLoad::kBlockSize - carry.size();
            std::string read(want, '\0');
            const std::size_t got = want ? std::fread(&read[0], 1, want, input) : 0;
            read.resize(got);
            last = got < want;
            const std::string atHand = carry + read;
            const FastLoad::Block block = FastLoad::CutBlock(atHand, last);
            if (block.text.empty()) {
                carry = block.carry;
                handled += static_cast<long>(atHand.size() - carry.size());
                continue;
            }
            // The transmit lock for the whole block.
            IClock& clock = AfxGetClock();
            const std::uint64_t start = clock.NowMs();
            bool locked = false;
            while (!(locked = lock->Lock(0) != FALSE) &&
                   clock.NowMs() - start < static_cast<std::uint64_t>(m_nMessageTimeout) * 2000 && !Stopped()) {
                clock.SleepMs(1);
                AfxPumpMessages();
            }
            if (!locked) {
                GlobalLogLine("MsgLock failed: Fast load program", LOG_LINK_WRITES);
                GlobalLogLine("MsgLock absent: Fast load program", LOG_LINK_WRITES);
                carry = atHand; // tried again in the next pass
                last = false;
                continue;
            }
            GlobalLogLine("MsgLock OK: Fast load program", LOG_LINK_WRITES);
            {
                CSingleLock replyLock(&m_lock, TRUE);
                m_ring.Clear();
                m_strCommandReply.Empty();
            }
            ControllerMessage announce;
            CommandItem item(kLoadProjectCommand, announcement);
            BOOL ok = BuildSequenceMessage(item, false, announce) ? TRUE : FALSE;
            announce.m_nChannel = CHANNEL_COMMAND;
            announce.m_hReplyWnd = m_hWnd;
            announce.m_pReplyReceiver = this;
            ok = ok && connection->TransmitSynchronous(&announce, lock);
            announcement = 2;
            if (ok) {
                clock.SleepMs(100);
                ok = WaitForByte(10, static_cast<BYTE>(FastLoad::ENQ));
            }
            if (ok && !Stopped())
                ok = SendBlock(lock, name, type, block.text);
            else
                ok = FALSE;
            lock->Unlock();
            GlobalLogLine("MsgUnlock: Fast load program", LOG_LINK_WRITES);
            if (!ok) {
                failed = true;
                break;
            }
            handled += static_cast<long>(atHand.size() - block.carry.size());
            carry = block.carry;
            if (!carry.empty())
                last = false; // what is carried still has to go
            clock.SleepMs(1);
            const int percent = size > 0 ? static_cast<int>(static_cast<long long>(handled) * 100 / size) : 100;
            if (::IsWindow(m_progress.m_hWnd))
                m_progress.SetPos(percent);
            AfxPumpMessages();
        }
        std::fclose(input);
        result = failed ? FALSE : TRUE;
    }
    if (!result && ::IsWindow(m_hWndProject))
        ::SendMessageA(m_hWndProject, WM_PW_SET_LOAD_FAILED, 0, 1);
    --m_nLoadDepth;
    if (::IsWindow(m_hWnd))
        PostMessage(WM_DESTROY_REQUEST, 0, 0);
    return result;
}

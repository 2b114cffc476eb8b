#include "link/controllerconnection.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "foundation/bytenames.h"
#include "foundation/logfile.h"
#include "foundation/logline.h"
#include "foundation/matcher.h"
#include "link/transactionworker.h"
#include "foundation/winutil.h"
#include "framework/clock.h"
#include "link/commandtable.h"
#include "link/linkmessages.h"
#include "link/messagesender.h"
#include "link/projectwindow.h"
#include "link/statusline.h"
#include "link/syncpacket.h"
#include "link/vexoreply.h"
#include "settings/vqregistry.h"
#include "ui/userdialog.h"

namespace {

const char kLinkLostText[] = "** Connection to controller lost";
const char kLatchRefusalText[] =
    "** Controller not answering: no command is sent until it is connected again    ";
const char kControlBytesText[] = "** Command not sent: it holds control characters    ";
// The command-line exchange gives up after this long or this many
// characters without a prompt.
const std::uint64_t kPromptWaitMs = 10000;
const int kPromptMostCharacters = 100;
// In the packet form an unacknowledged packet goes again after this long.
const std::uint64_t kResendMs = 5000;
// The command that selects a program.
const int kSelectCommand = 19;
// A waiting exchange beeps now and then after this long.
const std::uint64_t kWarnAfterMs = 10000;
const std::uint64_t kWarnEveryMs = 3000;

std::atomic<int> g_sequence{0};

// A decimal number: optional sign, digits, at most one point, blanks around.
bool ParseDecimal(const CString& text, double& value)
{
    const char* p = text.GetString();
    while (*p == ' ' || *p == '\t')
        ++p;
    const char* start = p;
    if (*p == '-' || *p == '+')
        ++p;
    int digits = 0;
    int points = 0;
    for (; *p; ++p) {
        if (std::isdigit(static_cast<unsigned char>(*p)))
            ++digits;
        else if (*p == '.' && ++points == 1)
            continue;
        else
            break;
    }
    const char* end = p;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p || digits == 0 || points > 1)
        return false;
    value = std::strtod(std::string(start, end).c_str(), nullptr);
    return true;
}

CString Trimmed(const CString& text)
{
    CString result = text;
    result.Trim("\r\n\t ");
    return result;
}

CString Named(const CString& text)
{
    return BufferToByteNames(reinterpret_cast<const BYTE*>(text.GetString()), text.GetLength());
}

} // namespace

bool HoldsControlBytes(const char* text, int length)
{
    for (int n = 0; n < length; ++n) {
        const auto byte = static_cast<unsigned char>(text[n]);
        if (byte < 32 && byte != '\t')
            return true;
    }
    return false;
}

int SequenceNumberAfter(int current)
{
    return (current >= 0x7FFFFFFF || current < 1) ? 1 : current + 1;
}

int NextSequenceNumber()
{
    int current = g_sequence.load();
    for (;;) {
        const int next = SequenceNumberAfter(current);
        if (g_sequence.compare_exchange_weak(current, next))
            return next;
    }
}

CControllerConnection::CControllerConnection(IProjectWindow* project) : m_pProject(project), m_linkFactory(CreateMediaLink)
{
    m_model = GetControllerModel(MODEL_ROW_NONE);
    CVQRegistry registry;
    SetMessageTimeout(static_cast<int>(registry.GetMessageTimeout()));
    if (project)
        m_hNotifyWindow = project->GetProjectWindowHandle();
    SetWarningBeep(nullptr);
    m_pTransactionWorker = std::make_unique<CTransactionWorker>(
        [this](ControllerMessage* message) { return TransmitSynchronous(message, nullptr); });
}

CControllerConnection::~CControllerConnection()
{
    {
        CSingleLock lock(&m_multiLock, TRUE);
        for (CMultiTransmitter* transmitter : m_multiTransmitters)
            transmitter->Stop();
        m_multiTransmitters.clear();
    }
    CloseLink();
    m_pTransactionWorker.reset();
}

void CControllerConnection::WaitStep()
{
    if (!PumpOneMessage())
        AfxGetClock().SleepMs(1);
}

void CControllerConnection::WaitReplyStep()
{
    // A fixed 1 ms sleep would add up to a millisecond to every round trip
    // after the reply is in.
    if (!PumpOneMessage())
        AfxGetClock().WaitMs(m_replyWake.m_hObject, 1);
}

void CControllerConnection::AddError(const CString& text)
{
    if (m_pProject)
        m_pProject->AddErrorText(text);
}

// ---------------------------------------------------------------- links

void CControllerConnection::SetWarningBeep(WarningBeep beep)
{
    m_warningBeep = beep ? std::move(beep) : WarningBeep([] { ::MessageBeep(MB_ICONEXCLAMATION); });
}

void CControllerConnection::SetLinkFactory(LinkFactory factory)
{
    m_linkFactory = factory ? std::move(factory) : LinkFactory(CreateMediaLink);
}

void CControllerConnection::CreateLink(int linkType)
{
    CloseLink();
    CComms* link = m_linkFactory ? m_linkFactory(linkType) : nullptr;
    if (link)
        link->SetMainFrameWindow(GetMainWindowHandle());
    CSingleLock lock(&m_linkObjectLock, TRUE);
    m_pLink = link;
}

void CControllerConnection::CloseLink()
{
    CComms* link = nullptr;
    {
        CSingleLock lock(&m_linkObjectLock, TRUE);
        link = m_pLink;
        m_pLink = nullptr;
    }
    if (!link)
        return;
    if (link->GetOpenFlag())
        link->Close();
    delete link;
}

BOOL CControllerConnection::ReopenLink()
{
    if (m_nLinkMode != CONNECTION_COMMAND_LINE || !m_pLink)
        return FALSE;
    m_pLink->Close();
    m_bLinkLost = false;
    m_bLinkLostReported = false;
    return m_pLink->Open(this);
}

BOOL CControllerConnection::ApplyLinkData(const CCommPortData* record, BOOL /*flag*/)
{
    if (!record)
        return FALSE;
    const bool wasOpen = m_pLink && m_pLink->GetOpenFlag();
    if (m_pLink) {
        // Records read back from the stored list have no names: whether the
        // link changed is a question of its settings alone.
        CCommPortData unnamed = *record;
        std::memcpy(unnamed.m_szName, m_pLink->GetRecord()->m_szName, sizeof unnamed.m_szName);
        if (m_pLink->GetRecord()->IsEqual(unnamed))
            return TRUE;
        if (m_pLink->GetRecord()->m_nType != record->m_nType)
            CloseLink();
    }
    if (!m_pLink)
        CreateLink(record->m_nType);
    if (!m_pLink)
        return FALSE;
    if (!m_pLink->SetConfiguration(record))
        return FALSE;
    if (m_pLink->GetOpenFlag())
        m_pLink->Close();
    if (wasOpen)
        m_pLink->Open(this);
    return TRUE;
}

BOOL CControllerConnection::OpenLink(HWND notifyWindow, const CCommPortData* record, BOOL enterChannelMode)
{
    if (notifyWindow)
        m_hNotifyWindow = notifyWindow;
    if (!m_hNotifyWindow)
        return FALSE;
    m_nLinkMode = CONNECTION_COMMAND_LINE;
    m_bCapture = false;
    m_bTimeoutLatch = false;
    m_bLatchRefusalShown = false;
    m_bLinkLost = false;
    m_bLinkLostReported = false;
    m_bPromptOwed = false;
    m_bOwedEcho = false;
    m_bOwedEnd = false;
    BOOL opened = FALSE;
    if (record) {
        if (m_pLink && m_pLink->GetRecord()->m_nType != record->m_nType)
            CloseLink();
        if (!m_pLink)
            CreateLink(record->m_nType);
        if (m_pLink && record->m_nType >= LINK_TYPE_SERIAL && record->m_nType <= LINK_TYPE_FINS) {
            ApplyLinkData(record, TRUE);
            if (m_pLink->GetOpenFlag())
                m_pLink->Close();
            opened = m_pLink->Open(this);
        }
    } else if (m_pLink) {
        opened = m_pLink->Open(this);
    }
    if (opened && enterChannelMode)
        opened = EnterChannelMode(record);
    m_bLinkOpened = opened;
    return opened;
}

CString CControllerConnection::GetLinkName(BOOL withAddress)
{
    if (!m_pLink)
        return CString();
    const CCommPortData* record = m_pLink->GetRecord();
    if (withAddress && record) {
        char name[COMM_LINK_NAME_SIZE + 1] = {};
        std::memcpy(name, record->m_szName, COMM_LINK_NAME_SIZE);
        CString text = name;
        if (record->m_nType == LINK_TYPE_ETHERNET) {
            char address[sizeof record->m_data.ethernet.m_szAddress + 1] = {};
            std::memcpy(address, record->m_data.ethernet.m_szAddress, sizeof record->m_data.ethernet.m_szAddress);
            text += " ";
            text += address;
        }
        return text;
    }
    return m_pLink->GetName();
}

CString CControllerConnection::GetLinkDescription(int detail)
{
    if (!m_pLink)
        return CString();
    const CCommPortData* record = m_pLink->GetRecord();
    if (!record)
        return LoadStringOr(363, "Unknown");
    return record->FormatDescription(detail != 0);
}

BOOL CControllerConnection::CopyLinkData(CCommPortData* record)
{
    return m_pLink && record ? m_pLink->CopyRecord(record, nullptr) : FALSE;
}

CCommPortData* CControllerConnection::GetLinkData()
{
    return m_pLink ? m_pLink->GetRecord() : nullptr;
}

// ---------------------------------------------------------------- writing

BOOL CControllerConnection::Write(int length, const BYTE* bytes)
{
    CSingleLock lock(&m_writeLock, TRUE);
    if (!m_pLink || !m_pLink->IsOpen() || !bytes || length < 1)
        return FALSE;
    return m_pLink->Write(length, bytes);
}

BOOL CControllerConnection::WriteDirect(int length, const BYTE* bytes)
{
    if (!m_pLink || !bytes || length < 1)
        return FALSE;
    return m_pLink->Write(length, bytes);
}

BOOL CControllerConnection::SendThroughWorker(int length, const BYTE* bytes)
{
    if (!m_pLink || !m_pLink->IsOpen())
        return FALSE;
    CSender sender(this);
    return sender.Send(length, bytes);
}

BOOL CControllerConnection::WriteChannel(int channel, const BYTE* bytes, int length, BOOL forcePrefix)
{
    if (!bytes || length < 1)
        return FALSE;
    if (channel == CHANNEL_COMMAND && length > COMMAND_CHANNEL_MAX) {
        // The controller's command buffer would cut it: never send it.
        CString text;
        text.Format(LinkMessage(MSG_COMMAND_TOO_LONG), COMMAND_CHANNEL_MAX,
                    CString(reinterpret_cast<const char*>(bytes), length).GetString());
        ShowLinkMessage(text, MSG_TRANSMIT_CAPTION);
        return FALSE;
    }
    // The mode and the last written channel are read, and the bytes
    // written, under the write lock: the prefix is the one the bytes meet.
    CSingleLock lock(&m_writeLock, TRUE);
    const bool channelMode = m_nLinkMode == CONNECTION_CHANNEL_MODE;
    if ((channel == CHANNEL_COMMAND || channel == CHANNEL_STATUS) && !channelMode) {
        // Without channel mode the text would reach the command line, with
        // the line end of a channel, as a command nobody waits for.
        GlobalLogFormat(LOG_STATUS_ERRORS, "Not sent on channel %d, the link is not in channel mode", channel);
        return FALSE;
    }
    std::string out;
    if (channelMode && channel >= -1 && channel <= 9 && (channel != m_nLastWrittenChannel || forcePrefix)) {
        out += static_cast<char>(ESC);
        out += static_cast<char>('0' + channel);
        m_nLastWrittenChannel = channel;
    }
    out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
    const bool loneAnswer = m_bPacketMode && length == 1 && (bytes[0] == ACK || bytes[0] == NAK);
    if ((channel == CHANNEL_COMMAND || channel == CHANNEL_STATUS) && !loneAnswer) {
        out += '\n';
        out += DC4;
    }
    GetGlobalLog().LogData("S: ", reinterpret_cast<const BYTE*>(out.data()), static_cast<int>(out.size()),
                           LOG_CONNECTION);
    return Write(static_cast<int>(out.size()), reinterpret_cast<const BYTE*>(out.data()));
}

void CControllerConnection::WithTransmitChannel(void (*action)(int lastChannel, void* context), void* context)
{
    CSingleLock lock(&m_writeLock, TRUE);
    action(m_nLastWrittenChannel.load(), context);
}

// ---------------------------------------------------------------- command line

bool CControllerConnection::TakeCaptured(char& byte)
{
    const int read = m_nCaptureRead.load();
    if (read == m_nCaptureWrite.load())
        return false;
    byte = m_captureRing[read];
    m_nCaptureRead = (read + 1) % CAPTURE_RING_SIZE;
    return true;
}

BOOL CControllerConnection::FlushInput(DWORD quietMs, DWORD limitMs)
{
    IClock& clock = AfxGetClock();
    const std::uint64_t start = clock.NowMs();
    std::uint64_t lastByte = start;
    for (;;) {
        if (m_nCaptureRead.load() != m_nCaptureWrite.load()) {
            lastByte = clock.NowMs();
            m_nCaptureRead = m_nCaptureWrite.load();
        }
        PumpWaitingMessages();
        const std::uint64_t now = clock.NowMs();
        if (now - lastByte >= quietMs || now - start >= limitMs)
            break;
        // Short steps: a byte that comes restarts the quiet time.
        clock.SleepMs(10);
    }
    return m_nCaptureRead.load() == m_nCaptureWrite.load() ? TRUE : FALSE;
}

BOOL CControllerConnection::SyncCommand(LPCSTR command, CString& reply, BOOL raw)
{
    IClock& clock = AfxGetClock();
    const std::uint64_t start = clock.NowMs();
    reply.Empty();
    m_bCaptureOverflow = false;
    m_bCapture = true;
    if (m_bPromptOwed) {
        // An exchange before this one gave up without its prompt: the rest
        // of its reply comes first, and is no answer to this command.
        while (m_bPromptOwed && !m_bLinkLost && clock.NowMs() - m_nPromptOwedSince < kPromptWaitMs)
            WaitStep();
        if (m_bPromptOwed.exchange(false))
            GlobalLogLine("The prompt of an abandoned exchange did not come", LOG_LINK);
    }
    FlushInput(200, 500);
    const CString text(command ? command : "");
    if (!SendThroughWorker(text.GetLength(), reinterpret_cast<const BYTE*>(text.GetString()))) {
        m_bCapture = false;
        return FALSE;
    }
    CString collected;
    bool prompt = false;
    bool gaveUp = false;
    while (!prompt) {
        char byte = 0;
        while (!TakeCaptured(byte)) {
            if (m_bLinkLost || m_bCaptureOverflow || clock.NowMs() - start >= kPromptWaitMs ||
                collected.GetLength() >= kPromptMostCharacters) {
                gaveUp = true;
                break;
            }
            WaitStep();
        }
        if (gaveUp)
            break;
        collected += byte;
        const int length = collected.GetLength();
        prompt = length >= 2 && collected[length - 2] == '>' && collected[length - 1] == '>';
    }
    if (!prompt && !m_bLinkLost) {
        // Whatever still comes of this reply belongs to no later exchange:
        // its prompt is watched for from now (waited for at most one more
        // exchange time), and looked for in what came already.
        char last = collected.IsEmpty() ? '\0' : collected[collected.GetLength() - 1];
        m_cOwedLast = last;
        m_nPromptOwedSince = clock.NowMs();
        m_bPromptOwed = true;
        char byte = 0;
        while (m_bPromptOwed && TakeCaptured(byte)) {
            if (last == '>' && byte == '>')
                m_bPromptOwed = false;
            last = byte;
        }
    }
    m_bCapture = false;
    m_strLastRawReply = collected;
    if (gaveUp || m_bCaptureOverflow) {
        GlobalLogFormat(LOG_STATUS_ERRORS, "No prompt after %s", Named(text).GetString());
        return FALSE;
    }
    if (raw)
        return TRUE;
    if (collected.Left(text.GetLength()) != text) {
        CString message;
        message.Format(LinkMessage(MSG_REPLY_ERROR), Named(text).GetString(), Named(collected).GetString());
        ShowLinkMessage(message, MSG_ERROR_CAPTION);
        return FALSE;
    }
    reply = Trimmed(collected.Mid(text.GetLength(), collected.GetLength() - text.GetLength() - 2));
    return TRUE;
}

BOOL CControllerConnection::QueryNumber(LPCSTR command, double& value)
{
    value = 0.0;
    CString reply;
    if (!SyncCommand(command, reply, FALSE))
        return FALSE;
    if (!ParseDecimal(reply, value)) {
        value = 0.0;
        CString message;
        message.Format(LinkMessage(MSG_FLOAT_EXPECTED), Named(command).GetString(), Named(reply).GetString());
        ShowLinkMessage(message, MSG_ERROR_CAPTION);
        return FALSE;
    }
    return TRUE;
}

// ---------------------------------------------------------------- identification

BOOL CControllerConnection::Identify(int& row)
{
    double value = 0.0;
    if (!QueryNumber("?CONTROL[0]\r", value)) {
        row = 0;
        return FALSE;
    }
    bool locked = false;
    int found = MODEL_ROW_NONE;
    const bool known = IdentifyControlCode(static_cast<int>(value), found, locked);
    m_bLocked = locked;
    m_nModelRow = found;
    m_model = GetControllerModel(found);
    row = found;
    return known ? TRUE : FALSE;
}

double CControllerConnection::GetVersion()
{
    if (m_nLinkMode == CONNECTION_COMMAND_LINE) {
        double value = 0.0;
        if (QueryNumber("?VERSION\r", value))
            m_dVersion = value;
    }
    return m_dVersion;
}

BOOL CControllerConnection::IsLocked()
{
    if (m_pLink && m_pLink->GetMode() == LINK_MODE_RAW) {
        int row = 0;
        Identify(row);
    }
    return m_bLocked ? TRUE : FALSE;
}

BOOL CControllerConnection::SendLockCommand(LPCSTR format, long code)
{
    CString command;
    command.Format(format, code);
    CString reply;
    SyncCommand(command, reply, FALSE);
    int row = 0;
    Identify(row);
    return m_bLocked ? TRUE : FALSE;
}

BOOL CControllerConnection::Lock(long code)
{
    return SendLockCommand("LOCK(%ld)\r", code);
}

BOOL CControllerConnection::Unlock(long code)
{
    return SendLockCommand("UNLOCK(%ld)\r", code);
}

BOOL CControllerConnection::IsLinkTypeSupported()
{
    if (!m_pLink)
        return FALSE;
    const int bit = GetLinkTypeMaskBit(m_pLink->GetRecord()->m_nType);
    if (m_nLinkMode == CONNECTION_COMMAND_LINE) {
        int row = 0;
        Identify(row);
    }
    return (m_model.m_nLinkMask & bit) != 0 ? TRUE : FALSE;
}

BOOL CControllerConnection::IsFeatureSupported(int feature)
{
    if (feature == 0)
        return TRUE;
    if (feature < 1 || feature >= FEATURE_COUNT)
        return FALSE;
    if (m_dVersion <= 1e-5)
        GetVersion();
    CVQRegistry registry;
    return IsFeatureAvailable(m_model, feature, m_dVersion, registry.GetUseDevelopmentVersionChecking() != 0,
                              registry.GetEnableIEC61131() != 0)
               ? TRUE
               : FALSE;
}

bool CControllerConnection::HasFeature(int feature)
{
    CVQRegistry registry;
    return IsFeatureAvailable(m_model, feature, m_dVersion, registry.GetUseDevelopmentVersionChecking() != 0,
                              registry.GetEnableIEC61131() != 0);
}

BOOL CControllerConnection::IsProgramTypeSupported(int kind)
{
    const int feature = GetProgramTypeFeature(kind);
    if (feature < 0)
        return FALSE;
    return feature == 0 ? TRUE : IsFeatureSupported(feature);
}

int CControllerConnection::GetMaxAxes(int variant) const
{
    return GetMaxAxesForModel(m_nModelRow, variant);
}

BOOL CControllerConnection::ResetLinkToCommandLine()
{
    CString reply;
    const char reset[] = "\x1b"
                         "0VQE(0)\r";
    SyncCommand(reset, reply, TRUE);
    if (!SyncCommand("\r", reply, FALSE))
        return FALSE;
    if (reply.IsEmpty())
        return TRUE;
    return SyncCommand("\r", reply, FALSE) && reply.IsEmpty() ? TRUE : FALSE;
}

BOOL CControllerConnection::EnterChannelMode(const CCommPortData* record)
{
    m_nLinkMode = CONNECTION_COMMAND_LINE;
    m_bPacketMode = false;
    m_bCapture = true;
    // The media links close when they are configured: ApplyLinkData leaves
    // a link of the same settings alone and opens a changed one again.
    if (record && (!m_pLink || !ApplyLinkData(record, TRUE)))
        return FALSE;
    int row = 0;
    if (!ResetLinkToCommandLine())
        return FALSE;
    Identify(row);
    const double version = GetVersion();
    if (version < CHANNEL_MODE_VERSION) {
        CString message;
        message.Format(LinkMessage(MSG_SYSTEM_TOO_OLD), version, CHANNEL_MODE_VERSION);
        ShowLinkMessage(message, MSG_ERROR_CAPTION);
        return FALSE;
    }
    bool packet = false;
    if (m_pLink && m_pLink->GetRecord()->m_nType == LINK_TYPE_SERIAL && IsFeatureSupported(FEATURE_PACKET_MODE))
        packet = CVQRegistry().GetPacket() != 0;
    CString command;
    command.Format("VQE(%d)\r", packet ? 3 : 1);
    m_bTimeoutLatch = false;
    m_bLatchRefusalShown = false;
    m_bOwedEcho = false;
    m_bOwedEnd = false;
    {
        // What the controller has selected is not known in a new session.
        CSingleLock lock(&m_programLock, TRUE);
        m_strSelectedProgram.Empty();
    }
    {
        CSingleLock lock(&m_writeLock, TRUE);
        ResetReception();
        if (m_pLink)
            m_pLink->SetChannelMode();
        m_nLinkMode = CONNECTION_CHANNEL_MODE;
        m_bPacketMode = packet;
    }
    m_bCapture = false;
    if (!SendThroughWorker(command.GetLength(), reinterpret_cast<const BYTE*>(command.GetString())))
        return FALSE;
    AfxGetClock().SleepMs(500);
    m_nPendingStatus = 0;
    return TRUE;
}

BOOL CControllerConnection::LeaveChannelMode()
{
    SetTransactionHold(TRUE);
    while (m_bRequestActive)
        WaitStep();
    BOOL result = FALSE;
    {
        CSingleLock lock(&m_writeLock, TRUE);
        m_nLinkMode = CONNECTION_COMMAND_LINE;
        m_bPacketMode = false;
        if (m_pLink) {
            m_pLink->SetRawMode();
            if (m_pLink->GetOpenFlag()) {
                const char leave[] = "\x1b"
                                     "0\x03VQE(0)\r";
                Write(static_cast<int>(sizeof leave - 1), reinterpret_cast<const BYTE*>(leave));
            }
            result = TRUE;
        }
        ResetReception();
    }
    m_bPowerUp = false;
    SetTransactionHold(FALSE);
    return result;
}

void CControllerConnection::ResetReception()
{
    m_reception.Reset();
    m_nLastWrittenChannel = CHANNEL_DIRECT;
}

// ---------------------------------------------------------------- transactions

void CControllerConnection::SetMessageTimeout(int seconds)
{
    m_nMessageTimeout = seconds < 5 ? 5 : (seconds > 120 ? 120 : seconds);
}

void CControllerConnection::SetTransactionHold(BOOL hold)
{
    // The event stands while transactions are held, so the callers'
    // waits see a hold at once.
    if (hold) {
        ++m_nHold;
        m_holdEvent.SetEvent();
        return;
    }
    int current = m_nHold.load();
    while (current > 0 && !m_nHold.compare_exchange_weak(current, current - 1)) {
    }
    if (current <= 1)
        m_holdEvent.ResetEvent();
}

bool CControllerConnection::LockTransmit(const std::function<bool()>& tryLock)
{
    IClock& clock = AfxGetClock();
    const std::uint64_t start = clock.NowMs();
    const std::uint64_t limit = static_cast<std::uint64_t>(m_nMessageTimeout) * 2000;
    while (!tryLock()) {
        // Nothing waits for a link that is gone.
        if (clock.NowMs() - start >= limit || m_bLinkLost)
            return false;
        WaitStep();
    }
    return true;
}

BOOL CControllerConnection::LockExclusive()
{
    const DWORD self = ::GetCurrentThreadId();
    if (m_nExclusiveOwner == self)
        return TRUE; // held already: the one unlock gives it back
    if (!LockTransmit([this] { return m_transmitLock.Lock(0) != FALSE; }))
        return FALSE;
    m_nExclusiveOwner = self;
    CSingleLock lock(&m_writeLock, TRUE);
    if (m_pLink)
        m_pLink->SetExclusiveMode(TRUE, this);
    m_nLinkMode = CONNECTION_EXCLUSIVE;
    return TRUE;
}

BOOL CControllerConnection::UnlockExclusive()
{
    // Only the thread that holds the exclusive use gives it back: another
    // thread would otherwise end it under the holder's feet.
    if (m_nExclusiveOwner != ::GetCurrentThreadId())
        return FALSE;
    {
        CSingleLock lock(&m_writeLock, TRUE);
        if (m_pLink)
            m_pLink->SetExclusiveMode(FALSE, this);
        m_nLinkMode = CONNECTION_COMMAND_LINE;
    }
    m_nExclusiveOwner = 0;
    return m_transmitLock.Unlock();
}

BOOL CControllerConnection::TransmitSynchronous(ControllerMessage* message, CMutex* heldLock)
{
    if (!message)
        return FALSE;
    GlobalLogFormat(LOG_LINK_WRITES, "Controller Sync TX Mutex 0x%08x",
                    static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(&m_transmitLock)));
    CString text;
    BuildCommandText(*message, text);
    GlobalLogLine("Q: " + text, LOG_CONNECTION);
    CSingleLock lock(&m_transmitLock, FALSE);
    if (heldLock) {
        GlobalLogLine("MsgLock present: " + text, LOG_LINK_WRITES);
    } else if (LockTransmit([&lock] { return lock.Lock(0) != FALSE; })) {
        GlobalLogLine("MsgLock OK: " + text, LOG_LINK_WRITES);
    } else {
        GlobalLogLine("MsgLock Failed: " + text, LOG_LINK_WRITES);
        GlobalLogLine("MsgLock absent: " + text, LOG_LINK_WRITES);
        return FALSE;
    }
    // The way the message goes is decided now, with the lock held: the mode
    // may have changed while this waited (another thread's exclusive use
    // ends on the command line).
    BOOL result = FALSE;
    if (message->m_nChannel == CHANNEL_COMMAND) {
        if (m_nLinkMode != CONNECTION_CHANNEL_MODE) {
            // A command-channel transaction needs channel mode: written
            // anywhere else it would be answered by nobody, never as itself.
            GlobalLogLine("Not sent, the link is not in channel mode: " + text, LOG_LINK | LOG_STATUS_ERRORS);
        } else if (!message->GetProgramName()[0] || SelectProgram(message->GetProgramName())) {
            // A command that names a program runs on that program.
            result = SendOnCommandChannel(message);
        }
    } else if (message->m_nCommandId == COMMAND_ID_RAW) {
        result = WriteChannel(message->m_nChannel, message->GetBytes(), message->GetLength(), FALSE);
    } else if (!text.IsEmpty()) {
        if (HoldsControlBytes(text.GetString(), text.GetLength())) {
            GlobalLogLine("Not sent, control characters: " + Named(text), LOG_LINK | LOG_STATUS_ERRORS);
            if (m_nHold == 0)
                AddError(kControlBytesText + Named(text));
        } else {
            result = WriteChannel(message->m_nChannel, reinterpret_cast<const BYTE*>(text.GetString()),
                                  text.GetLength(), FALSE);
        }
    }
    if (lock.IsLocked()) {
        GlobalLogLine("MsgUnlock: " + text, LOG_LINK_WRITES);
        lock.Unlock();
    }
    return result;
}

BOOL CControllerConnection::Transact(ControllerMessage* message)
{
    if (!message || m_nHold > 0)
        return FALSE;
    if (m_nLinkMode == CONNECTION_COMMAND_LINE)
        message->m_nChannel = CHANNEL_DIRECT;
    GlobalLogLine("Msg-TxStart", LOG_LINK);
    const BOOL result = m_pTransactionWorker->Run(*message, static_cast<HANDLE>(m_holdEvent), [this] { return m_nHold > 0; });
    if (result || m_nHold == 0)
        GlobalLogLine("Msg-TxEnd", LOG_LINK);
    else
        GlobalLogLine("Msg-TxAborted", LOG_LINK);
    return result;
}

BOOL CControllerConnection::BeginRequest(ControllerMessage* message)
{
    if (!message)
        return FALSE;
    bool expected = false;
    if (!m_bRequestActive.compare_exchange_strong(expected, true))
        return FALSE;
    CSingleLock lock(&m_requestLock, TRUE);
    m_nRequestChannel = message->m_nChannel;
    m_hRequester = message->m_hReplyWnd;
    m_pReplyReceiver = message->m_pReplyReceiver;
    m_nCommandId = message->m_nCommandId;
    m_nState = 0;
    m_bCancel = false;
    m_bFailed = false;
    m_bAcknowledged = false;
    m_bResend = false;
    m_bDelivered = false;
    m_bEchoSeen = false;
    m_nSequence = NextSequenceNumber();
    m_strCommand.clear();
    message->m_nSequence = m_nSequence;
    // A packet of this request's reply is never taken for a repeat of the
    // last one before it.
    m_reception.ForgetFrames();
    return TRUE;
}

CString CControllerConnection::GetActiveCommandText()
{
    CSingleLock lock(&m_requestLock, TRUE);
    return m_bRequestActive ? CString(m_strCommand.c_str()) : CString();
}

void CControllerConnection::EndRequest(bool exchangeCutShort)
{
    CSingleLock lock(&m_requestLock, TRUE);
    if (exchangeCutShort && !m_bLinkLost) {
        // The controller took the command and will answer it: what comes of
        // that answer is dropped. In the packet form the echo is an ACK,
        // which the controller sends as soon as the packet is in.
        m_strOwedCommand = m_strCommand;
        m_bOwedEcho = !m_bEchoSeen && !m_bPacketMode;
        m_bOwedEnd = true;
    }
    m_hRequester = nullptr;
    m_pReplyReceiver = nullptr;
    m_bWaiting = false;
    m_bRequestActive = false;
}

void CControllerConnection::CompleteRequest(bool failed)
{
    if (failed)
        m_bFailed = true;
    m_bWaiting = false;
    m_replyWake.SetEvent();
}

BOOL CControllerConnection::SendOnCommandChannel(ControllerMessage* message)
{
    if (!message || m_nLinkMode != CONNECTION_CHANNEL_MODE || message->m_nChannel != CHANNEL_COMMAND ||
        m_nHold > 0 || m_bRequestActive)
        return FALSE;
    CString command;
    if (!BuildCommandText(*message, command))
        return FALSE;
    if (HoldsControlBytes(command.GetString(), command.GetLength())) {
        // ESC would switch channels, a line end or DC4 would split the
        // command: the controller would run something else.
        GlobalLogLine("Not sent, control characters: " + Named(command), LOG_LINK | LOG_STATUS_ERRORS);
        AddError(kControlBytesText + Named(command));
        return FALSE;
    }
    if (m_bTimeoutLatch) {
        // The controller stopped answering: a command it may still run is
        // not sent only to be reported failed.
        GlobalLogLine("Not sent, timed out before: " + command, LOG_LINK);
        if (m_nHold == 0 && !m_bLatchRefusalShown.exchange(true))
            AddError(kLatchRefusalText + command);
        return FALSE;
    }
    if (!BeginRequest(message))
        return FALSE;
    {
        CSingleLock lock(&m_requestLock, TRUE);
        m_strCommand = command.str();
    }
    CString sent = command;
    if (m_bPacketMode) {
        CSyncPacket packet;
        sent = packet.Build(command);
    }
    IClock& clock = AfxGetClock();
    m_replyWake.ResetEvent();
    m_bWaiting = true;
    if (m_bLinkLost || !WriteChannel(CHANNEL_COMMAND, reinterpret_cast<const BYTE*>(sent.GetString()),
                                     sent.GetLength(), FALSE)) {
        GlobalLogLine("Failed send: " + command, LOG_LINK);
        // A lost link has been reported once already.
        if (m_nHold == 0 && !m_bLinkLost)
            AddError("** " + LinkMessage(MSG_SEND_FAILED) + ": " + command);
        EndRequest(false);
        return FALSE;
    }
    const CommandTableEntry* row = GetCommandRow(message->m_nCommandId);
    const std::uint64_t limitMs =
        (static_cast<std::uint64_t>(row ? row->m_nTimeoutFactor : 1) * m_nMessageTimeout +
         static_cast<std::uint64_t>(row ? row->m_nExtraSeconds : 0)) *
        1000;
    const std::uint64_t start = clock.NowMs();
    std::uint64_t lastSend = start;
    std::uint64_t lastWarning = 0;
    bool timedOut = false;
    while (m_bWaiting && !m_bCancel && !m_bLinkLost) {
        const std::uint64_t now = clock.NowMs();
        if (now - start >= limitMs || m_bTimeoutLatch) {
            timedOut = true;
            break;
        }
        if (m_bPacketMode && !m_bAcknowledged && (m_bResend || now - lastSend >= kResendMs)) {
            GlobalLogFormat(LOG_LINK, "Resend packet: %s", Named(sent).GetString());
            WriteChannel(CHANNEL_COMMAND, reinterpret_cast<const BYTE*>(sent.GetString()), sent.GetLength(),
                         TRUE);
            lastSend = now;
            m_bResend = false;
        }
        if (now - start >= kWarnAfterMs && now - lastWarning >= kWarnEveryMs) {
            m_warningBeep();
            GlobalLogLine("Comms waiting warning", LOG_LINK);
            lastWarning = now;
        }
        WaitReplyStep();
    }
    BOOL result = !m_bFailed && !m_bWaiting ? TRUE : FALSE;
    const bool cutShort = m_bWaiting.load();
    if (m_bLinkLost) {
        result = FALSE;
    } else if ((timedOut || m_bWaiting) && !m_bCancel) {
        GlobalLogLine("Timeout: " + command, LOG_LINK);
        if (m_nHold == 0 && !m_bTimeoutLatch.exchange(true))
            AddError("** " + LinkMessage(MSG_TIMED_OUT) + "    " + command);
        result = FALSE;
    }
    EndRequest(cutShort);
    return result;
}

// ---------------------------------------------------------------- programs

CProgramData* CControllerConnection::FindProgramLocked(LPCSTR name)
{
    if (!name || !*name)
        return nullptr;
    for (CProgramData* program = m_programs.GetHead(); program; program = m_programs.GetNext(program)) {
        if (program->m_strName.CompareNoCase(name) == 0)
            return program;
    }
    return nullptr;
}

CProgramData* CControllerConnection::FindProgram(LPCSTR name)
{
    CSingleLock lock(&m_programLock, TRUE);
    return FindProgramLocked(name);
}

BOOL CControllerConnection::LookupProgram(LPCSTR name, CProgramData& program)
{
    CSingleLock lock(&m_programLock, TRUE);
    const CProgramData* found = FindProgramLocked(name);
    if (!found)
        return FALSE;
    program = *found;
    return TRUE;
}

BOOL CControllerConnection::HasProgram(LPCSTR name)
{
    CSingleLock lock(&m_programLock, TRUE);
    return FindProgramLocked(name) ? TRUE : FALSE;
}

int CControllerConnection::GetProgramType(LPCSTR name)
{
    CSingleLock lock(&m_programLock, TRUE);
    const CProgramData* found = FindProgramLocked(name);
    return found ? found->m_nType : PROGRAM_TYPE_NONE;
}

int CControllerConnection::CountPrograms(int type)
{
    CSingleLock lock(&m_programLock, TRUE);
    int count = 0;
    for (CProgramData* program = m_programs.GetHead(); program; program = m_programs.GetNext(program)) {
        if (type == PROGRAM_TYPE_ALL || program->m_nType == type)
            ++count;
    }
    return count;
}

CProgramData* CControllerConnection::AddProgram(const CProgramData& program)
{
    CSingleLock lock(&m_programLock, TRUE);
    return m_programs.AddTail(&program);
}

BOOL CControllerConnection::RemoveProgram(LPCSTR name)
{
    CSingleLock lock(&m_programLock, TRUE);
    CProgramData* found = FindProgramLocked(name);
    if (!found)
        return FALSE;
    m_programs.Remove(found);
    return TRUE;
}

std::vector<CProgramData> CControllerConnection::GetPrograms()
{
    CSingleLock lock(&m_programLock, TRUE);
    std::vector<CProgramData> programs;
    for (CProgramData* program = m_programs.GetHead(); program; program = m_programs.GetNext(program))
        programs.push_back(*program);
    return programs;
}

void CControllerConnection::RemoveAllPrograms()
{
    CSingleLock lock(&m_programLock, TRUE);
    m_programs.RemoveAll();
}

void CControllerConnection::SyncProgramList(const CTList<CProgramData>& directory)
{
    CSingleLock lock(&m_programLock, TRUE);
    for (CProgramData* program = m_programs.GetHead(); program; program = m_programs.GetNext(program))
        program->m_nSeen = 0;
    for (const CProgramData* entry = directory.GetHead(); entry; entry = directory.GetNext(entry)) {
        CProgramData* program = FindProgramLocked(entry->m_strName);
        if (!program) {
            program = m_programs.AddTail(entry);
            if (!program)
                continue;
        } else {
            program->m_nSourceSize = entry->m_nSourceSize;
            program->m_nCodeSize = entry->m_nCodeSize;
            program->m_nAutoRun = entry->m_nAutoRun;
            program->m_nEditable = entry->m_nEditable;
            program->m_nType = entry->m_nType;
        }
        program->m_nSeen = 1;
    }
    for (CProgramData* program = m_programs.GetHead(); program;) {
        if (program->m_nSeen)
            program = m_programs.GetNext(program);
        else
            m_programs.Remove(program); // gives the one that followed
    }
}

CString CControllerConnection::GetSelectedProgram()
{
    CSingleLock lock(&m_programLock, TRUE);
    return m_strSelectedProgram;
}

// Runs on the thread that holds the transmit lock, before the command that
// names the program goes out on the command channel.
BOOL CControllerConnection::SelectProgram(LPCSTR name)
{
    CProgramData program;
    if (!name || !LookupProgram(name, program) || !IsSelectableProgramType(program.m_nType))
        return FALSE;
    if (m_nHold > 0 || !m_hNotifyWindow || GetSelectedProgram().CompareNoCase(name) == 0)
        return TRUE;
    ControllerMessage select;
    select.m_nCommandId = kSelectCommand;
    select.m_nChannel = CHANNEL_COMMAND;
    select.m_hReplyWnd = m_hNotifyWindow;
    select.SetArgumentText(name);
    if (!SendOnCommandChannel(&select)) {
        CString text;
        text.Format(LinkMessage(MSG_SELECT_FAILED), name);
        ShowLinkMessage(text, MSG_CONTROLLER_CAPTION);
        return FALSE;
    }
    {
        CSingleLock lock(&m_programLock, TRUE);
        m_strSelectedProgram = name;
    }
    if (m_pProject)
        m_pProject->NotifyControlPanelProgram(name);
    return TRUE;
}

// ---------------------------------------------------------------- repeating transmitters

CMultiTransmitter* CControllerConnection::CreateMultiTransmitter()
{
    if (m_nHold > 0 || m_bShuttingDown)
        return nullptr;
    auto* transmitter = new CMultiTransmitter(this);
    if (!transmitter->Start()) {
        delete transmitter;
        return nullptr;
    }
    CSingleLock lock(&m_multiLock, TRUE);
    m_multiTransmitters.push_back(transmitter);
    return transmitter;
}

void CControllerConnection::ReleaseMultiTransmitter(CMultiTransmitter* transmitter)
{
    if (!transmitter)
        return;
    CSingleLock lock(&m_multiLock, TRUE);
    for (auto it = m_multiTransmitters.begin(); it != m_multiTransmitters.end(); ++it) {
        if (*it == transmitter) {
            m_multiTransmitters.erase(it);
            transmitter->Stop(); // its worker deletes it
            return;
        }
    }
}

// ---------------------------------------------------------------- reception

void CControllerConnection::OnReceive(int channel, int length, const BYTE* bytes)
{
    if (length < 1 || !bytes)
        return;
    if (m_bPromptOwed)
        WatchOwedPrompt(length, bytes);
    if (m_bCapture) {
        for (int n = 0; n < length; ++n) {
            const int write = m_nCaptureWrite.load();
            const int next = (write + 1) % CAPTURE_RING_SIZE;
            if (next == m_nCaptureRead.load()) {
                // Full: nothing is overwritten; the exchange fails instead.
                if (!m_bCaptureOverflow.exchange(true))
                    GlobalLogLine("Capture ring overflow", LOG_STATUS_ERRORS);
                return;
            }
            m_captureRing[write] = static_cast<char>(bytes[n]);
            m_nCaptureWrite = next;
        }
        return;
    }
    if (!m_pProject)
        return;
    if (m_nLinkMode == CONNECTION_CHANNEL_MODE) {
        ReceiveChannelData(channel, length, bytes);
        return;
    }
    ControllerMessage message;
    message.m_nCommandId = COMMAND_ID_RECEIVED;
    message.m_nChannel = channel;
    message.SetArgument(bytes, length);
    m_pProject->DispatchReplyToWindow(&message);
}

void CControllerConnection::WatchOwedPrompt(int length, const BYTE* bytes)
{
    char last = m_cOwedLast;
    for (int n = 0; n < length; ++n) {
        const char byte = static_cast<char>(bytes[n]);
        if (last == '>' && byte == '>') {
            GlobalLogLine("The abandoned exchange's prompt came", LOG_LINK);
            m_bPromptOwed = false;
            return;
        }
        last = byte;
    }
    m_cOwedLast = last;
}

void CControllerConnection::OnLinkLost()
{
    m_bLinkLost = true;
    m_replyWake.SetEvent();
    if (!m_bLinkLostReported.exchange(true)) {
        GlobalLogLine("Link lost", LOG_LINK);
        AddError(kLinkLostText);
        // The project window disconnects and tells the user now, not when a
        // tool's next request fails.
        const HWND project = m_hNotifyWindow;
        if (project && ::IsWindow(project))
            ::PostMessageA(project, WM_VEXO_LINK_FAILED, 0, 0);
    }
}

BOOL CControllerConnection::ReceiveChannelData(int channel, int length, const BYTE* bytes)
{
    return m_reception.Receive(*this, m_bPacketMode, channel, length, bytes) ? TRUE : FALSE;
}

void CControllerConnection::OnTerminalBytes(int channel, int length, const BYTE* bytes)
{
    if (!m_pProject)
        return;
    ControllerMessage message;
    message.m_nCommandId = COMMAND_ID_RECEIVED;
    message.m_nChannel = channel;
    message.SetArgument(bytes, length);
    m_pProject->DispatchReplyToWindow(&message);
}

bool CControllerConnection::OnChannelLine(int channel, const char* text, int length, bool endedCR)
{
    ControllerMessage message;
    message.m_nChannel = channel;
    message.m_nCommandId = COMMAND_ID_RECEIVED;
    message.SetArgument(text, length);
    message.m_nLineEndedCR = endedCR ? 1 : 0;
    if (channel == CHANNEL_STATUS) {
        ParseStatusLine(message);
        return true;
    }
    return DispatchReply(&message) != FALSE;
}

void CControllerConnection::OnPacketAnswer(int channel, BYTE answer)
{
    if (answer == static_cast<BYTE>(NAK)) {
        m_bResend = true;
        return;
    }
    if (m_bAcknowledged || !m_bRequestActive)
        return;
    if (channel != m_nRequestChannel) {
        m_bResend = true;
        return;
    }
    // The ACK stands for the echo of the command.
    m_bAcknowledged = true;
    std::string command;
    {
        CSingleLock lock(&m_requestLock, TRUE);
        command = m_strCommand;
    }
    ControllerMessage echo;
    echo.m_nChannel = channel;
    echo.m_nCommandId = COMMAND_ID_RECEIVED;
    echo.SetArgument(command.data(), static_cast<int>(command.size()));
    DispatchReply(&echo);
}

void CControllerConnection::SendPacketAnswer(int channel, BYTE answer)
{
    WriteChannel(channel, &answer, 1, FALSE);
}

void CControllerConnection::ParseStatusLine(const ControllerMessage& message)
{
    const StatusLineResult status = ::ParseStatusLine(message.GetText());
    if (!m_pProject)
        return;
    switch (status.kind) {
    case StatusLineResult::UnknownProgram:
        m_pProject->OnCompileMessage(status.text.c_str(), -1);
        break;
    case StatusLineResult::ProgramStatus:
        m_pProject->SetProgramStatusByName(status.process, status.program.c_str());
        break;
    case StatusLineResult::ProcessStatus:
        if (status.error >= 0)
            GlobalLogLine("Dispatch Status", LOG_CHANNEL_DISPATCH);
        m_pProject->SetProcessStatus(status.process, status.status, status.line, status.error,
                                     status.text.empty() && status.error < 0 ? nullptr : status.text.c_str());
        if (status.error >= 0)
            GlobalLogLine("Dispatch Status Done!!", LOG_CHANNEL_DISPATCH);
        break;
    case StatusLineResult::Nothing:
        break;
    }
}

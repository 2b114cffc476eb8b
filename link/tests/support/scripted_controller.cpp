#include "link/tests/support/scripted_controller.h"

#include <cstring>

#include "framework/clock.h"

CScriptedController::CScriptedController(int linkType) : m_nLinkType(linkType)
{
    CCommPortData defaults;
    defaults.SetName("Scripted");
    defaults.SetTypeDefaults(linkType);
    std::memcpy(m_configSets[0], defaults.m_data.m_bytes, COMM_LINK_DATA_SIZE);
    SetConfiguration(nullptr);
}

CScriptedController::~CScriptedController()
{
    Close();
}

void CScriptedController::SetReply(const std::string& command, const ScriptedReply& reply)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_script.SetReply(command, reply);
}

void CScriptedController::QueueReply(const std::string& command, const ScriptedReply& reply)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_script.QueueReply(command, reply);
}

void CScriptedController::SetReplyPattern(const std::string& pattern, const ScriptedReply& reply)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_script.SetReplyPattern(pattern, reply);
}

void CScriptedController::SetReplyCallback(CControllerScript::ReplyCallback callback)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_script.SetReplyCallback(std::move(callback));
}

void CScriptedController::CorruptNextFrames(int count)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_script.CorruptNextFrames(count);
}

void CScriptedController::LoseNextAcks(int count)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_script.LoseNextAcks(count);
}

void CScriptedController::SetDefaultReply(const ScriptedReply& reply)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_script.SetDefaultReply(reply);
}

void CScriptedController::SetSilent(bool silent)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_script.SetSilent(silent);
}

void CScriptedController::RejectNextPackets(int count)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_script.RejectNextPackets(count);
}

void CScriptedController::SendOnChannel(int channel, const std::string& bytes)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_script.SendOnChannel(channel, bytes, AfxGetClock().NowMs());
}

void CScriptedController::SendStatusLine(const std::string& line)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_script.SendStatusLine(line, AfxGetClock().NowMs());
}

void CScriptedController::InjectRaw(const std::string& bytes)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_script.InjectRaw(bytes, AfxGetClock().NowMs());
}

void CScriptedController::DropLink()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_script.DropLink();
}

void CScriptedController::WithScript(const std::function<void(CControllerScript&)>& f)
{
    std::lock_guard<std::mutex> guard(m_lock);
    f(m_script);
}

std::string CScriptedController::Written() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_script.Written();
}

std::string CScriptedController::Sent() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_script.Sent();
}

std::string CScriptedController::Transcript() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_script.Transcript();
}

std::vector<std::string> CScriptedController::Commands() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_script.Commands();
}

std::string CScriptedController::TerminalInput(int channel) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_script.TerminalInput(channel);
}

bool CScriptedController::IsControllerInChannelMode() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_script.IsChannelMode();
}

bool CScriptedController::IsControllerInPacketMode() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_script.IsPacketMode();
}

int CScriptedController::GetWriteCount() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_nWrites;
}

void CScriptedController::SetReadChunk(int maximum)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_nReadChunk = maximum;
}

void CScriptedController::SetOpenFails(bool fails)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_bOpenFails = fails;
}

void CScriptedController::SetWriteFails(bool fails)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_bWriteFails = fails;
}

void CScriptedController::SetTxBlockSize(int size)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_nTxBlockSize = size;
}

bool CScriptedController::WaitUntilRead(DWORD timeoutMs) const
{
    const ULONGLONG start = ::GetTickCount64();
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (!m_script.HasOutput(AfxGetClock().NowMs()))
                return true;
        }
        if (::GetTickCount64() - start >= timeoutMs)
            return false;
        ::Sleep(1);
    }
}

bool CScriptedController::WaitUntilQuiet(DWORD timeoutMs) const
{
    const ULONGLONG start = ::GetTickCount64();
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            const bool running = m_bOpen && IsReceiveThreadRunning();
            if (!running)
                return true;
            const bool taken = !m_script.HasOutput(AfxGetClock().NowMs()) && m_nReads > m_nReadAtLastTake;
            if (taken && (!m_script.IsDropped() || m_bLossSeen))
                return true;
        }
        if (::GetTickCount64() - start >= timeoutMs)
            return false;
        ::Sleep(0);
    }
}

BOOL CScriptedController::Open(ILinkReceiver* receiver)
{
    bool fails;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        fails = m_bOpenFails;
        if (!fails) {
            m_script.ResetState();
            m_bLossSeen = false;
        }
    }
    BOOL opened = FALSE;
    if (!fails) {
        m_bOpen = TRUE;
        opened = receiver ? StartReceiveThread(receiver, "Scripted link read thread started",
                                               "Scripted link read thread ended")
                          : TRUE;
        if (!opened)
            m_bOpen = FALSE;
    }
    CComms::Open(receiver);
    return opened;
}

BOOL CScriptedController::SetConfiguration(const CCommPortData* record)
{
    if (m_bClosesWhenConfigured)
        Close();
    if (record) {
        m_data = *record;
    } else {
        m_data = CCommPortData();
        m_data.SetName("Scripted");
        m_data.m_nType = m_nLinkType;
        std::memcpy(m_data.m_data.m_bytes, m_configSets[0], COMM_LINK_DATA_SIZE);
    }
    const int type = m_data.m_nType;
    m_bHandshake = (type == LINK_TYPE_SERIAL || type == LINK_TYPE_USB || type == LINK_TYPE_PCI) ? TRUE : FALSE;
    m_nMode = LINK_MODE_RAW;
    return TRUE;
}

BOOL CScriptedController::SetData(const BYTE* data, BOOL handshake)
{
    std::memcpy(m_data.m_data.m_bytes, data ? data : m_configSets[0], COMM_LINK_DATA_SIZE);
    m_bHandshake = handshake;
    return TRUE;
}

BOOL CScriptedController::Close()
{
    StopReceiveThread();
    m_bOpen = FALSE;
    CComms::Close();
    return TRUE;
}

BOOL CScriptedController::IsOpen()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_bOpen && !m_script.IsDropped();
}

BOOL CScriptedController::Write(int length, const BYTE* data)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_bOpen || m_bWriteFails || m_script.IsDropped() || !data || length < 1)
        return FALSE;
    ++m_nWrites;
    m_script.Receive(data, length, AfxGetClock().NowMs());
    return TRUE;
}

int CScriptedController::Read(BYTE* buffer, int maximum)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_bOpen || !buffer || maximum < 1)
        return 0;
    ++m_nReads;
    if (m_script.IsDropped()) {
        m_bLossSeen = true;
        return READ_LINK_LOST;
    }
    if (m_nReadChunk > 0 && maximum > m_nReadChunk)
        maximum = m_nReadChunk;
    const int taken = m_script.TakeOutput(buffer, maximum, AfxGetClock().NowMs());
    if (taken > 0)
        m_nReadAtLastTake = m_nReads;
    return taken;
}

int CScriptedController::GetTxBlockSize()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_nTxBlockSize;
}

std::function<CComms*(int)> ScriptedLinkFactory(CScriptedController*& rLink,
                                                std::function<void(CScriptedController&)> script)
{
    return [&rLink, script](int type) {
        rLink = new CScriptedController(type);
        rLink->SetReply("?CONTROL[0]", ScriptedReply("206"));
        rLink->SetReply("?VERSION", ScriptedReply("2.0137"));
        rLink->SetReply("?VERSION;", ScriptedReply("2.0137"));
        if (script)
            script(*rLink);
        return rLink;
    };
}

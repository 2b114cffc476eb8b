// CScriptedController: a link (CComms) whose far end is a scripted
// controller (controller_script.h) instead of a medium. Tests of the link,
// the controller connection, the project window, the tools and the drive
// tools open it like any link and script what the controller answers.
//
//     CScriptedController link;
//     link.SetReply("?VERSION", "2.0137");
//     link.Open(&receiver);          // starts the receive thread
//     ... code under test writes "?VERSION\r" ...
//     EXPECT_EQ(link.Transcript(), golden);
//
// Every call is safe from any thread. Replies held back with a delay wait
// for the clock in use (AfxGetClock), so a FakeClock decides when they can
// be read.
//
// Link: link_testsupport (link/tests/support), which every test program
// that needs a controller links.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "link/comms.h"
#include "link/tests/support/controller_script.h"

class CScriptedController : public CComms {
public:
    // The record the link reports: name "Scripted", the given link type and
    // that type's default settings.
    explicit CScriptedController(int linkType = LINK_TYPE_SERIAL);
    ~CScriptedController() override;

    // The script (see CControllerScript).
    void SetReply(const std::string& command, const ScriptedReply& reply);
    void QueueReply(const std::string& command, const ScriptedReply& reply);
    void SetReplyPattern(const std::string& pattern, const ScriptedReply& reply);
    void SetReplyCallback(CControllerScript::ReplyCallback callback);
    void SetDefaultReply(const ScriptedReply& reply);
    void SetSilent(bool silent);
    void RejectNextPackets(int count);
    void CorruptNextFrames(int count);
    void LoseNextAcks(int count);
    // Unasked controller output (terminal output, status lines, garbage).
    void SendOnChannel(int channel, const std::string& bytes);
    void SendStatusLine(const std::string& line);
    void InjectRaw(const std::string& bytes);
    // The link drops: IsOpen is FALSE, writes fail, reads report the link
    // lost (READ_LINK_LOST), so the receive thread tells its receiver.
    void DropLink();
    // Runs f on the script under the link's lock, for anything else.
    void WithScript(const std::function<void(CControllerScript&)>& f);

    // What happened.
    std::string Written() const;
    std::string Sent() const;
    std::string Transcript() const;
    std::vector<std::string> Commands() const;
    std::string TerminalInput(int channel) const;
    bool IsControllerInChannelMode() const;
    bool IsControllerInPacketMode() const;
    int GetWriteCount() const;

    // Behaviour of the link itself.
    // At most this many bytes per Read (0: no limit beyond the caller's).
    void SetReadChunk(int maximum);
    void SetOpenFails(bool fails);
    // Configuring closes an open link, as the media links do.
    void SetClosesWhenConfigured(bool closes) { m_bClosesWhenConfigured = closes; }
    void SetWriteFails(bool fails);
    void SetTxBlockSize(int size);
    // Waits (real time, at most timeoutMs) until the receive thread has
    // read every byte whose time has come; false when it did not.
    bool WaitUntilRead(DWORD timeoutMs = 5000) const;
    // Waits (real time, bounded) until the receive thread has read every
    // byte whose time has come and handed it on (it has read again since),
    // and has seen a dropped link. A virtual clock's sleep hook calls it, so
    // virtual time runs on only once what is due has arrived.
    bool WaitUntilQuiet(DWORD timeoutMs = 5000) const;

    // CComms.
    BOOL Open(ILinkReceiver* receiver) override;
    BOOL SetConfiguration(const CCommPortData* record) override;
    BOOL SetData(const BYTE* data, BOOL handshake) override;
    BOOL Close() override;
    BOOL IsOpen() override;
    BOOL Write(int length, const BYTE* data) override;
    int Read(BYTE* buffer, int maximum) override;
    int GetTxBlockSize() override;

private:
    mutable std::mutex m_lock;
    CControllerScript m_script;
    int m_nLinkType;
    int m_nReadChunk = 0;
    int m_nTxBlockSize = 4;
    int m_nWrites = 0;
    long m_nReads = 0;          // Read calls
    long m_nReadAtLastTake = 0; // the Read call that last took bytes
    bool m_bLossSeen = false;   // a Read has reported the dropped link
    bool m_bOpenFails = false;
    bool m_bClosesWhenConfigured = false;
    bool m_bWriteFails = false;
};

// A link factory for a controller connection under test: each link it makes
// is a scripted controller that identifies as an unlocked controller of
// version 2.0137, scripted further by script when one is given; rLink
// names the newest.
std::function<CComms*(int)> ScriptedLinkFactory(CScriptedController*& rLink,
                                                std::function<void(CScriptedController&)> script = {});

// The reply dispatcher of the command channel: one call per line received
// on channel 8, checked against the active request (echo first, then the
// reply by the command's reply kind), and the hand-over of a finished reply
// to the window that asked.
#include <cstring>

#include "foundation/logline.h"
#include "foundation/matcher.h"
#include "link/commandtable.h"
#include "link/controllerconnection.h"
#include "link/linkmessages.h"
#include "link/projectwindow.h"
#include "link/vexoreply.h"

namespace {

// Controllers with this feature tell in the directory whether a program may
// be edited.
const int kFeatureDirectoryEditable = 16;
// The query of the controller's POWER_UP setting.
const int kPowerUpQuery = 33;
// The longest program text of a process line.
const int kProcessProgramMost = 24;

// The items of a TABLEVALUES line: numbers, "#" runs (a value the
// controller could not print) and "k<count>,<value>" pairs, in order.
std::vector<std::string> SplitTableItems(const char* text)
{
    std::vector<std::string> items;
    const char* p = text;
    while (*p) {
        const char* end = std::strchr(p, ',');
        if (*p == 'k' && end) {
            // "k%i,%f": the count and its value make one item.
            end = std::strchr(end + 1, ',');
        }
        if (!end)
            end = p + std::strlen(p);
        items.emplace_back(p, end);
        p = *end ? end + 1 : end;
    }
    return items;
}

// The line with its field (comma-separated, counted from 0) cut to at most
// most characters: overlong names are cut, not refused.
CString CutField(const CString& line, int field, int most)
{
    std::string text = line.str();
    std::size_t start = 0;
    for (int n = 0; n < field; ++n) {
        start = text.find(',', start);
        if (start == std::string::npos)
            return line;
        ++start;
    }
    std::size_t end = text.find(',', start);
    if (end == std::string::npos)
        end = text.size();
    if (end - start > static_cast<std::size_t>(most))
        text.erase(start + static_cast<std::size_t>(most), end - start - static_cast<std::size_t>(most));
    return CString(text.c_str());
}

} // namespace

bool CControllerConnection::TakeOwedLine(const CString& text, bool endedCR)
{
    if (!m_bOwedEnd)
        return false;
    std::string owed;
    std::string command;
    bool active = false;
    {
        CSingleLock lock(&m_requestLock, TRUE);
        owed = m_strOwedCommand;
        command = m_strCommand;
        active = m_bRequestActive.load();
    }
    if (active && !command.empty() && text.str() == command) {
        // The echo of the request now waiting: the controller answers in
        // order, so nothing more of the old reply comes. (A request that
        // sends the old text again cannot tell the two echoes apart: the
        // first is taken as its own.)
        m_bOwedEcho = false;
        m_bOwedEnd = false;
        return false;
    }
    if (m_bOwedEcho && text.str() == owed) {
        m_bOwedEcho = false;
        GlobalLogLine("Late echo dropped: " + text, LOG_CHANNEL_DISPATCH);
        return true;
    }
    if (!m_bOwedEcho && !endedCR) {
        // The end mark, or a value line the end mark ends: the last of it.
        m_bOwedEnd = false;
        GlobalLogLine("Late reply ended: " + text, LOG_CHANNEL_DISPATCH);
        return true;
    }
    GlobalLogLine("Late reply dropped: " + text, LOG_CHANNEL_DISPATCH);
    return true;
}

BOOL CControllerConnection::DispatchReply(ControllerMessage* message)
{
    if (!message) {
        GlobalLogLine("Dispatch error: NULL message pointer", LOG_CHANNEL_DISPATCH);
        ShowLinkMessage(LinkMessage(MSG_NULL_MESSAGE), MSG_ERROR_CAPTION);
        return FALSE;
    }
    const CString text = message->GetText();
    GlobalLogLine("Dispatch: " + text, LOG_CHANNEL_DISPATCH);
    const bool endedCR = message->m_nLineEndedCR != 0;
    if (TakeOwedLine(text, endedCR))
        return TRUE;
    if (!m_bRequestActive) {
        if (m_nHold == 0) {
            GlobalLogLine("Error - no message active", LOG_CHANNEL_DISPATCH);
            AddError(LinkMessage(MSG_UNREQUESTED_REPLY) + ":   " +
                     (text.IsEmpty() ? "<" + LinkMessage(MSG_EMPTY) + ">" : text));
        }
        m_nState = 0;
        return TRUE;
    }
    std::string command;
    int commandId = COMMAND_ID_NONE;
    {
        CSingleLock lock(&m_requestLock, TRUE);
        command = m_strCommand;
        commandId = m_nCommandId;
        // What this line yields goes to this request or to nobody.
        m_nDispatchSequence = m_bRequestActive ? m_nSequence : 0;
    }
    if (text.Left(2) == "%[") {
        // A status or error report about the command.
        if (m_pProject)
            m_pProject->OnCompileMessage(text, commandId);
        m_nState = endedCR ? -1 : 0;
        if (endedCR)
            m_bFailed = true;
        return TRUE;
    }
    if (text.IsEmpty() && !endedCR) {
        // The end mark of the reply.
        if (m_nState == REPLY_EDITOR_END && !m_bDelivered) {
            ControllerMessage reply;
            if (m_bPacketMode) {
                const std::size_t comma = command.find(',');
                const std::string sent = comma == std::string::npos ? std::string() : command.substr(comma + 1);
                reply.SetArgument(sent.data(), static_cast<int>(sent.size()));
            }
            DeliverReply(&reply);
        }
        m_nState = 0;
        if (m_bEchoSeen)
            CompleteRequest(false);
        return TRUE;
    }
    const int state = m_nState.load();
    if (state == 0 || (state == -1 && !m_bEchoSeen)) {
        if (text.str() == command) {
            const CommandTableEntry* row = GetCommandRow(commandId);
            m_nState = row ? row->m_nReplyKind : REPLY_DISCARD;
            m_bEchoSeen = true;
            return TRUE;
        }
        if (state == 0) {
            GlobalLogLine("Error - command mismatch", LOG_CHANNEL_DISPATCH);
            AddError(LinkMessage(MSG_ECHO_ERROR) + ":   " + CString(command.c_str()));
            GlobalLogLine("** :   " + text + "  (Cmd: " + CString(command.c_str()) + " )", LOG_CHANNEL_DISPATCH);
        }
        m_nState = -1;
        return FALSE;
    }
    if (state == -1)
        return TRUE;

    ControllerMessage reply;
    bool scanned = true;
    unsigned failure = MSG_UNEXPECTED_RESPONSE;
    switch (state) {
    case REPLY_NONE:
        scanned = false;
        failure = MSG_UNEXPECTED_DATA;
        break;
    case REPLY_INTEGER:
    case REPLY_LONG:
    case REPLY_UNSIGNED:
    case REPLY_ULONG: {
        std::int32_t value = 0;
        const char* pattern = state == REPLY_INTEGER ? "%i" : (state == REPLY_LONG ? "%ld" : "%u");
        scanned = MatchText(text, pattern, &value) != FALSE;
        if (state == REPLY_INTEGER)
            failure = MSG_INTEGER_EXPECTED;
        if (scanned && commandId == kPowerUpQuery)
            SetPowerUpFlag(value);
        reply.SetInteger(value);
        break;
    }
    case REPLY_REAL: {
        double value = 0.0;
        scanned = MatchText(text, "%f", &value) != FALSE;
        reply.SetReal(value);
        break;
    }
    case REPLY_TEXT:
    case REPLY_EDITOR_END:
        reply.SetArgument(text.GetString(), text.GetLength());
        break;
    case REPLY_DISCARD:
        return TRUE;
    case REPLY_DIRECTORY:
        return DispatchDirectoryLine(text);
    case REPLY_PROCESSES:
        return DispatchProcessLine(text);
    case REPLY_TABLEVALUES: {
        // Every item reaches the reader: all but the last as text, the last
        // as a value (a "#" run reads as the largest value).
        const std::vector<std::string> items = SplitTableItems(text);
        if (items.empty()) {
            AddError("Error in reply to TABLEVALUES: empty!");
            m_nState = -1;
            m_bFailed = true;
            return FALSE;
        }
        for (std::size_t n = 0; n + 1 < items.size(); ++n) {
            ControllerMessage item;
            item.SetArgument(items[n].data(), static_cast<int>(items[n].size()));
            DeliverReply(&item);
        }
        double last = 0.0;
        ControllerMessage item;
        if (MatchText(items.back().c_str(), "%f", &last))
            item.SetReal(last);
        else
            item.SetArgument(items.back().data(), static_cast<int>(items.back().size()));
        DeliverReply(&item);
        return TRUE;
    }
    default:
        scanned = false;
        break;
    }
    if (!scanned) {
        AddError(LinkMessage(failure) + ":   " + text);
        m_nState = -1;
        m_bFailed = true;
        return FALSE;
    }
    DeliverReply(&reply);
    // A line without the carriage-return mark is the last of the reply: the
    // controller ends a value printed with ";" by the end mark itself.
    if (!endedCR) {
        m_nState = 0;
        CompleteRequest(false);
    }
    return TRUE;
}

void CControllerConnection::ReplyLineFailed(unsigned messageId, LPCSTR logPrefix, const CString& text)
{
    GlobalLogLine(CString(logPrefix) + (text.IsEmpty() ? CString("empty!") : text), LOG_CHANNEL_DISPATCH);
    AddError(LinkMessage(messageId) + ":   " + (text.IsEmpty() ? "<" + LinkMessage(MSG_EMPTY) + ">" : text));
    m_nState = -1;
    m_bFailed = true;
}

BOOL CControllerConnection::DispatchDirectoryLine(const CString& text)
{
    // The sixth field (whether the program may be edited) comes only from
    // controllers with feature 16; line and pattern are cut to the fields
    // both have.
    CString pattern = HasFeature(kFeatureDirectoryEditable) ? "%s,%ld,%ld,%d,%d,%d" : "%s,%ld,%ld,%d,%d";
    CString line = CutField(text, 0, static_cast<int>(sizeof(DirectoryReplyRecord::name)) - 1);
    const int fields = CountFields(line, ',', FALSE);
    const int common = fields < CountFields(pattern, ',', FALSE) ? fields : CountFields(pattern, ',', FALSE);
    if (text.IsEmpty()) {
        ReplyLineFailed(MSG_DIRECTORY_ERROR, "Error in reply to DIR: ", text);
        return FALSE;
    }
    if (common < 4)
        return TRUE; // the memory line and the like: no program
    CheckFieldCount(common, line, ',', FALSE);
    CheckFieldCount(common, pattern, ',', FALSE);
    DirectoryReplyRecord record = {};
    record.type = PROGRAM_TYPE_NONE;
    record.editable = -1;
    record.fieldCount = common - 1;
    // A name too long for the record is kept cut, but marked: a reader that
    // addresses programs by name must not take it for another program.
    const int nameEnd = text.Find(',');
    record.nameCut = (nameEnd < 0 ? text.GetLength() : nameEnd) > static_cast<int>(sizeof record.name) - 1 ? 1 : 0;
    if (!MatchText(line, pattern, record.name, static_cast<int>(sizeof record.name), &record.sourceSize,
                   &record.codeSize, &record.autoRun, &record.type, &record.editable)) {
        ReplyLineFailed(MSG_DIRECTORY_ERROR, "Error in reply to DIR: ", text);
        return FALSE;
    }
    // The memory the programs live in is no program.
    if (std::strcmp(record.name, "RAM") == 0 || std::strcmp(record.name, "EPROM") == 0 ||
        std::strcmp(record.name, "TABLE") == 0)
        return TRUE;
    ControllerMessage reply;
    reply.SetArgument(&record, static_cast<int>(sizeof record));
    DeliverReply(&reply);
    return TRUE;
}

BOOL CControllerConnection::DispatchProcessLine(const CString& text)
{
    ProcessReplyRecord record = {};
    const CString line = CutField(text, 2, kProcessProgramMost);
    if (text.IsEmpty() || !MatchText(line, "%i,%i,%s,%i", &record.process, &record.state, record.program,
                                     kProcessProgramMost + 1, &record.line)) {
        ReplyLineFailed(MSG_PROCESS_ERROR, "Error in reply to PROCESS: ", text);
        return FALSE;
    }
    if (record.process == 0)
        return TRUE; // the command line
    ControllerMessage reply;
    reply.SetArgument(&record, static_cast<int>(sizeof record));
    DeliverReply(&reply);
    return TRUE;
}

void CControllerConnection::DeliverReply(ControllerMessage* reply)
{
    if (!reply || m_nHold > 0 || !m_pProject || m_pProject->IsReplyDispatchBlocked())
        return;
    HWND requester = nullptr;
    CVexoReply* receiver = nullptr;
    std::string command;
    {
        // Read with the check, under the lock the request ends under: a
        // request that ended, or another that began, since the line was
        // taken gets nothing of it.
        CSingleLock lock(&m_requestLock, TRUE);
        if (!m_bRequestActive || m_nSequence != m_nDispatchSequence) {
            GlobalLogLine("Reply dropped, its request ended", LOG_CHANNEL_DISPATCH);
            return;
        }
        reply->m_nSequence = m_nSequence;
        reply->m_nCommandId = m_nCommandId;
        requester = m_hRequester;
        receiver = m_pReplyReceiver;
        command = m_strCommand;
    }
    const HWND project = m_pProject->GetProjectWindowHandle();
    reply->m_hReplyWnd = project;
    reply->m_nChannel = CHANNEL_COMMAND;
    m_bDelivered = true;
    m_pProject->LockRegistry();
    if (receiver && requester && m_pProject->LookupRegisteredWindow(requester)) {
        GlobalLogLine("Dispatch SynCmd: (Direct) " + CString(command.c_str()), LOG_CHANNEL_DISPATCH);
        if (!receiver->IsClosing())
            receiver->OnReply(reply);
    } else if (requester && requester == project) {
        GlobalLogLine("Dispatch SynCmd: (Project) " + CString(command.c_str()), LOG_CHANNEL_DISPATCH);
        m_pProject->OnControllerReply(reply);
    }
    m_pProject->UnlockRegistry();
}

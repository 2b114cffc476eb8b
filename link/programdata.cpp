#include "link/programdata.h"

#include <cstring>

#include "link/commandtable.h"
#include "link/controllermessage.h"

bool IsSelectableProgramType(int type)
{
    return (type >= PROGRAM_TYPE_BASIC && type <= 4) || type == PROGRAM_TYPE_QC_CONFIG;
}

namespace {

// The record a reply message to a command of the reply kind carries: its
// block holds exactly one record.
template <class Record> bool ReadReplyRecord(const ControllerMessage& message, int replyKind, Record& record)
{
    const CommandTableEntry* row = GetCommandRow(message.m_nCommandId);
    if (!row || row->m_nReplyKind != replyKind || message.GetLength() != static_cast<int>(sizeof record))
        return false;
    std::memcpy(&record, message.GetBytes(), sizeof record);
    return true;
}

} // namespace

bool ReadDirectoryReply(const ControllerMessage& message, CProgramData& program)
{
    DirectoryReplyRecord record;
    if (!ReadReplyRecord(message, REPLY_DIRECTORY, record))
        return false;
    record.name[sizeof record.name - 1] = '\0';
    program = CProgramData();
    program.m_strName = record.name;
    program.m_nSourceSize = record.sourceSize;
    program.m_nCodeSize = record.codeSize;
    program.m_nAutoRun = record.autoRun;
    program.m_nType = record.type;
    program.m_nEditable = record.editable < 0 ? 0 : record.editable;
    return true;
}

bool ReadProcessReply(const ControllerMessage& message, CProcessData& process)
{
    ProcessReplyRecord record;
    if (!ReadReplyRecord(message, REPLY_PROCESSES, record))
        return false;
    record.program[sizeof record.program - 1] = '\0';
    process = CProcessData();
    process.m_strProgram = record.program;
    process.m_nProgramCount = record.program[0] ? 1 : 0;
    process.m_nProcess = record.process;
    process.m_nState = record.state;
    process.m_nLine = record.line;
    return true;
}

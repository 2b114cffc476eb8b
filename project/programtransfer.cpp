#include "project/programtransfer.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/crc.h"
#include "foundation/safefile.h"
#include "framework/prompt.h"
#include "link/programdata.h"
#include "link/controllerconnection.h"
#include "project/programtypes.h"
#include "project/projectfile.h"
#include "project/tablelist.h"

namespace {

// Command-table ids of the transfers.
enum : int {
    CMD_NEW = 13,
    CMD_NEW_ALL = 14,
    CMD_SELECT = 19,
    CMD_SELECT_TYPE = 20,
    CMD_SELECTED = 21,
    CMD_LINE_COUNT = 22,
    CMD_LIST_LINE = 23,
    CMD_INSERT_LINE = 24,
    CMD_REPLACE_LINE = 25,
    CMD_PROGRAM_CRC = 26,
    CMD_TABLE_SIZE = 29,
    CMD_TABLE_VALUES = 31,
    CMD_VR = 32,
    CMD_COPY = 43,
    CMD_RENAME = 44,
};

// The controller takes the program type with SELECT.
const int kFeatureSelectWithType = 13;
// TABLE values asked for at a time.
const long kTableBlock = 30;
// What a TABLE entry beginning with "#" (an overflow) reads as.
const double kTableOverflow = 1.7976931348623158e+303;

double TableValue(const char* text)
{
    return text[0] == '#' ? kTableOverflow : std::strtod(text, nullptr);
}

CString Formatted(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

bool IsFolder(LPCSTR path)
{
    const DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Makes the folder when missing; TRUE when it exists after.
bool MakeFolder(const CString& folder)
{
    CString path = folder;
    path.TrimRight('\\');
    if (path.IsEmpty())
        return false;
    if (!IsFolder(path))
        ::CreateDirectoryA(path, nullptr);
    return IsFolder(path);
}

bool Cancelled(const std::atomic<bool>& flag, IHubProgress* progress)
{
    return flag.load() || (progress && progress->IsCancelled());
}

// Closes the gauge on every way out.
class CGauge {
public:
    CGauge(ITransferHost& host, LPCSTR caption) : m_progress(host.StartProgress(caption)) {}
    ~CGauge()
    {
        if (m_progress)
            m_progress->Close();
    }
    IHubProgress* operator->() { return m_progress.get(); }
    IHubProgress* get() { return m_progress.get(); }
    void SetPercent(int percent)
    {
        if (m_progress)
            m_progress->SetPercent(percent);
    }
    void SetText(LPCSTR text)
    {
        if (m_progress)
            m_progress->SetText(text);
    }

private:
    std::unique_ptr<IHubProgress> m_progress;
};

// The control panel hears of the start of a program transfer and, on every
// way out, of its end.
class CPanelNotice {
public:
    explicit CPanelNotice(ITransferHost& host) : m_host(host)
    {
        SendIfWindow(m_host.GetControlPanelWindow(), PWM_PROGRAM_TRANSFER_START);
    }
    ~CPanelNotice() { SendIfWindow(m_host.GetControlPanelWindow(), PWM_PROGRAM_TRANSFER_END); }

private:
    ITransferHost& m_host;
};

} // namespace

// ---------------------------------------------------------------- TABLE replies

long AppendTableValues(const ControllerMessage& item, long most, std::vector<double>& values)
{
    if (!item.HasBytes()) {
        if (most < 1)
            return -1;
        values.push_back(item.GetReal());
        return 1;
    }
    const char* text = item.GetText();
    if (text[0] != 'k') {
        if (most < 1)
            return -1;
        values.push_back(TableValue(text));
        return 1;
    }
    char* rest = nullptr;
    const long repeat = std::strtol(text + 1, &rest, 10);
    if (!rest || *rest != ',' || repeat < 1 || repeat > most)
        return -1;
    values.insert(values.end(), static_cast<std::size_t>(repeat), TableValue(rest + 1));
    return repeat;
}

// ---------------------------------------------------------------- files

BOOL ReadProgramFileLines(LPCSTR path, std::vector<std::string>& lines)
{
    lines.clear();
    std::string bytes;
    if (!path || !ReadWholeFileBytes(path, bytes))
        return FALSE;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        const std::size_t next = end == std::string::npos ? bytes.size() : end + 1;
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        lines.push_back(line);
        start = next;
    }
    return TRUE;
}

BOOL ProgramFileCrc(LPCSTR path, std::uint16_t& crc)
{
    std::vector<std::string> lines;
    if (!ReadProgramFileLines(path, lines))
        return FALSE;
    crc = ProgramLinesCrc(lines);
    return TRUE;
}

// ---------------------------------------------------------------- transfer

// The replies to the command run last: a reply to any other command (one
// run meanwhile by a handler the wait served) is not taken for its answer.
class CProgramTransfer::CReplies {
public:
    void Add(const ControllerMessage& message)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (message.m_nCommandId == m_nCommand)
            m_replies.push_back(message);
    }
    void Expect(int commandId)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_nCommand = commandId;
        m_replies.clear();
    }
    std::vector<ControllerMessage> Take()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        std::vector<ControllerMessage> taken;
        taken.swap(m_replies);
        return taken;
    }

private:
    std::mutex m_lock;
    int m_nCommand = -1;
    std::vector<ControllerMessage> m_replies;
};

struct CProgramTransfer::Busy {
    explicit Busy(ITransferHost& host) : host(host) { host.RaiseBusy(); }
    ~Busy() { host.LowerBusy(); }
    ITransferHost& host;
};

CProgramTransfer::CProgramTransfer(ITransferHost& host) : m_host(host), m_replies(std::make_shared<CReplies>())
{
    std::shared_ptr<CReplies> replies = m_replies;
    m_host.SetReplySink([replies](const ControllerMessage& message) { replies->Add(message); });
}

CProgramTransfer::~CProgramTransfer()
{
    m_host.SetReplySink({});
}

void CProgramTransfer::Report(const CString& text, LPCSTR caption)
{
    AfxGetPromptService().PromptDetached(text, caption);
}

BOOL CProgramTransfer::Run(int commandId, int integer, LPCSTR text)
{
    m_replies->Expect(commandId);
    return m_host.RunCommand(commandId, integer, text);
}

CString CProgramTransfer::ProgramFilePath(LPCSTR name, int type, BOOL intoControllerFolder)
{
    // No file for a name that could reach outside the folder or be a device.
    if (!IsProgramFileName(name))
        return CString();
    CProjectFile* project = m_host.GetProjectFile();
    CString path = project ? project->GetDirectory() : CString();
    if (intoControllerFolder)
        path += "Controller\\";
    path += name;
    path += ".";
    path += GetProgramTypeExtension(type);
    return path;
}

BOOL CProgramTransfer::Select(int commandId, LPCSTR argument, LPCSTR name)
{
    // A report left from an earlier command is not this one's.
    m_host.TakeSelectCompileReport();
    if (Run(commandId, 0, argument))
        return TRUE;
    const CString other = m_host.TakeSelectCompileReport();
    return !other.IsEmpty() && other.CompareNoCase(name ? name : "") != 0 ? TRUE : FALSE;
}

BOOL CProgramTransfer::CheckSelected(LPCSTR name, bool selected)
{
    if (selected && Run(CMD_SELECTED)) {
        const std::vector<ControllerMessage> replies = m_replies->Take();
        if (!replies.empty() && CString(replies.back().GetText()).CompareNoCase(name) == 0)
            return TRUE;
    }
    Report(Formatted("Could not select the program %s on the controller", name), "Project Manager");
    return FALSE;
}

// ---------------------------------------------------------------- TABLE and VR

int CProgramTransfer::ReadTable(CTableList& table, long first, long last)
{
    Busy busy(m_host);
    if (first < 0 || last < first)
        return 0;
    CGauge gauge(m_host, "Reading table");
    m_bCancel = false;
    if (!Run(CMD_TABLE_SIZE))
        return 0;
    const std::vector<ControllerMessage> sizeReply = m_replies->Take();
    if (sizeReply.empty())
        return 0;
    // The read ends at the last entry there is. Indexes are counted in 64
    // bits: a block near the largest index must not wrap.
    const long long size = sizeReply.back().GetInteger();
    const long long lastIndex = static_cast<long long>(last) < size - 1 ? last : size - 1;
    if (lastIndex < first || lastIndex - first + 1 > TABLE_VALUES_MOST)
        return 0;
    const long long count = lastIndex - first + 1;
    std::vector<double> values;
    for (long long i = first; i <= lastIndex; i += kTableBlock) {
        if (Cancelled(m_bCancel, gauge.get()))
            return 0;
        gauge.SetPercent(static_cast<int>((i - first) * 100 / count));
        const long long end = i + kTableBlock - 1 < lastIndex ? i + kTableBlock - 1 : lastIndex;
        if (!Run(CMD_TABLE_VALUES, 0, Formatted("%lld,%lld,%d", i, end, 0)))
            return 0;
        const long wanted = static_cast<long>(end - i + 1);
        long got = 0;
        for (const ControllerMessage& item : m_replies->Take()) {
            const long added = AppendTableValues(item, wanted, values);
            if (added < 0)
                return 0;
            got += added;
        }
        if (got != wanted)
            return 0; // a short (or long) block: the values would land at the wrong indices
    }
    gauge.SetPercent(100);
    if (Cancelled(m_bCancel, gauge.get()))
        return 0;
    table.Clear();
    table.SetStart(first);
    for (double value : values)
        if (!table.AddValue(value))
            return 0;
    return 1;
}

int CProgramTransfer::ReadVariables(std::vector<std::string>& lines, int first, int last)
{
    Busy busy(m_host);
    lines.push_back("' Variables");
    CGauge gauge(m_host, "Reading variables");
    m_bCancel = false;
    // Counted in 64 bits: a range that ends at the largest index ends.
    const long long count = static_cast<long long>(last) - first + 1;
    for (long long index = first; index <= last; ++index) {
        const int v = static_cast<int>(index);
        if (Cancelled(m_bCancel, gauge.get()))
            return 0;
        gauge.SetPercent(static_cast<int>((index - first + 1) * 100 / count));
        if (!Run(CMD_VR, v))
            return 0;
        const std::vector<ControllerMessage> replies = m_replies->Take();
        if (replies.empty())
            return 0;
        const double value = replies.back().GetReal();
        char text[512];
        std::snprintf(text, sizeof text, value == std::floor(value) ? " VR(%i)=%.1f" : " VR(%i)=%.4f", v, value);
        // A line the controller cannot take is kept, and the user told.
        if (std::strlen(text) > static_cast<std::size_t>(PROGRAM_LINE_MAX))
            Report(Formatted("Line %d is too long (%d characters max):-\n\n%s", static_cast<int>(lines.size()),
                             PROGRAM_LINE_MAX, text),
                   "Reading variables");
        lines.push_back(text);
    }
    lines.push_back("");
    return 1;
}

// ---------------------------------------------------------------- line load

int CProgramTransfer::LoadProgramText(LPCSTR name, LPCSTR path, int type, BOOL resetCancel)
{
    CControllerConnection* connection = m_host.GetConnection();
    if (!connection || !IsValidProgramName(name) || !path || !FileExists(path) ||
        !ControllerCanSelectProgramType(type, connection))
        return 0;
    Busy busy(m_host);
    // A fresh program: SELECT makes it, NEW empties it, SELECT again gives
    // it its type.
    const bool withType = connection->IsFeatureSupported(kFeatureSelectWithType) != FALSE;
    bool selected = Select(CMD_SELECT, name, name) && Run(CMD_NEW, 0, name);
    selected = selected && (withType ? Select(CMD_SELECT_TYPE, Formatted("%s,%d", name, type), name)
                                     : Select(CMD_SELECT, name, name));
    if (!CheckSelected(name, selected))
        return 0;

    CGauge gauge(m_host, "Loading File");
    gauge.SetText(path);
    if (resetCancel)
        m_bCancel = false;
    std::vector<std::string> lines;
    if (!ReadProgramFileLines(path, lines))
        return 0;
    bool sent = true;
    for (std::size_t n = 0; n < lines.size() && sent; ++n) {
        if (Cancelled(m_bCancel, gauge.get()))
            break;
        std::string line = lines[n];
        if (line.size() > static_cast<std::size_t>(PROGRAM_LINE_MAX)) {
            Report(Formatted("Line %d is too long (%d characters max), extra removed from end of line:-\n\n%s",
                             static_cast<int>(n), PROGRAM_LINE_MAX, line.c_str()),
                   "Editor");
            line.resize(PROGRAM_LINE_MAX);
        }
        const CString text = Formatted("%d,%s", static_cast<int>(n), line.c_str());
        sent = Run(n == 0 ? CMD_REPLACE_LINE : CMD_INSERT_LINE, 0, text) != FALSE;
        gauge.SetPercent(static_cast<int>((n + 1) * 100 / lines.size()));
    }
    if (Cancelled(m_bCancel, gauge.get())) {
        // The partial program goes.
        Run(CMD_NEW, 0, name);
        return 0;
    }
    if (!sent)
        return 0;
    // Every line arrived: the controller holds as many as were sent (an
    // empty file leaves the one empty line of a new program).
    if (!Run(CMD_LINE_COUNT))
        return 0;
    const std::vector<ControllerMessage> count = m_replies->Take();
    const std::size_t expected = lines.empty() ? 1 : lines.size();
    return !count.empty() && count.back().GetInteger() == static_cast<std::int32_t>(expected) ? 1 : 0;
}

// ---------------------------------------------------------------- read-back

BOOL CProgramTransfer::SaveProgramToDisk(LPCSTR name, int type, BOOL intoControllerFolder)
{
    return SaveProgramToFile(name, type, intoControllerFolder, ProgramFilePath(name, type, intoControllerFolder));
}

BOOL CProgramTransfer::SaveIECProgram(LPCSTR name)
{
    CControllerConnection* connection = m_host.GetConnection();
    CProjectFile* project = m_host.GetProjectFile();
    if (!IsProgramFileName(name) || !connection || !project ||
        connection->GetProgramType(name) != PROGRAM_TYPE_IEC_PROJECT)
        return FALSE;
    const CString coded =
        project->GetDirectory() + name + "." + GetProgramTypeTransferExtension(PROGRAM_TYPE_IEC_PROJECT);
    return SaveProgramToFile(name, PROGRAM_TYPE_IEC_PROJECT, FALSE, coded) && m_host.ExportIECProgram(name);
}

BOOL CProgramTransfer::SaveProgramToFile(LPCSTR name, int type, BOOL intoControllerFolder, const CString& path)
{
    if (!IsValidProgramName(name) || path.IsEmpty())
        return FALSE;
    Busy busy(m_host);
    CPanelNotice notice(m_host);
    if (!m_host.PermitProgramOperation({name}))
        return FALSE;
    CProjectFile* project = m_host.GetProjectFile();
    if (!project || !MakeFolder(project->GetDirectory()))
        return FALSE;
    if (intoControllerFolder && !MakeFolder(project->GetDirectory() + "Controller"))
        return FALSE;

    CGauge gauge(m_host, "Saving file");
    gauge.SetText(name);
    m_bCancel = false;
    // The line reads list the selected program: a program that cannot be
    // selected cannot be read this way (its file would get another
    // program's lines).
    if (!ControllerCanSelectProgramType(type, m_host.GetConnection()) || !CheckSelected(name, Select(CMD_SELECT, name, name)))
        return FALSE;
    if (!Run(CMD_LINE_COUNT))
        return FALSE;
    const std::vector<ControllerMessage> count = m_replies->Take();
    if (count.empty() || count.back().GetInteger() < 0)
        return FALSE;
    const int lines = count.back().GetInteger();
    std::string text;
    // Lines count from 0, as the load writes them.
    for (int i = 0; i < lines; ++i) {
        if (Cancelled(m_bCancel, gauge.get()))
            return FALSE;
        gauge.SetPercent(static_cast<int>(100LL * (i + 1) / lines));
        if (!Run(CMD_LIST_LINE, i))
            return FALSE;
        const std::vector<ControllerMessage> line = m_replies->Take();
        if (line.empty())
            return FALSE;
        text += line.back().GetText();
        text += "\r\n";
    }
    return ReplaceFileContents(path, text);
}

BOOL CProgramTransfer::SaveAllProgramsToDisk(std::vector<std::string>* saved)
{
    CControllerConnection* connection = m_host.GetConnection();
    if (!connection)
        return FALSE;
    for (const CProgramData& program : connection->GetPrograms()) {
        const CString name = program.m_strName;
        if (program.m_nType == PROGRAM_TYPE_IEC_PROJECT) {
            if (!SaveIECProgram(name))
                return FALSE;
            continue;
        }
        if (!SaveProgramToDisk(name, program.m_nType, FALSE))
            return FALSE;
        if (saved)
            saved->push_back(name.str());
    }
    return TRUE;
}

int CProgramTransfer::ExportProgramFile(LPCSTR name, LPCSTR destination, BOOL force)
{
    CControllerConnection* connection = m_host.GetConnection();
    CProjectFile* project = m_host.GetProjectFile();
    if (!IsValidProgramName(name) || !destination || !*destination || !connection || !project ||
        project->GetDirectory().IsEmpty() || !m_host.PermitProgramOperation({name}) || !connection->HasProgram(name))
        return 0;
    m_host.SaveEditors(name);
    const int type = connection->GetProgramType(name);
    const CString projectCopy = ProgramFilePath(name, type);
    const bool elsewhere = projectCopy.CompareNoCase(destination) != 0;
    if (force || !FileExists(projectCopy) || !elsewhere) {
        if (!SaveProgramToDisk(name, type, FALSE))
            return 0;
    }
    if (elsewhere) {
        const ProgramTypeRow* row = FindProgramType(type);
        if (!row || !TransferFileOfType(projectCopy, row->fileTypes[0], destination) || !FileExists(destination)) {
            Report(Formatted("Error copying file from %s to %s", projectCopy.GetString(), destination), "Convert project");
            return 0;
        }
    }
    return 1;
}

// ---------------------------------------------------------------- program load

int CProgramTransfer::ControllerCrc(LPCSTR name, BOOL& read)
{
    read = FALSE;
    if (!Run(CMD_PROGRAM_CRC, 0, name))
        return 0;
    const std::vector<ControllerMessage> crc = m_replies->Take();
    if (crc.empty())
        return 0;
    read = TRUE;
    return crc.back().GetInteger();
}

BOOL CProgramTransfer::LoadProgramToController(LPCSTR name, int type, BOOL resetCancel)
{
    if (!IsValidProgramName(name))
        return FALSE;
    Busy busy(m_host);
    const BOOL fast = m_host.UseFastProgramLoad();
    CPanelNotice notice(m_host);
    if (!m_host.PermitProgramOperation({name}))
        return FALSE;
    const CString path = ProgramFilePath(name, type);
    if (!FileExists(path)) {
        Report(Formatted("Program file %s does not exist", name), "Project Manager");
        return FALSE;
    }
    std::string bytes;
    ReadWholeFileBytes(path, bytes);
    // An empty file always goes line by line.
    const bool fastPath = fast && !bytes.empty();
    const BOOL loaded = fastPath ? m_host.FastLoadProgram(name, path, type) : LoadProgramText(name, path, type, resetCancel);
    if (!loaded)
        return FALSE;
    BOOL read = FALSE;
    const int controllerCrc = ControllerCrc(name, read);
    std::uint16_t fileCrc = 0;
    if (!read || !ProgramFileCrc(path, fileCrc))
        return FALSE;
    if (static_cast<std::uint32_t>(controllerCrc) == fileCrc)
        return TRUE;
    if (fastPath) {
        Report(Formatted("Program CRC check failed (Controller=0x%08lx,File=0x%08lx)\nRun a project check to "
                         "resolve any inconsistancies.",
                         static_cast<unsigned long>(controllerCrc), static_cast<unsigned long>(fileCrc)),
               "Load program");
        return FALSE;
    }
    // The controller lists the lines its own way: its copy becomes the
    // project's.
    return SaveProgramToDisk(name, type, FALSE);
}

// ---------------------------------------------------------------- delete, copy, rename

int CProgramTransfer::DeletePrograms(LPCSTR names)
{
    Busy busy(m_host);
    std::vector<std::string> parts;
    bool everything = false;
    CString text = names ? names : "";
    text.Trim();
    int start = 0;
    while (start >= 0 && start <= text.GetLength()) {
        const int comma = text.Find(',', start);
        CString part = comma < 0 ? text.Mid(start) : text.Mid(start, comma - start);
        part.Trim();
        if (!part.IsEmpty()) {
            parts.push_back(part.str());
            everything = everything || part == "*";
        }
        start = comma < 0 ? -1 : comma + 1;
    }
    if (parts.empty())
        return 1;
    if (!m_host.PermitProgramOperation(everything ? std::vector<std::string>() : parts))
        return 0;
    CControllerConnection* connection = m_host.GetConnection();
    CProjectFile* project = m_host.GetProjectFile();
    int result = 1;
    bool removed = false;
    for (const std::string& part : parts) {
        if (part == "*") {
            m_host.CloseEditors(nullptr);
            Run(CMD_NEW, 0, "TABLE");
            if (Run(CMD_NEW_ALL)) {
                if (connection)
                    connection->RemoveAllPrograms();
                if (project)
                    project->ClearProgramList();
                removed = true;
            } else {
                result = 0;
            }
        } else if (CString(part.c_str()).CompareNoCase("TABLE") == 0) {
            Run(CMD_NEW, 0, "TABLE");
        } else if (!IsValidProgramName(part.c_str())) {
            // A name no program has (a quote in it would end the command's
            // text early): nothing is sent for it.
            result = 0;
        } else {
            m_host.CloseEditors(part.c_str());
            // The program leaves the lists only once the controller erased it.
            if (Run(CMD_NEW, 0, part.c_str())) {
                if (connection)
                    connection->RemoveProgram(part.c_str());
                if (project)
                    project->RemoveProgram(part.c_str());
                removed = true;
            } else {
                result = 0;
            }
        }
    }
    if (removed) {
        m_host.ProgramsChanged();
        Run(CMD_SELECTED);
        m_host.StoreProgramsIfNeeded();
    }
    return result;
}

BOOL CProgramTransfer::CopyProgram(LPCSTR source, LPCSTR destination)
{
    return CopyOrRename(source, destination, false);
}

BOOL CProgramTransfer::RenameProgram(LPCSTR source, LPCSTR destination)
{
    return CopyOrRename(source, destination, true);
}

BOOL CProgramTransfer::CopyOrRename(LPCSTR source, LPCSTR destination, bool rename)
{
    if (!IsValidProgramName(source) || !IsValidProgramName(destination) ||
        CString(source).CompareNoCase(destination) == 0)
        return FALSE;
    Busy busy(m_host);
    CControllerConnection* connection = m_host.GetConnection();
    CProjectFile* project = m_host.GetProjectFile();
    if (!connection || !project || !m_host.PermitProgramOperation({destination}))
        return FALSE;
    int type = connection->GetProgramType(source);
    if (type == PROGRAM_TYPE_NONE)
        type = project->GetProgramType(source);
    const ProgramTypeRow* row = FindProgramType(type);
    m_host.CloseEditors(source);
    m_host.CloseEditors(destination);
    const CString sourcePath = ProgramFilePath(source, type);
    const CString destinationPath = ProgramFilePath(destination, type);
    const char* caption = rename ? "Rename Program" : "Copy Program";
    if (IsFolder(destinationPath)) {
        Report(Formatted(rename ? "%s\r\nis a directory, cannot continue" : "%s is a directory, cannot continue!",
                         destinationPath.GetString()),
               caption);
        return FALSE;
    }
    if (!rename && connection->CountPrograms(PROGRAM_TYPE_ALL) >= CONTROLLER_PROGRAM_MAX) {
        Report("Too many programs on controller, cannot add another", caption);
        return FALSE;
    }
    if (!row || !TransferFileOfType(sourcePath, row->fileTypes[0], destinationPath) || !FileExists(destinationPath)) {
        Report(Formatted("Error copying file from %s to %s", sourcePath.GetString(), destinationPath.GetString()),
               "Convert project");
        return FALSE;
    }
    if (!rename && connection->HasProgram(destination) && !Run(CMD_NEW, 0, destination))
        return FALSE;
    if (!Run(rename ? CMD_RENAME : CMD_COPY, 0, Formatted("%s,%s", source, destination)))
        return FALSE;
    m_host.ProgramsChanged();
    if (rename) {
        Run(CMD_SELECTED);
        if (!project->RenameProgram(source, destination)) {
            Report("Error renaming file", caption);
            return FALSE;
        }
    } else if (project->FindProgram(destination) < 0) {
        project->AddProgram(destination, type);
    }
    m_host.StoreProgramsIfNeeded();
    return TRUE;
}

#include "project/projectfile.h"

#include <cstdlib>

#include "foundation/logline.h"
#include "foundation/safefile.h"
#include "foundation/textutil.h"
#include "framework/prompt.h"
#include "link/modeltables.h"
#include "project/programtypes.h"
#include "project/projectmessages.h"
#include "ui/windowlookup.h"

namespace {

const char kControllerSection[] = "Controller";
const char kProgramsSection[] = "Programs";
const char kTypeSection[] = "ProgramType";
const char kAutoRunSection[] = "AutoRun";
const char kRunOnProcessSection[] = "RunOnProcess";
const int kWindowParametersDigits = 2 * static_cast<int>(sizeof(SWindowParameters));

CString ProgramKey(int index)
{
    return FormatString("Program%02d", index);
}

} // namespace

void ReportRefusedProgram(LPCSTR projectPath, LPCSTR name)
{
    CString text;
    text.Format("The project file\n%s\nnames the program \"%s\", which is no valid program name.\n\nThe entry is "
                "skipped; correct or remove it in the project file.",
                projectPath ? projectPath : "", name ? name : "");
    GlobalLogFormat(LOG_STATUS_ERRORS, "Project file %s: program entry \"%s\" skipped", projectPath ? projectPath : "",
                    name ? name : "");
    AfxGetPromptService().PromptDetached(text, "Read Project File", MB_OK | MB_ICONWARNING);
}

namespace {

CString Upper(LPCSTR text)
{
    CString upper = text ? text : "";
    upper.MakeUpper();
    return upper;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

CString GetProjectFileExtension(BOOL withDot)
{
    return withDot ? ".prj" : "prj";
}

CString GetBackupFileExtension(BOOL withDot)
{
    return withDot ? ".bak" : "bak";
}

CString FormatWindowParameters(const SWindowParameters& record)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
    CString text;
    for (std::size_t i = 0; i < sizeof record; ++i)
        text.AppendFormat("%02x", bytes[i]);
    return text;
}

BOOL ParseWindowParameters(const char* text, SWindowParameters& record)
{
    const int length = text ? static_cast<int>(std::strlen(text)) : 0;
    if (length > kWindowParametersDigits)
        return FALSE;
    unsigned char bytes[sizeof(SWindowParameters)] = {};
    for (int i = 0; i < length; i += 2) {
        const int high = HexDigit(text[i]);
        const int low = i + 1 < length ? HexDigit(text[i + 1]) : 0;
        if (high < 0 || low < 0)
            return FALSE;
        // A last single digit is a byte of its own.
        bytes[i / 2] = static_cast<unsigned char>(i + 1 < length ? high * 16 + low : high);
    }
    std::memcpy(&record, bytes, sizeof bytes);
    return TRUE;
}

// ---------------------------------------------------------------- CProjectFile

CProjectFile::CProjectFile(LPCSTR path) : CIniFile(nullptr)
{
    SetCaching(FALSE);
    Load(path);
}

void CProjectFile::Load(LPCSTR path)
{
    SetFilePath(path ? path : "");
}

BOOL CProjectFile::Exists()
{
    return !GetFilePath().IsEmpty() && FileExists() ? TRUE : FALSE;
}

CString CProjectFile::GetDirectory() const
{
    const CString path = GetFilePath();
    const int slash = path.ReverseFind('\\');
    return slash < 0 ? CString() : path.Left(slash + 1);
}

int CProjectFile::GetProgramCount()
{
    int count = 0;
    while (count < PROJECT_MAX_PROGRAMS && !GetString(kProgramsSection, ProgramKey(count)).IsEmpty())
        ++count;
    return count;
}

BOOL CProjectFile::GetProgram(int index, CString& name, int& type, BOOL whole)
{
    name.Empty();
    type = -1;
    if (index < 0 || index >= PROJECT_MAX_PROGRAMS)
        return FALSE;
    name = Upper(GetString(kProgramsSection, ProgramKey(index)));
    if (!whole) {
        const int semicolon = name.Find(';');
        if (semicolon >= 1)
            name = name.Left(semicolon);
    }
    type = GetInt(kTypeSection, name, 0);
    return TRUE;
}

BOOL CProjectFile::SetProgram(int index, LPCSTR name, int type)
{
    if (!name || !name[0] || index < 0 || index >= PROJECT_MAX_PROGRAMS)
        return FALSE;
    const CString upper = Upper(name);
    if (!WriteString(kProgramsSection, ProgramKey(index), upper))
        return FALSE;
    return WriteString(kTypeSection, upper, FormatString("%u", static_cast<unsigned>(type)));
}

int CProjectFile::FindProgram(LPCSTR name)
{
    const int count = GetProgramCount();
    for (int i = 0; i < count; ++i) {
        CString entry;
        int type;
        if (GetProgram(i, entry, type) && entry.CompareNoCase(name ? name : "") == 0)
            return i;
    }
    return -1;
}

int CProjectFile::AddProgram(LPCSTR name, int type)
{
    int index = FindProgram(name);
    if (index < 0)
        index = GetProgramCount();
    if (index >= PROJECT_MAX_PROGRAMS)
        return -1;
    return SetProgram(index, name, type) ? index : -1;
}

int CProjectFile::RemoveProgram(LPCSTR name)
{
    const int index = FindProgram(name);
    if (index < 0)
        return -1;
    const CString upper = Upper(name);
    DeleteKey(kTypeSection, upper);
    DeleteKey(kAutoRunSection, upper);
    DeleteKey(kRunOnProcessSection, upper);
    const int count = GetProgramCount();
    for (int i = index; i + 1 < count; ++i)
        WriteString(kProgramsSection, ProgramKey(i), GetString(kProgramsSection, ProgramKey(i + 1)));
    DeleteKey(kProgramsSection, ProgramKey(count - 1));
    return count - 1;
}

BOOL CProjectFile::RenameProgram(LPCSTR oldName, LPCSTR newName)
{
    const int index = FindProgram(oldName);
    if (index < 0 || !newName || !newName[0])
        return FALSE;
    const CString oldUpper = Upper(oldName);
    const int type = GetProgramType(oldUpper);
    if (!SetProgram(index, newName, type))
        return FALSE;
    const CString newUpper = Upper(newName);
    if (oldUpper == newUpper)
        return TRUE;
    DeleteKey(kTypeSection, oldUpper);
    if (HasKey(kAutoRunSection, oldUpper)) {
        WriteInt(kAutoRunSection, newUpper, GetAutoRun(oldUpper));
        DeleteKey(kAutoRunSection, oldUpper);
    }
    if (HasKey(kRunOnProcessSection, oldUpper)) {
        WriteInt(kRunOnProcessSection, newUpper, GetRunOnProcess(oldUpper));
        DeleteKey(kRunOnProcessSection, oldUpper);
    }
    return TRUE;
}

BOOL CProjectFile::ClearProgramList()
{
    BOOL result = ClearSection(kProgramsSection);
    result = ClearSection(kTypeSection) && result;
    return ClearSection(kAutoRunSection) && result;
}

BOOL CProjectFile::ReadProgramList(CTList<CProgramData>& list)
{
    list.RemoveAll();
    const int count = GetProgramCount();
    for (int i = 0; i < count; ++i) {
        CProgramData program;
        int type;
        if (!GetProgram(i, program.m_strName, type) || program.m_strName.IsEmpty())
            return FALSE;
        // The name becomes a file name in the project folder: an entry that
        // could reach outside it, or a device, is reported and left out.
        if (!IsProgramFileName(program.m_strName)) {
            ReportRefusedProgram(GetFilePath(), program.m_strName);
            continue;
        }
        program.m_nType = type;
        program.m_nState = 0;
        if (!list.AddTail(&program))
            return FALSE;
    }
    return TRUE;
}

BOOL CProjectFile::WriteProgramList(const CTList<CProgramData>& list)
{
    // The whole list is written section by section, one rewrite each; the
    // run settings of programs that stay are carried over.
    CStringList names, programLines, typeLines, autoRunLines, processLines;
    BOOL complete = TRUE;
    for (const CProgramData* program = list.GetHead(); program; program = list.GetNext(program)) {
        const CString upper = Upper(program->m_strName);
        if (upper.IsEmpty()) {
            complete = FALSE;
            break;
        }
        POSITION at = nullptr;
        int index = 0;
        for (POSITION pos = names.GetHeadPosition(); pos; ++index) {
            const POSITION here = pos;
            if (names.GetNext(pos).CompareNoCase(upper) == 0) {
                at = here;
                break;
            }
        }
        const CString typeLine = upper + "=" + FormatString("%u", static_cast<unsigned>(program->m_nType));
        if (at) {
            typeLines.SetAt(typeLines.FindIndex(index), typeLine);
            continue;
        }
        if (names.GetCount() >= PROJECT_MAX_PROGRAMS) {
            complete = FALSE;
            break;
        }
        programLines.AddTail(ProgramKey(static_cast<int>(names.GetCount())) + "=" + upper);
        names.AddTail(upper);
        typeLines.AddTail(typeLine);
        if (HasKey(kAutoRunSection, upper))
            autoRunLines.AddTail(upper + "=" + GetString(kAutoRunSection, upper));
        if (HasKey(kRunOnProcessSection, upper))
            processLines.AddTail(upper + "=" + GetString(kRunOnProcessSection, upper));
    }
    struct Section {
        const char* name;
        const CStringList* lines;
    };
    const Section sections[] = {{kProgramsSection, &programLines},
                                {kTypeSection, &typeLines},
                                {kAutoRunSection, &autoRunLines},
                                {kRunOnProcessSection, &processLines}};
    for (const Section& section : sections) {
        if (section.lines->IsEmpty() && !HasSection(section.name))
            continue;
        if (!WriteSection(section.name, *section.lines, TRUE))
            return FALSE;
    }
    return complete;
}

BOOL CProjectFile::SetControllerType(int model)
{
    if (model == MODEL_ROW_NONE)
        return FALSE;
    return WriteString(kControllerSection, "Type", GetControllerModel(model).m_szName);
}

int CProjectFile::GetControllerType()
{
    return FindControllerModelByName(GetString(kControllerSection, "Type"));
}

void CProjectFile::SetRunFromEPROM(BOOL on)
{
    if (on)
        WriteString(kControllerSection, "Run", "EPROM");
    else if (HasKey(kControllerSection, "Run"))
        DeleteKey(kControllerSection, "Run");
}

BOOL CProjectFile::IsRunFromEPROM()
{
    return GetString(kControllerSection, "Run").CompareNoCase("EPROM") == 0 ? TRUE : FALSE;
}

int CProjectFile::GetAxisCount()
{
    if (GetControllerType() == MODEL_ROW_NONE)
        return 0;
    const HWND project = GetProjectWndHandle();
    if (!::IsWindow(project))
        return 0;
    return static_cast<int>(::SendMessageA(project, WM_PW_QUERY_AXIS_COUNT, 0, 0));
}

int CProjectFile::GetAxisBit(int bit, int axis)
{
    if (axis < 0 || axis >= GetAxisCount())
        return 0;
    const int value = GetInt(kControllerSection, FormatString("Axis%02d", axis), 0);
    return (static_cast<unsigned>(value) >> (static_cast<unsigned>(bit) % 32)) & 1;
}

BOOL CProjectFile::SetAxisBit(int bit, int axis, BOOL on)
{
    if (axis < 0 || axis >= GetAxisCount())
        return FALSE;
    const CString key = FormatString("Axis%02d", axis);
    const unsigned mask = 1u << (static_cast<unsigned>(bit) % 32);
    unsigned value = static_cast<unsigned>(GetInt(kControllerSection, key, 0)) & ~mask;
    if (on)
        value |= mask;
    return WriteInt(kControllerSection, key, static_cast<int>(value));
}

int CProjectFile::GetProgramType(LPCSTR name)
{
    if (!name || !name[0])
        return 0;
    return GetInt(kTypeSection, name, 0);
}

int CProjectFile::GetAutoRun(LPCSTR name)
{
    if (!name || !name[0])
        return 0;
    return GetInt(kAutoRunSection, name, 0);
}

void CProjectFile::SetAutoRun(LPCSTR name, int value)
{
    if (name && name[0])
        WriteInt(kAutoRunSection, Upper(name), value);
}

int CProjectFile::GetRunOnProcess(LPCSTR name)
{
    if (!name || !name[0])
        return -1;
    return GetInt(kRunOnProcessSection, name, -1);
}

BOOL CProjectFile::SetRunOnProcess(LPCSTR name, int process)
{
    if (!name || !name[0])
        return FALSE;
    if (process < 1)
        return HasKey(kRunOnProcessSection, name) ? DeleteKey(kRunOnProcessSection, name) : TRUE;
    return WriteInt(kRunOnProcessSection, Upper(name), process);
}

void CProjectFile::ClearRunOnProcess()
{
    DeleteSection(kRunOnProcessSection);
}

int CProjectFile::GetRunOnProcessList(CArray<int>& processes)
{
    CStringList lines;
    ReadSection(kRunOnProcessSection, lines, TRUE);
    const int count = static_cast<int>(lines.GetCount());
    if (count == 0)
        return 0;
    processes.SetSize(count);
    int i = 0;
    for (POSITION pos = lines.GetHeadPosition(); pos; ++i) {
        const CString line = lines.GetNext(pos);
        const int equals = line.Find('=', 1);
        processes[i] = equals < 1 ? 0 : std::atoi(line.Mid(equals + 1));
    }
    return count;
}

unsigned CProjectFile::GetProgramCRC(LPCSTR name)
{
    return static_cast<unsigned>(std::strtoul(GetString("ProgramCRC", name), nullptr, 10));
}

unsigned CProjectFile::GetCodeCRC(LPCSTR name)
{
    return static_cast<unsigned>(std::strtoul(GetString("CodeCRC", name), nullptr, 10));
}

BOOL CProjectFile::WriteRange(LPCSTR section, int from, int to, BOOL always)
{
    if (from < 0 || from > to)
        return FALSE;
    const BOOL written = WriteInt(section, "From", from);
    if (!written && !always)
        return FALSE;
    return WriteInt(section, "To", to);
}

void CProjectFile::ReadRange(LPCSTR section, int range[2])
{
    range[0] = GetInt(section, "From", 0);
    range[1] = GetInt(section, "To", 0);
}

BOOL CProjectFile::SetVariablesRange(int from, int to) { return WriteRange("Variables", from, to, FALSE); }
void CProjectFile::GetVariablesRange(int range[2]) { ReadRange("Variables", range); }
BOOL CProjectFile::SetTableRange(int from, int to) { return WriteRange("Table", from, to, FALSE); }
void CProjectFile::GetTableRange(int range[2]) { ReadRange("Table", range); }
BOOL CProjectFile::SetVRRange(int from, int to) { return WriteRange("VR", from, to, TRUE); }
void CProjectFile::GetVRRange(int range[2]) { ReadRange("VR", range); }
BOOL CProjectFile::SetTableViewRange(int from, int to) { return WriteRange("TableView", from, to, FALSE); }
void CProjectFile::GetTableViewRange(int range[2]) { ReadRange("TableView", range); }

BOOL CProjectFile::SetStoreVariables(BOOL on) { return WriteInt("Store", "Variables", on ? 1 : 0); }
BOOL CProjectFile::GetStoreVariables() { return GetInt("Store", "Variables", 0) != 0; }
BOOL CProjectFile::SetStoreTable(BOOL on) { return WriteInt("Store", "Table", on ? 1 : 0); }
BOOL CProjectFile::GetStoreTable() { return GetInt("Store", "Table", 0) != 0; }
BOOL CProjectFile::SetStoreParameters(BOOL on) { return WriteInt("Store", "Parameters", on ? 1 : 0); }
BOOL CProjectFile::GetStoreParameters() { return GetInt("Store", "Parameters", 0) != 0; }

BOOL CProjectFile::SetOscilloscopeTableStart(int start) { return WriteInt("Oscilloscope", "TableStart", start); }
int CProjectFile::GetOscilloscopeTableStart() { return GetInt("Oscilloscope", "TableStart", -1); }

BOOL CProjectFile::SetIODescription(char kind, int number, LPCSTR text)
{
    return WriteString("IO_Description", FormatString("%c_%04d", kind, number), text);
}

CString CProjectFile::GetIODescription(char kind, int number)
{
    return GetString("IO_Description", FormatString("%c_%04d", kind, number));
}

BOOL CProjectFile::SetHideDigitalIOBank(LPCSTR kind, int bank, BOOL hide)
{
    return WriteBool("HideDigitalIOBank", FormatString("%s_%d", kind ? kind : "", bank), hide);
}

BOOL CProjectFile::GetHideDigitalIOBank(LPCSTR kind, int bank)
{
    return GetBool("HideDigitalIOBank", FormatString("%s_%d", kind ? kind : "", bank), FALSE);
}

BOOL CProjectFile::SetCANDriveType(int type) { return WriteInt("CAN", "DriveType", type); }
int CProjectFile::GetCANDriveType(int defaultValue) { return GetInt("CAN", "DriveType", defaultValue); }

BOOL CProjectFile::SetCANBaudRate(int slot, long rate)
{
    return WriteLong(FormatString("CAN Slot %d", slot), "BaudRate", rate);
}

long CProjectFile::GetCANBaudRate(int slot, long defaultValue)
{
    const CString section = FormatString("CAN Slot %d", slot);
    if (slot == 0 && !HasKey(section, "BaudRate"))
        return GetLong("CAN Bus", "BaudRate", defaultValue);
    return GetLong(section, "BaudRate", defaultValue);
}

BOOL CProjectFile::SetCANDriveName(int slot, int address, LPCSTR name)
{
    return WriteString(FormatString("CAN Slot %d Address %d", slot, address), "Drive", name);
}

BOOL CProjectFile::SetCANMotorName(int slot, int address, LPCSTR name)
{
    return WriteString(FormatString("CAN Slot %d Address %d", slot, address), "Motor", name);
}

CString CProjectFile::GetCANDriveName(int slot, int address, LPCSTR defaultValue)
{
    const CString section = FormatString("CAN Slot %d Address %d", slot, address);
    if (slot == 0 && !HasKey(section, "Drive"))
        return GetString(FormatString("CAN Address %d", address), "Amplifier", defaultValue);
    return GetString(section, "Drive", defaultValue);
}

CString CProjectFile::GetCANMotorName(int slot, int address, LPCSTR defaultValue)
{
    const CString section = FormatString("CAN Slot %d Address %d", slot, address);
    if (slot == 0 && !HasKey(section, "Motor"))
        return GetString(FormatString("CAN Address %d", address), "Motor", defaultValue);
    return GetString(section, "Motor", defaultValue);
}

BOOL CProjectFile::SetInhibitCANDriveScan(int slot, BOOL inhibit)
{
    return WriteInt("InhibitCANDriveScan", FormatString("Slot%02d", slot), inhibit ? 1 : 0);
}

BOOL CProjectFile::GetInhibitCANDriveScan(int slot)
{
    return GetInt("InhibitCANDriveScan", FormatString("Slot%02d", slot), 0);
}

BOOL CProjectFile::SetSercosMaxScanAddress(int slot, int address)
{
    return WriteInt("SERCOS", FormatString("MaxScanAddress_Slot%02d", slot), address);
}

int CProjectFile::GetSercosMaxScanAddress(int slot)
{
    return GetInt("SERCOS", FormatString("MaxScanAddress_Slot%02d", slot), -1);
}

BOOL CProjectFile::WriteParamList(LPCSTR key, const std::vector<int>& params)
{
    if (params.empty())
        return HasKey("SERCOS", key) ? DeleteKey("SERCOS", key) : TRUE;
    CString text;
    for (std::size_t i = 0; i < params.size(); ++i)
        text.AppendFormat(i ? ",%d" : "%d", params[i]);
    return WriteString("SERCOS", key, text);
}

void CProjectFile::ReadParamList(LPCSTR key, std::vector<int>& params)
{
    CString text = GetString("SERCOS", key);
    text.Trim();
    params.clear();
    if (text.IsEmpty())
        return;
    int start = 0;
    for (int comma; (comma = text.Find(',', start + 1)) >= 0; start = comma + 1)
        params.push_back(std::atoi(text.Mid(start, comma - start + 1)));
    const CString rest = text.Mid(start);
    if (!rest.IsEmpty())
        params.push_back(std::atoi(rest));
}

BOOL CProjectFile::SetSercosStandardParams(int axis, const std::vector<int>& params)
{
    return WriteParamList(FormatString("ActiveStandarddParams_Axis%02d", axis), params);
}

void CProjectFile::GetSercosStandardParams(int axis, std::vector<int>& params)
{
    ReadParamList(FormatString("ActiveStandarddParams_Axis%02d", axis), params);
}

BOOL CProjectFile::SetSercosManufacturerParams(int axis, const std::vector<int>& params)
{
    return WriteParamList(FormatString("ActiveManufacturerParams_Axis%02d", axis), params);
}

void CProjectFile::GetSercosManufacturerParams(int axis, std::vector<int>& params)
{
    ReadParamList(FormatString("ActiveManufacturerParams_Axis%02d", axis), params);
}

BOOL CProjectFile::SetSaveDriveParameters(LPCSTR suffix, LPCSTR text)
{
    return WriteString(CString("SaveDriveParameters_") + (suffix ? suffix : ""), "Parameters", text);
}

CString CProjectFile::GetSaveDriveParameters(LPCSTR suffix)
{
    return GetString(CString("SaveDriveParameters_") + (suffix ? suffix : ""), "Parameters");
}

BOOL CProjectFile::WriteDesktopSection(LPCSTR section, const CTList<SWindowParameters>& list)
{
    CStringList lines;
    int index = 0;
    for (const SWindowParameters* record = list.GetHead(); record; record = list.GetNext(record))
        lines.AddTail(FormatString("TOOL%02d=", index++) + FormatWindowParameters(*record));
    return WriteSection(section, lines, TRUE);
}

BOOL CProjectFile::ReadDesktopSection(LPCSTR section, CTList<SWindowParameters>& list)
{
    list.RemoveAll();
    for (int index = 0;; ++index) {
        const CString value = GetString(section, FormatString("TOOL%02d", index));
        if (value.IsEmpty())
            break;
        SWindowParameters record;
        if (!ParseWindowParameters(value, record)) {
            GlobalLogFormat(LOG_STATUS_ERRORS, "Project file %s: [%s] TOOL%02d skipped",
                            GetFilePath().GetString(), section, index);
            continue;
        }
        list.AddTail(&record);
    }
    return TRUE;
}

BOOL CProjectFile::WriteDesktop(const CTList<SWindowParameters>& list) { return WriteDesktopSection("Desktop", list); }
BOOL CProjectFile::ReadDesktop(CTList<SWindowParameters>& list) { return ReadDesktopSection("Desktop", list); }
BOOL CProjectFile::WriteAutoDesktop(const CTList<SWindowParameters>& list)
{
    return WriteDesktopSection("AutoDesktop", list);
}
BOOL CProjectFile::ReadAutoDesktop(CTList<SWindowParameters>& list)
{
    return ReadDesktopSection("AutoDesktop", list);
}

// ---------------------------------------------------------------- CProjectContents

CProjectContents::~CProjectContents()
{
    m_strName.Empty();
    m_programs.RemoveAll();
}

CProgramData* CProjectContents::AddProgram(const CProgramData& program)
{
    return m_programs.AddTail(&program);
}

void CProjectContents::RemoveProgram(CProgramData* program)
{
    m_programs.Remove(program);
}

void CProjectContents::RemoveAllPrograms()
{
    m_programs.RemoveAll();
}

CProgramData* CProjectContents::GetFirstProgram() const
{
    return m_programs.GetHead();
}

CProgramData* CProjectContents::GetNextProgram(const CProgramData* program) const
{
    return m_programs.GetNext(program);
}

BOOL CProjectContents::HasEncryptedProgram() const
{
    for (const CProgramData* program = m_programs.GetHead(); program; program = m_programs.GetNext(program)) {
        if (program->m_nType == PROGRAM_TYPE_ENCRYPTED)
            return TRUE;
    }
    return FALSE;
}

BOOL CProjectContents::LoadFromFile(LPCSTR path)
{
    CProjectFile file(path);
    m_nModel = file.GetControllerType();
    CTList<CProgramData> programs;
    file.ReadProgramList(programs);
    bool changed = false;
    const CString folder = file.GetDirectory();
    if (!folder.IsEmpty()) {
        for (CProgramData* program = programs.GetHead(); program;) {
            const CString programFile =
                folder + program->m_strName + "." + GetProgramTypeExtension(program->m_nType);
            if (::FileExists(programFile)) {
                program = programs.GetNext(program);
                continue;
            }
            CString text;
            text.Format("Program \"%s\" removed from project- file does not exist", program->m_strName.GetString());
            AfxGetPromptService().PromptDetached(text, "Read Project File", MB_OK);
            programs.Remove(program);
            changed = true;
        }
    }
    for (const CProgramData* program = programs.GetHead(); program; program = programs.GetNext(program)) {
        CProgramData copy;
        copy.m_strName = program->m_strName;
        copy.m_nType = program->m_nType;
        copy.m_nState = 0;
        m_programs.AddTail(&copy);
    }
    if (changed)
        SaveToFile(path);
    return TRUE;
}

BOOL CProjectContents::SaveToFile(LPCSTR path)
{
    CTList<CProgramData> copy;
    for (const CProgramData* program = m_programs.GetHead(); program; program = m_programs.GetNext(program)) {
        CProgramData element;
        element.m_strName = program->m_strName;
        element.m_nType = program->m_nType;
        if (!copy.AddTail(&element))
            return FALSE; // nothing written
    }
    CProjectFile file(path);
    file.SetControllerType(m_nModel);
    return file.WriteProgramList(copy);
}

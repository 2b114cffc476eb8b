// The external IEC programming system's stand-in. It shows a main window
// titled "MULTIPROG Express", registers the system's application class
// while it runs and answers the automation members the IEC link library
// calls. Projects are plain files: "<path>.mwe" (iecmodel.h) beside the
// data folder "<path>", read anew on every call. The message WM_APP + 1 to
// its window (class "IecSystemStandInFrame") ends it whatever the lock.
//
// The folder named by VEXO_IEC_STANDIN_DIR, when set, holds the journal
// ("journal.txt", one line per call) and the fault table ("faults.txt",
// read on every call): "<member or command word> <result code>" makes that
// member give the code (as its result where it has a result code, else as
// an automation error); "NoRegister" keeps the class from being registered,
// "NoWindow" keeps the window hidden and without the system's title, and
// "SlowStart <ms>" holds the registration back that long after the window
// is made (a system slow to start, or a loaded machine).
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "foundation/crc.h"
#include "standins/iecsystem/automation.h"
#include "standins/iecsystem/iecmodel.h"

using namespace iecstandin;

namespace {

const CLSID kApplicationClass = {0x04800000, 0x0108, 0x2706, {0x10, 0x0F, 0x00, 0x80, 0xC7, 0xAC, 0x32, 0x98}};
const char kTitle[] = "MULTIPROG Express";
const char kWindowClass[] = "IecSystemStandInFrame";
const UINT kCloseRequest = WM_APP + 1;

// Result codes of the system.
const HRESULT kNoProjectOpen = static_cast<HRESULT>(0x80044008);
const HRESULT kObjectNotFound = static_cast<HRESULT>(0x8004400A);
const HRESULT kIndexOutOfRange = static_cast<HRESULT>(0x80044010);
const HRESULT kCommandNotFound = static_cast<HRESULT>(0x80044020);
const HRESULT kProjectExists = static_cast<HRESULT>(0x80044025);
const HRESULT kPouExists = static_cast<HRESULT>(0x80044026);
const HRESULT kLibraryNotFound = static_cast<HRESULT>(0x80044027);
const HRESULT kConfigurationExists = static_cast<HRESULT>(0x80044035);
const HRESULT kTemplateNotFound = static_cast<HRESULT>(0x80044039);

struct State {
    std::string controlDir;   // journal and faults; empty for none
    std::string openPath;     // open project without extension
    bool userCloseLock = false;
    bool noMainWindow = false;
    HWND window = nullptr;
};
State g;

// ------------------------------------------------------------ files ---

bool ReadFileBytes(const std::string& path, std::string& bytes)
{
    bytes.clear();
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    char buffer[8192];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, got);
    const bool ok = !ferror(f);
    fclose(f);
    return ok;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

bool FileExists(const std::string& path)
{
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

void MakeFolders(const std::string& folder)
{
    for (std::size_t i = 3; i <= folder.size(); ++i) {
        if (i == folder.size() || folder[i] == '\\')
            CreateDirectoryA(folder.substr(0, i).c_str(), nullptr);
    }
}

// Every file below folder, as paths relative to it.
void ListFiles(const std::string& folder, const std::string& relative, std::vector<std::string>& files)
{
    WIN32_FIND_DATAA data;
    const std::string base = relative.empty() ? folder : folder + "\\" + relative;
    HANDLE find = FindFirstFileA((base + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        const std::string rel = relative.empty() ? name : relative + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                ListFiles(folder, rel, files);
        } else {
            files.push_back(rel);
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

// ------------------------------------------------ journal and faults ---

void Journal(const std::string& line)
{
    if (g.controlDir.empty())
        return;
    FILE* f = fopen((g.controlDir + "\\journal.txt").c_str(), "ab");
    if (!f)
        return;
    fprintf(f, "%s\r\n", line.c_str());
    fclose(f);
}

std::map<std::string, HRESULT> ReadFaults()
{
    std::map<std::string, HRESULT> faults;
    std::string text;
    if (g.controlDir.empty() || !ReadFileBytes(g.controlDir + "\\faults.txt", text))
        return faults;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::size_t blank = line.find(' ');
        const std::string name = line.substr(0, blank);
        const HRESULT code =
            blank == std::string::npos ? 0 : static_cast<HRESULT>(strtoul(line.c_str() + blank + 1, nullptr, 0));
        if (!name.empty())
            faults[name] = code;
    }
    return faults;
}

bool HasFault(const std::string& name, HRESULT* code = nullptr)
{
    const auto faults = ReadFaults();
    const auto it = faults.find(name);
    if (it == faults.end())
        return false;
    if (code)
        *code = it->second;
    return true;
}

// A member without a result code fails with its fault as an error.
void ThrowIfFaulted(const std::string& name)
{
    HRESULT code = 0;
    if (HasFault(name, &code))
        throw MemberError{code ? code : E_FAIL};
}

// ------------------------------------------------------ the project ---

std::string ProjectFile()
{
    return g.openPath + ".mwe";
}

Project LoadOpenProject()
{
    if (g.openPath.empty())
        throw MemberError{kNoProjectOpen};
    std::string text;
    Project project;
    if (!ReadFileBytes(ProjectFile(), text) || !ParseProject(text, project))
        throw MemberError{E_FAIL};
    return project;
}

void SaveOpenProject(const Project& project)
{
    if (!WriteFileBytes(ProjectFile(), FormatProject(project)))
        throw MemberError{E_FAIL};
}

void UpdateTitle()
{
    if (!g.window || g.noMainWindow)
        return;
    std::string title = kTitle;
    if (!g.openPath.empty()) {
        const std::size_t slash = g.openPath.rfind('\\');
        title += " - " + g.openPath.substr(slash == std::string::npos ? 0 : slash + 1);
    }
    SetWindowTextA(g.window, title.c_str());
}

unsigned ProjectCrc()
{
    std::string bytes;
    ReadFileBytes(ProjectFile(), bytes);
    CCrcCalculator crc;
    crc.SelectModel("CRC-16");
    crc.Reset();
    crc.Update(bytes.data(), bytes.size());
    return crc.GetValue() & 0xFFFF;
}

std::string CrcText(unsigned crc)
{
    char text[16];
    snprintf(text, sizeof text, "0x%04X", crc & 0xFFFF);
    return text;
}

std::string DownloadRecord()
{
    return g.openPath + "\\PLC\\download.crc";
}

// The words of a command line; double quotes group blanks into a word.
std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        if (i >= line.size())
            break;
        std::string word;
        if (line[i] == '"') {
            const std::size_t end = line.find('"', i + 1);
            word = line.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
            i = end == std::string::npos ? line.size() : end + 1;
        } else {
            const std::size_t end = line.find(' ', i);
            word = line.substr(i, end == std::string::npos ? std::string::npos : end - i);
            i = end == std::string::npos ? line.size() : end;
        }
        words.push_back(word);
    }
    return words;
}

HRESULT Compress(const std::string& target)
{
    if (g.openPath.empty())
        return kNoProjectOpen;
    std::vector<ArchiveEntry> entries;
    std::string bytes;
    if (!ReadFileBytes(ProjectFile(), bytes))
        return E_FAIL;
    entries.emplace_back("project.mwe", bytes);
    std::vector<std::string> files;
    ListFiles(g.openPath, "", files);
    for (const std::string& rel : files) {
        if (!ReadFileBytes(g.openPath + "\\" + rel, bytes))
            return E_FAIL;
        entries.emplace_back("data\\" + rel, bytes);
    }
    return WriteFileBytes(target, PackArchive(entries)) ? S_OK : E_FAIL;
}

HRESULT Expand(const std::string& targetPath, const std::string& archive)
{
    std::string bytes;
    std::vector<ArchiveEntry> entries;
    if (!ReadFileBytes(archive, bytes) || !UnpackArchive(bytes, entries))
        return E_FAIL;
    for (const ArchiveEntry& e : entries) {
        std::string path;
        if (e.first == "project.mwe")
            path = targetPath + ".mwe";
        else if (e.first.compare(0, 5, "data\\") == 0)
            path = targetPath + "\\" + e.first.substr(5);
        else
            return E_FAIL;
        MakeFolders(path.substr(0, path.rfind('\\')));
        if (!WriteFileBytes(path, e.second))
            return E_FAIL;
    }
    return S_OK;
}

HRESULT Download(const std::string& configuration, const std::string& resource)
{
    const Project project = LoadOpenProject();
    for (const Configuration& c : project.configurations) {
        if (!SameText(c.name, configuration))
            continue;
        for (const Resource& r : c.resources) {
            if (SameText(r.name, resource)) {
                MakeFolders(g.openPath + "\\PLC");
                return WriteFileBytes(DownloadRecord(), CrcText(ProjectCrc())) ? S_OK : E_FAIL;
            }
        }
    }
    return kObjectNotFound;
}

HRESULT Execute(const std::string& line)
{
    Journal(line);
    const std::vector<std::string> w = Words(line);
    if (w.empty())
        return kCommandNotFound;
    HRESULT fault = 0;
    if (HasFault(w[0], &fault))
        return fault;
    if (w[0] == "CompressProject" && w.size() == 2)
        return Compress(w[1]);
    if (w[0] == "ExpandProject" && w.size() == 3)
        return Expand(w[1], w[2]);
    if (w[0] == "PlcDownload" && w.size() == 3)
        return Download(w[1], w[2]);
    return kCommandNotFound;
}

// ---------------------------------------------- the automation objects ---

// One object of the system, named by its kind and the names that lead to it
// from the open project.
class CNode : public CAutomationObject {
public:
    enum Kind {
        App, ProjectObj, Hardware, Configurations, ConfigurationObj, Resources, ResourceObj, Tasks, TaskObj,
        ProgramInstances, ProgramInstanceObj, Pous, PouObj, IOGroups, IOGroupObj, Libraries, LibraryObj
    };
    CNode(Kind kind, std::vector<std::string> names = {}) : m_kind(kind), m_names(std::move(names)) {}

protected:
    bool Run(const std::string& name, bool put, const std::vector<VARIANT>& args, VARIANT& result) override;

private:
    IDispatch* Child(Kind kind, const std::string& name) const
    {
        std::vector<std::string> names = m_names;
        if (!name.empty())
            names.push_back(name);
        return new CNode(kind, names);
    }
    IDispatch* Same(Kind kind) const { return new CNode(kind, m_names); }

    // A configuration is known by its name and PLC type together: two of
    // one name but of different types may stand side by side.
    static std::string ConfigurationKey(const std::string& name, const std::string& plcType)
    {
        return name + '\t' + plcType;
    }
    Configuration& FindConfiguration(Project& p) const
    {
        for (Configuration& c : p.configurations) {
            if (SameText(ConfigurationKey(c.name, c.plcType), m_names.at(0)))
                return c;
        }
        throw MemberError{kObjectNotFound};
    }
    Resource& FindResource(Project& p) const
    {
        for (Resource& r : FindConfiguration(p).resources) {
            if (SameText(r.name, m_names.at(1)))
                return r;
        }
        throw MemberError{kObjectNotFound};
    }
    Task& FindTask(Project& p) const
    {
        for (Task& t : FindResource(p).tasks) {
            if (SameText(t.name, m_names.at(2)))
                return t;
        }
        throw MemberError{kObjectNotFound};
    }
    IoGroup* FindIoGroup(Project& p) const
    {
        for (IoGroup& io : FindResource(p).ioGroups) {
            if (SameText(io.name, m_names.at(2)))
                return &io;
        }
        return nullptr;
    }

    bool RunApp(const std::string& name, bool put, const std::vector<VARIANT>& args, VARIANT& result);
    bool RunProject(const std::string& name, const std::vector<VARIANT>& args, VARIANT& result);
    bool RunResource(const std::string& name, const std::vector<VARIANT>& args, VARIANT& result);

    template <class T, class NameOf>
    static std::size_t Index(const std::vector<T>& items, const std::vector<VARIANT>& args, NameOf nameOf,
                             std::string& name)
    {
        const long i = ArgLong(args, 0);
        if (i < 1 || static_cast<std::size_t>(i) > items.size())
            throw MemberError{kIndexOutOfRange};
        name = nameOf(items[static_cast<std::size_t>(i - 1)]);
        return static_cast<std::size_t>(i - 1);
    }

    Kind m_kind;
    std::vector<std::string> m_names;
};

bool CNode::RunApp(const std::string& name, bool put, const std::vector<VARIANT>& args, VARIANT& result)
{
    if (name == "OpenProject") {
        const std::string path = ArgText(args, 0);
        Journal("OpenProject " + path);
        ThrowIfFaulted(name);
        std::string text;
        Project project;
        if (!ReadFileBytes(path, text) || !ParseProject(text, project)) {
            SetBool(result, false);
            return true;
        }
        const std::size_t dot = path.rfind('.');
        const std::size_t slash = path.rfind('\\');
        g.openPath = (dot != std::string::npos && (slash == std::string::npos || dot > slash)) ? path.substr(0, dot)
                                                                                              : path;
        UpdateTitle();
        SetBool(result, true);
    } else if (name == "IsProjectOpen") {
        ThrowIfFaulted(name);
        SetBool(result, !g.openPath.empty());
    } else if (name == "Close") {
        Journal("Close " + std::to_string(args.empty() ? 0 : ArgLong(args, 0)));
        ThrowIfFaulted(name);
        PostMessageA(g.window, kCloseRequest, 0, 0);
        if (!g.window)
            PostQuitMessage(0);
    } else if (name == "GetCommandId") {
        const std::string command = ArgText(args, 0);
        const char* const commands[] = {"CompressProject", "ExpandProject", "PlcDownload"};
        long id = 0;
        for (long i = 0; i < 3; ++i) {
            if (SameText(command, commands[i]))
                id = 100 + i;
        }
        SetLong(result, id);
    } else if (name == "Visible") {
        if (put) {
            const bool show = ArgBool(args, args.size() - 1);
            Journal(std::string("Visible ") + (show ? "1" : "0"));
            if (g.window)
                ShowWindow(g.window, show ? SW_SHOW : SW_HIDE);
        } else {
            SetBool(result, g.window && IsWindowVisible(g.window));
        }
    } else if (name == "CurrentProject") {
        ThrowIfFaulted(name);
        SetObject(result, new CNode(ProjectObj));
    } else if (name == "ExecuteCommand") {
        SetLong(result, Execute(ArgText(args, 0)));
    } else if (name == "UserCloseLock") {
        if (put) {
            g.userCloseLock = ArgBool(args, args.size() - 1);
            Journal(std::string("UserCloseLock ") + (g.userCloseLock ? "1" : "0"));
        } else {
            SetBool(result, g.userCloseLock);
        }
    } else {
        return false;
    }
    return true;
}

bool CNode::RunProject(const std::string& name, const std::vector<VARIANT>& args, VARIANT& result)
{
    if (name == "Close") {
        Journal("CloseProject");
        HRESULT fault = 0;
        if (HasFault("CloseProject", &fault)) {
            SetBool(result, false);
            return true;
        }
        g.openPath.clear();
        UpdateTitle();
        SetBool(result, true);
    } else if (name == "Path") {
        SetText(result, g.openPath);
    } else if (name == "Hardware" || name == "Pous" || name == "Libraries") {
        LoadOpenProject();
        SetObject(result, Same(name == "Hardware" ? Hardware : name == "Pous" ? Pous : Libraries));
    } else if (name == "CreateProject") {
        const std::string folder = ArgText(args, 0), project = ArgText(args, 1), templ = ArgText(args, 2);
        Journal("CreateProject " + folder + " " + project);
        HRESULT fault = 0;
        if (HasFault(name, &fault)) {
            SetLong(result, fault);
            return true;
        }
        std::string text;
        Project model;
        const std::string path = folder + "\\" + project;
        if (!ReadFileBytes(templ, text))
            SetLong(result, kTemplateNotFound);
        else if (FileExists(path + ".mwe"))
            SetLong(result, kProjectExists);
        else {
            ParseProject(text, model);
            MakeFolders(path + "\\C");
            SetLong(result, WriteFileBytes(path + ".mwe", FormatProject(model)) ? S_OK : E_FAIL);
        }
    } else if (name == "Compile") {
        Journal("Compile");
        HRESULT fault = 0;
        if (HasFault(name, &fault))
            SetLong(result, fault);
        else
            SetLong(result, g.openPath.empty() ? kNoProjectOpen : S_OK);
    } else {
        return false;
    }
    return true;
}

bool CNode::RunResource(const std::string& name, const std::vector<VARIANT>& args, VARIANT& result)
{
    Project p = LoadOpenProject();
    Resource& r = FindResource(p);
    if (name == "Name") {
        SetText(result, r.name);
    } else if (name == "ProcessorType") {
        SetText(result, r.processor);
    } else if (name == "Tasks" || name == "IOGroups") {
        SetObject(result, Same(name == "Tasks" ? Tasks : IOGroups));
    } else if (name == "ImportSettings") {
        const std::string file = ArgText(args, 0);
        std::string bytes;
        ReadFileBytes(file, bytes);
        Journal("ImportSettings " + file);
        HRESULT fault = 0;
        if (HasFault(name, &fault)) {
            SetLong(result, fault);
            return true;
        }
        const std::string folder = g.openPath + "\\C\\Configuration\\R\\" + r.name;
        MakeFolders(folder);
        SetLong(result, !bytes.empty() && WriteFileBytes(folder + "\\" + r.name + ".set", bytes) ? S_OK : E_FAIL);
    } else if (name == "ShowControlDialog") {
        Journal("ShowControlDialog " + std::to_string(ArgLong(args, 0)));
        HRESULT fault = 0;
        SetLong(result, HasFault(name, &fault) ? fault : S_OK);
    } else if (name == "RunQuery") {
        const std::string query = ArgText(args, 0);
        Journal("RunQuery " + query);
        ThrowIfFaulted(name);
        std::string downloaded;
        if (!ReadFileBytes(DownloadRecord(), downloaded))
            downloaded = CrcText(0);
        if (query == "GetProjectCrc")
            SetText(result, CrcText(ProjectCrc()));
        else if (query == "GetPlcProjectCrc" || query == "GetPlcBootProjectCrc" || query == "GetPlcZippedProjectCRC")
            SetText(result, downloaded);
        else if (query == "GetPlcProjectName")
            SetText(result, g.openPath.substr(g.openPath.rfind('\\') + 1));
        else if (query == "GetPlcConfName")
            SetText(result, FindConfiguration(p).name);
        else if (query == "GetPlcResourceName")
            SetText(result, r.name);
        else
            throw MemberError{kCommandNotFound};
    } else {
        return false;
    }
    return true;
}

bool CNode::Run(const std::string& name, bool put, const std::vector<VARIANT>& args, VARIANT& result)
{
    switch (m_kind) {
    case App:
        return RunApp(name, put, args, result);
    case ProjectObj:
        return RunProject(name, args, result);
    case ResourceObj:
        return RunResource(name, args, result);
    default:
        break;
    }

    Project p = LoadOpenProject();
    std::string item;
    switch (m_kind) {
    case Hardware:
        if (name != "Configurations")
            return false;
        SetObject(result, Same(Configurations));
        return true;
    case Configurations:
        if (name == "Count") {
            SetLong(result, static_cast<long>(p.configurations.size()));
        } else if (name == "Item") {
            Index(p.configurations, args, [](const Configuration& c) { return ConfigurationKey(c.name, c.plcType); },
                  item);
            SetObject(result, Child(ConfigurationObj, item));
        } else if (name == "Add") {
            const std::string n = ArgText(args, 0), type = ArgText(args, 1);
            Journal("AddConfiguration " + n + " " + type);
            for (const Configuration& c : p.configurations) {
                if (SameText(c.name, n) && SameText(c.plcType, type))
                    throw MemberError{kConfigurationExists};
            }
            p.configurations.push_back({n, type, {}});
            SaveOpenProject(p);
            SetObject(result, Child(ConfigurationObj, ConfigurationKey(n, type)));
        } else {
            return false;
        }
        return true;
    case ConfigurationObj: {
        Configuration& c = FindConfiguration(p);
        if (name == "Name")
            SetText(result, c.name);
        else if (name == "PlcType")
            SetText(result, c.plcType);
        else if (name == "Resources")
            SetObject(result, Same(Resources));
        else
            return false;
        return true;
    }
    case Resources: {
        Configuration& c = FindConfiguration(p);
        if (name == "Count") {
            SetLong(result, static_cast<long>(c.resources.size()));
        } else if (name == "Item") {
            Index(c.resources, args, [](const Resource& r) { return r.name; }, item);
            SetObject(result, Child(ResourceObj, item));
        } else if (name == "Add") {
            const std::string n = ArgText(args, 0), type = ArgText(args, 1);
            Journal("AddResource " + n + " " + type);
            // A new resource starts with the demonstration IO.
            c.resources.push_back({n, type, {}, {{"IO_Group01", "DEMOIO"}}});
            SaveOpenProject(p);
            SetObject(result, Child(ResourceObj, n));
        } else {
            return false;
        }
        return true;
    }
    case Tasks: {
        Resource& r = FindResource(p);
        if (name == "Count") {
            SetLong(result, static_cast<long>(r.tasks.size()));
        } else if (name == "Item") {
            Index(r.tasks, args, [](const Task& t) { return t.name; }, item);
            SetObject(result, Child(TaskObj, item));
        } else if (name == "Add") {
            const std::string n = ArgText(args, 0), type = ArgText(args, 1);
            Journal("AddTask " + n + " " + type);
            ThrowIfFaulted("AddTask");
            r.tasks.push_back({n, type, {}});
            SaveOpenProject(p);
            SetObject(result, Child(TaskObj, n));
        } else {
            return false;
        }
        return true;
    }
    case TaskObj: {
        Task& t = FindTask(p);
        if (name == "Name")
            SetText(result, t.name);
        else if (name == "Type")
            SetText(result, t.type);
        else if (name == "ProgramInstances")
            SetObject(result, Same(ProgramInstances));
        else
            return false;
        return true;
    }
    case ProgramInstances: {
        Task& t = FindTask(p);
        if (name == "Count") {
            SetLong(result, static_cast<long>(t.programs.size()));
        } else if (name == "Add") {
            const std::string n = ArgText(args, 0), type = ArgText(args, 1);
            Journal("AddProgramInstance " + n + " " + type);
            t.programs.push_back({n, type});
            SaveOpenProject(p);
            SetObject(result, Child(ProgramInstanceObj, n));
        } else {
            return false;
        }
        return true;
    }
    case ProgramInstanceObj:
        if (name != "Name")
            return false;
        SetText(result, m_names.back());
        return true;
    case IOGroups: {
        Resource& r = FindResource(p);
        if (name == "Count") {
            SetLong(result, static_cast<long>(r.ioGroups.size()));
        } else if (name == "Item") {
            Index(r.ioGroups, args, [](const IoGroup& g) { return g.name; }, item);
            SetObject(result, Child(IOGroupObj, item));
        } else {
            return false;
        }
        return true;
    }
    case IOGroupObj: {
        IoGroup* io = FindIoGroup(p);
        if (!io)
            throw MemberError{kObjectNotFound};
        if (name == "Name") {
            SetText(result, io->name);
        } else if (name == "Driver" && !put) {
            SetText(result, io->driver);
        } else if (name == "Driver") {
            io->driver = ArgText(args, args.size() - 1);
            Journal("SetDriver " + io->name + " " + io->driver);
            SaveOpenProject(p);
        } else if (name == "Delete") {
            Journal("DeleteIOGroup " + io->name);
            Resource& r = FindResource(p);
            r.ioGroups.erase(r.ioGroups.begin() + (io - r.ioGroups.data()));
            SaveOpenProject(p);
        } else {
            return false;
        }
        return true;
    }
    case Pous:
        if (name == "Count") {
            SetLong(result, static_cast<long>(p.pous.size()));
        } else if (name == "Item") {
            Index(p.pous, args, [](const std::string& s) { return s; }, item);
            SetObject(result, Child(PouObj, item));
        } else if (name == "Add") {
            const std::string n = ArgText(args, 0);
            Journal("AddPou " + n + " " + std::to_string(ArgLong(args, 1)) + " " + std::to_string(ArgLong(args, 2)) +
                    " " + ArgText(args, 4) + " " + ArgText(args, 5));
            for (const std::string& pou : p.pous) {
                if (SameText(pou, n))
                    throw MemberError{kPouExists};
            }
            p.pous.push_back(n);
            SaveOpenProject(p);
            MakeFolders(g.openPath + "\\POU");
            WriteFileBytes(g.openPath + "\\POU\\" + n + ".st", ArgText(args, 3));
            SetObject(result, Child(PouObj, n));
        } else {
            return false;
        }
        return true;
    case PouObj:
        if (name != "Name")
            return false;
        SetText(result, m_names.back());
        return true;
    case Libraries:
        if (name == "Count") {
            SetLong(result, static_cast<long>(p.libraries.size()));
        } else if (name == "Item") {
            Index(p.libraries, args, [](const std::string& s) { return s; }, item);
            SetObject(result, Child(LibraryObj, item));
        } else if (name == "Add") {
            const std::string path = ArgText(args, 0);
            Journal("AddLibrary " + path);
            if (!FileExists(path))
                throw MemberError{kLibraryNotFound};
            p.libraries.push_back(path);
            SaveOpenProject(p);
            SetObject(result, Child(LibraryObj, path));
        } else {
            return false;
        }
        return true;
    case LibraryObj:
        if (name != "Path")
            return false;
        SetText(result, m_names.back());
        return true;
    default:
        return false;
    }
}

// ------------------------------------------------ the class object ---

class CApplicationFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (outer)
            return CLASS_E_NOAGGREGATION;
        Journal("Attach");
        CNode* app = new CNode(CNode::App);
        const HRESULT hr = app->QueryInterface(riid, ppv);
        app->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

CApplicationFactory g_factory;

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CLOSE:
        // The user may not close the system while a program holds a
        // project in it.
        if (g.userCloseLock) {
            Journal("WM_CLOSE refused");
            return 0;
        }
        Journal("WM_CLOSE");
        DestroyWindow(hwnd);
        return 0;
    case kCloseRequest:
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        g.window = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show)
{
    char dir[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("VEXO_IEC_STANDIN_DIR", dir, MAX_PATH);
    if (n > 0 && n < MAX_PATH)
        g.controlDir = dir;
    Journal(std::string("Started ") + commandLine);

    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = FrameProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
        wc.lpszClassName = kWindowClass;
        RegisterClassA(&wc);
        // Without a main window the system still has a window of its own
        // class, so it can be asked to end.
        const bool mainWindow = !HasFault("NoWindow");
        g.window = CreateWindowExA(0, kWindowClass, mainWindow ? kTitle : "IEC stand-in", WS_OVERLAPPEDWINDOW,
                                   CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance, nullptr);
        if (!g.window)
            return 1;
        if (mainWindow)
            ShowWindow(g.window, show);
        else
            g.noMainWindow = true;
    }
    HRESULT delay = 0;
    if (HasFault("SlowStart", &delay))
        Sleep(static_cast<DWORD>(delay));
    DWORD cookie = 0;
    if (!HasFault("NoRegister")) {
        const HRESULT hr =
            CoRegisterClassObject(kApplicationClass, &g_factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie);
        Journal(SUCCEEDED(hr) ? "Registered" : "Register failed");
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (cookie)
        CoRevokeClassObject(cookie);
    Journal("Ended");
    CoUninitialize();
    return 0;
}

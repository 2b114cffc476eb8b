#include "standins/iecsystem/iecmodel.h"

#include <cctype>
#include <sstream>

namespace iecstandin {

namespace {

const char kProjectHeader[] = "IEC STAND-IN PROJECT";
const char kArchiveHeader[] = "IEC STAND-IN ARCHIVE\r\n";

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            break;
        start = tab + 1;
    }
    return fields;
}

bool SafeRelativePath(const std::string& path)
{
    if (path.empty() || path[0] == '\\' || path[0] == '/' || path.find(':') != std::string::npos)
        return false;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

} // namespace

bool SameText(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool ParseProject(const std::string& text, Project& project)
{
    project = Project();
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line != kProjectHeader)
        return false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        const std::vector<std::string> f = SplitTabs(line);
        const std::string& kind = f[0];
        if (kind == "LIBRARY" && f.size() == 2) {
            project.libraries.push_back(f[1]);
        } else if (kind == "POU" && f.size() == 2) {
            project.pous.push_back(f[1]);
        } else if (kind == "CONFIGURATION" && f.size() == 3) {
            project.configurations.push_back({f[1], f[2], {}});
        } else if (kind == "RESOURCE" && f.size() == 3 && !project.configurations.empty()) {
            project.configurations.back().resources.push_back({f[1], f[2], {}, {}});
        } else if (kind == "TASK" && f.size() == 3 && !project.configurations.empty() &&
                   !project.configurations.back().resources.empty()) {
            project.configurations.back().resources.back().tasks.push_back({f[1], f[2], {}});
        } else if (kind == "PROGRAM" && f.size() == 3 && !project.configurations.empty() &&
                   !project.configurations.back().resources.empty() &&
                   !project.configurations.back().resources.back().tasks.empty()) {
            project.configurations.back().resources.back().tasks.back().programs.push_back({f[1], f[2]});
        } else if (kind == "IOGROUP" && f.size() == 3 && !project.configurations.empty() &&
                   !project.configurations.back().resources.empty()) {
            project.configurations.back().resources.back().ioGroups.push_back({f[1], f[2]});
        } else {
            return false;
        }
    }
    return true;
}

std::string FormatProject(const Project& project)
{
    std::string out = std::string(kProjectHeader) + "\r\n";
    for (const std::string& library : project.libraries)
        out += "LIBRARY\t" + library + "\r\n";
    for (const std::string& pou : project.pous)
        out += "POU\t" + pou + "\r\n";
    for (const Configuration& c : project.configurations) {
        out += "CONFIGURATION\t" + c.name + "\t" + c.plcType + "\r\n";
        for (const Resource& r : c.resources) {
            out += "RESOURCE\t" + r.name + "\t" + r.processor + "\r\n";
            for (const Task& t : r.tasks) {
                out += "TASK\t" + t.name + "\t" + t.type + "\r\n";
                for (const ProgramInstance& p : t.programs)
                    out += "PROGRAM\t" + p.name + "\t" + p.type + "\r\n";
            }
            for (const IoGroup& g : r.ioGroups)
                out += "IOGROUP\t" + g.name + "\t" + g.driver + "\r\n";
        }
    }
    return out;
}

std::string PackArchive(const std::vector<ArchiveEntry>& entries)
{
    std::string out = kArchiveHeader;
    for (const ArchiveEntry& e : entries) {
        out += "FILE\t" + e.first + "\t" + std::to_string(e.second.size()) + "\r\n";
        out += e.second;
    }
    out += "END\r\n";
    return out;
}

bool UnpackArchive(const std::string& bytes, std::vector<ArchiveEntry>& entries)
{
    entries.clear();
    const std::string header = kArchiveHeader;
    if (bytes.compare(0, header.size(), header) != 0)
        return false;
    std::size_t pos = header.size();
    for (;;) {
        const std::size_t end = bytes.find("\r\n", pos);
        if (end == std::string::npos)
            return false;
        const std::string line = bytes.substr(pos, end - pos);
        pos = end + 2;
        if (line == "END")
            return pos == bytes.size();
        const std::vector<std::string> f = SplitTabs(line);
        if (f.size() != 3 || f[0] != "FILE" || !SafeRelativePath(f[1]) || f[2].empty() || f[2].size() > 12 ||
            f[2].find_first_not_of("0123456789") != std::string::npos)
            return false;
        const unsigned long long length = std::stoull(f[2]);
        if (length > bytes.size() - pos)
            return false;
        entries.emplace_back(f[1], bytes.substr(pos, static_cast<std::size_t>(length)));
        pos += static_cast<std::size_t>(length);
    }
}

} // namespace iecstandin

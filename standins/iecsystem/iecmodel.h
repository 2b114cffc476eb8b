// The stand-in IEC system's project as plain text, and its archive of a
// project's files. No Win32 header.
//
// Project file: a first line "IEC STAND-IN PROJECT", then one record per
// line, fields separated by tabs:
//   LIBRARY <path>
//   POU <name>
//   CONFIGURATION <name> <PLC type>
//   RESOURCE <name> <processor type>        (of the last configuration)
//   TASK <name> <type>                      (of the last resource)
//   PROGRAM <name> <type>                   (of the last task)
//   IOGROUP <name> <driver>                 (of the last resource)
//
// Archive: "IEC STAND-IN ARCHIVE" and CR LF, then per file "FILE", a tab,
// its path relative to the project, a tab, its length in decimal and CR LF,
// then its bytes; "END" and CR LF close it.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace iecstandin {

struct IoGroup {
    std::string name;
    std::string driver;
};

struct ProgramInstance {
    std::string name;
    std::string type;
};

struct Task {
    std::string name;
    std::string type;
    std::vector<ProgramInstance> programs;
};

struct Resource {
    std::string name;
    std::string processor;
    std::vector<Task> tasks;
    std::vector<IoGroup> ioGroups;
};

struct Configuration {
    std::string name;
    std::string plcType;
    std::vector<Resource> resources;
};

struct Project {
    std::vector<std::string> libraries;
    std::vector<std::string> pous;
    std::vector<Configuration> configurations;
};

// False for a text that is not a project file (wrong first line, unknown
// record, a record without its owner or with missing fields).
bool ParseProject(const std::string& text, Project& project);
std::string FormatProject(const Project& project);

using ArchiveEntry = std::pair<std::string, std::string>; // relative path, bytes
std::string PackArchive(const std::vector<ArchiveEntry>& entries);
// False for anything cut short or malformed, and for a path that is
// absolute, has a drive or climbs out of the project ("..").
bool UnpackArchive(const std::string& bytes, std::vector<ArchiveEntry>& entries);

// Case-insensitive equality of ASCII texts.
bool SameText(const std::string& a, const std::string& b);

} // namespace iecstandin

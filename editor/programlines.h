// The editor's line store: the lines of one program file with its path and
// limits, and the two lists derived from them: the labels the program
// defines (for Goto) and the variable names it and the programs it
// INCLUDEs use. Plain C++, no Win32; files are reached through
// IProgramFiles so the gathering can be tested on any file system.
#pragma once
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "editor/editline.h"

namespace editor {

class IProgramFiles {
public:
    virtual bool Exists(const std::string& path) = 0;
    // The file's bytes; false when it cannot be read.
    virtual bool ReadText(const std::string& path, std::string& text) = 0;

protected:
    ~IProgramFiles() = default;
};

// Files on disk through the C++ library.
IProgramFiles& DiskProgramFiles();

// One walk over a program and the programs it includes. It travels with
// the walk, so walks on several threads do not share counters; each file is
// read at most once per walk, so a self-include or a cycle ends at once.
struct IncludeGathering {
    static constexpr int kMaxDepth = 16;
    int depth = 0;
    std::set<std::string> visited; // upper-case paths
};

class CEditRDocLines {
public:
    virtual ~CEditRDocLines() = default;

    // Stores the path when the file exists; else empties it and fails.
    virtual bool SetFilePath(const std::string& path, IProgramFiles& files);

    // Reads the file at the path into lines, each with its own line end
    // (CR, LF or CR LF), then gathers the names. False when the file could
    // not be read or an include failed.
    bool ReadFile(IProgramFiles& files);
    bool ReadFile(IProgramFiles& files, IncludeGathering& gathering);

    // The program's own labels, each once.
    void GatherLabels();
    // Labels, then the names of the lines and of included programs.
    bool GatherNames(IProgramFiles& files);
    bool GatherNames(IProgramFiles& files, IncludeGathering& gathering);

    // Folder of the path + name + the path's extension; empty when the path
    // has no backslash after its first character or no dot after it.
    std::string GetSiblingPath(const std::string& name) const;
    int FindNameIndex(const std::string& name) const;
    static void MergeNames(std::vector<std::string>& target, const std::vector<std::string>& source);

    void Clear();

    std::vector<CEditRLine> m_lines;
    std::vector<std::string> m_labels;
    std::vector<std::string> m_names;
    int m_fileType = -1;
    std::string m_path;
    std::string m_programName;
    int m_nameLimit = kDefaultNameLimit;
    // The line end of lines made in the editor: the file's first one, CR LF
    // for a file without any.
    std::string m_lineEnd = "\r\n";
    // The file's last line ended with a line end (a new file's do).
    bool m_finalLineEnd = true;

    // The lines as the file holds them: each line with its own line end (or
    // m_lineEnd), the last one without when the file's last line had none.
    // Unchanged lines give back the bytes they were read from.
    std::string FileText() const;
};

// Re-indents one line by its block keywords. level is the block level
// before the line and is updated for the next. Returns the new text, or the
// unchanged text with overlong set when the indented text would pass 80.
std::string ReformatLine(const CEditRLine& line, int& level, int tabIndent, int codeStart, bool& overlong);

} // namespace editor

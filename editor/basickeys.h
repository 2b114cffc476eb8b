// The Vexo BASIC keyword table for the editor's key assist: the records of
// the keyword file "VexoBASIC.xml", read once per run into one list that
// every editor view shares. The reader and the look-ups are plain C++; the
// file's location and the messages about it live in basickeys_file.cpp.
#pragma once
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace editor {

struct CBasicKeyRecord {
    int id = 0;
    std::string type;
    std::string name;
    int minQuotes = 0;
    int maxQuotes = 0;
    int minParams = 0;
    int maxParams = 0;
    int modifier = 0;
    std::string flags;
    std::string value;
    std::string parameters;
    int subsequence = 0;
    int brackets = 0;
};

// Gives the next line of the file (without its line end); false at the end.
using KeywordLineSource = std::function<bool(std::string& line)>;

// Reads the keyword file's records in file order. A keyword is kept only
// when it has a "brackets" element; unknown elements are skipped with all
// they contain. False, with error set, for a malformed file (an end tag
// that closes nothing or the wrong element, markup cut off); records is
// then empty.
bool ReadKeywordFile(const KeywordLineSource& source, std::vector<CBasicKeyRecord>& records, std::string& error);

// The process-wide keyword list.
class CBasicKeyTable {
public:
    // Loads the list unless a load succeeded before. The check and the read
    // happen under one lock, so views started at once read the file once.
    // load fills the records and returns false on failure; a failed or
    // empty load leaves the list empty and the next call tries again.
    // Returns whether the list is loaded.
    bool EnsureLoaded(const std::function<bool(std::vector<CBasicKeyRecord>&)>& load);
    bool IsLoaded() const;
    // For tests: empty and not loaded.
    void Reset();

    // The first record after index after (-1: from the start) whose name
    // begins with prefix / equals name, regardless of case; -1 for none.
    int FindKeywordByPrefix(const std::string& prefix, int after = -1) const;
    int FindKeyword(const std::string& name, int after = -1) const;
    CBasicKeyRecord Record(int index) const;
    int Count() const;
    // Names beginning with prefix in file order (each once with
    // noDuplicates, regardless of case).
    int GetCompletions(const std::string& prefix, std::vector<std::string>& list, bool noDuplicates) const;
    // name + " " + parameters of every record named name.
    int GetCommandTemplates(const std::string& name, std::vector<std::string>& list) const;

    static CBasicKeyTable& Instance();

private:
    int FindLocked(const std::string& text, int after, bool wholeName) const;

    mutable std::mutex m_lock;
    std::vector<CBasicKeyRecord> m_records;
    bool m_loaded = false;
};

} // namespace editor

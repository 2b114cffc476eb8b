// CBasicKeys: the keyword table as each editor view sees it. Making one
// loads the shared list from "VexoBASIC.xml" in the maker's folder under
// the common program files folder, unless an earlier one loaded it; a
// missing or unreadable file is reported to the user, a malformed one is
// logged, and the next view tries again.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "editor/basickeys.h"

namespace editor {

class CBasicKeys {
public:
    CBasicKeys();
    virtual ~CBasicKeys() = default;

    // %CommonProgramFiles%\VexoLabs\VexoBASIC.xml.
    static std::string KeywordFilePath();

    // Reads path into the shared list as the constructor does. Returns the
    // number of keywords read.
    static int ReadFile(const std::string& path);

    int FindFirstKeywordByPrefix(const std::string& prefix) const { return Table().FindKeywordByPrefix(prefix); }
    int FindFirstKeyword(const std::string& name) const { return Table().FindKeyword(name); }
    int FindKeywordByPrefix(const std::string& prefix, int after) const
    {
        return Table().FindKeywordByPrefix(prefix, after);
    }
    int FindKeyword(const std::string& name, int after) const { return Table().FindKeyword(name, after); }
    CBasicKeyRecord Record(int index) const { return Table().Record(index); }
    int GetCompletions(const std::string& prefix, std::vector<std::string>& list, bool noDuplicates) const
    {
        return Table().GetCompletions(prefix, list, noDuplicates);
    }
    int GetCommandTemplates(const std::string& name, std::vector<std::string>& list) const
    {
        return Table().GetCommandTemplates(name, list);
    }

    static CBasicKeyTable& Table() { return CBasicKeyTable::Instance(); }
};

} // namespace editor

// The file-name filter of the shell tree: ";"-separated wildcard patterns
// ("*.bas;*.txt") and the rule by which a file name matches one of them.
#pragma once

#include "framework/collections.h"
#include "framework/cstring.h"

class CFileNameChecker {
public:
    explicit CFileNameChecker(const char* filter = nullptr);
    virtual ~CFileNameChecker() = default;

    // The non-empty pieces between ";"; none at all gives "*.*".
    void SetFilter(const char* filter);
    // Wildcard match of the whole text: "*" any run of characters (none
    // included), "?" any one character, other characters equal without
    // regard to case.
    static bool Matches(const char* pattern, const char* text);
    // Name and extension (split at the last ".") each match those of some
    // pattern; a pattern without "." matches the name with any extension.
    bool MatchesFilter(const char* fileName) const;

    const CStringArray& GetPatterns() const { return m_patterns; }

private:
    CStringArray m_patterns;
};

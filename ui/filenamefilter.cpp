#include "ui/filenamefilter.h"

#include <cctype>
#include <cstring>

namespace {

void SplitAtLastDot(const CString& text, CString& name, CString& extension, bool& hasDot)
{
    const int dot = text.ReverseFind('.');
    hasDot = dot >= 0;
    name = hasDot ? text.Left(dot) : text;
    extension = hasDot ? text.Mid(dot + 1) : CString();
}

} // namespace

CFileNameChecker::CFileNameChecker(const char* filter)
{
    SetFilter(filter);
}

void CFileNameChecker::SetFilter(const char* filter)
{
    m_patterns.RemoveAll();
    const CString text(filter);
    int start = 0;
    while (start <= text.GetLength()) {
        int end = text.Find(';', start);
        if (end < 0)
            end = text.GetLength();
        const CString piece = text.Mid(start, end - start);
        if (!piece.IsEmpty())
            m_patterns.Add(piece);
        start = end + 1;
    }
    if (m_patterns.GetSize() == 0)
        m_patterns.Add("*.*");
}

bool CFileNameChecker::Matches(const char* pattern, const char* text)
{
    if (!pattern || !text)
        return false;
    // Iterative matching with one back-track point: the last "*" seen.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*text) {
        if (*pattern == '*') {
            star = pattern++;
            resume = text;
        } else if (*pattern == '?' || (*pattern && std::tolower(static_cast<unsigned char>(*pattern)) ==
                                                       std::tolower(static_cast<unsigned char>(*text)))) {
            ++pattern;
            ++text;
        } else if (star) {
            pattern = star + 1;
            text = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}

bool CFileNameChecker::MatchesFilter(const char* fileName) const
{
    CString name, extension;
    bool hasDot = false;
    SplitAtLastDot(CString(fileName), name, extension, hasDot);
    for (INT_PTR i = 0; i < m_patterns.GetSize(); ++i) {
        CString namePattern, extensionPattern;
        bool patternHasDot = false;
        SplitAtLastDot(m_patterns[i], namePattern, extensionPattern, patternHasDot);
        if (!patternHasDot) {
            if (Matches(namePattern, name))
                return true;
            continue;
        }
        if (Matches(namePattern, name) && Matches(extensionPattern, extension))
            return true;
    }
    return false;
}

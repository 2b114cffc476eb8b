// CString: the framework's narrow text string.
//
// A value type over std::string with the familiar member set. Positions are
// zero-based ints; a search that fails returns -1. Converts implicitly to
// const char* so it can be passed where the Win32 "A" functions want text;
// pass GetString() (or a cast) to printf-style argument lists.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

#include "framework/types.h"

class CString {
public:
    CString() = default;
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString(const char* text) : m_s(text ? text : "") {}
    CString(const char* text, int length);
    CString(char ch, int repeat = 1);
    CString(std::string s) : m_s(std::move(s)) {}
    explicit CString(std::string_view s) : m_s(s) {}

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const char* text);
    CString& operator=(char ch);

    // Size and access.
    int GetLength() const { return static_cast<int>(m_s.size()); }
    bool IsEmpty() const { return m_s.empty(); }
    void Empty() { m_s.clear(); }
    char GetAt(int index) const;
    void SetAt(int index, char ch);
    char operator[](int index) const { return GetAt(index); }
    const char* GetString() const { return m_s.c_str(); }
    operator const char*() const { return m_s.c_str(); }
    const std::string& str() const { return m_s; }

    // Appending.
    CString& operator+=(const CString& s)
    {
        m_s += s.m_s;
        return *this;
    }
    CString& operator+=(const char* s)
    {
        if (s)
            m_s += s;
        return *this;
    }
    CString& operator+=(char ch)
    {
        m_s += ch;
        return *this;
    }
    void Append(const char* text, int length);
    void AppendChar(char ch) { m_s += ch; }
    void AppendFormat(const char* format, ...);

    // Comparison: Compare is byte-wise, CompareNoCase folds ASCII letters.
    // Both return <0, 0 or >0.
    int Compare(const char* text) const;
    int CompareNoCase(const char* text) const;

    // Extraction. Out-of-range counts and positions are clamped.
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Left(int count) const;
    CString Right(int count) const;
    CString SpanIncluding(const char* charSet) const;
    CString SpanExcluding(const char* charSet) const;
    CString Tokenize(const char* delimiters, int& start) const;

    // Searching; -1 when not found.
    int Find(char ch, int start = 0) const;
    int Find(const char* sub, int start = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(const char* charSet) const;

    // Changing in place. The counting members return what they changed.
    CString& MakeUpper();
    CString& MakeLower();
    CString& MakeReverse();
    CString& Trim();
    CString& Trim(char target);
    CString& Trim(const char* targets);
    CString& TrimLeft();
    CString& TrimLeft(char target);
    CString& TrimLeft(const char* targets);
    CString& TrimRight();
    CString& TrimRight(char target);
    CString& TrimRight(const char* targets);
    int Replace(char oldCh, char newCh);
    int Replace(const char* oldText, const char* newText);
    int Remove(char ch);
    int Insert(int index, char ch);
    int Insert(int index, const char* text);
    int Delete(int index, int count = 1);
    void Truncate(int length);

    // printf-style formatting (C99 conversions).
    void Format(const char* format, ...);
    void FormatV(const char* format, va_list args);

    // Direct buffer access: GetBuffer(n) gives room for at least n characters
    // plus a NUL; ReleaseBuffer(-1) takes the length from the first NUL.
    char* GetBuffer(int minLength = 0);
    char* GetBufferSetLength(int length);
    void ReleaseBuffer(int newLength = -1);

    // Loads a string resource through the framework's resource chain;
    // false (and an empty string) when the id is not found. <windows.h>
    // renames LoadString to LoadStringA, so that is the real member and
    // the plain name forwards to it where the macro is absent.
    BOOL LoadStringA(UINT id);
#ifndef LoadString
    BOOL LoadString(UINT id)
    {
        return LoadStringA(id);
    }
#endif

private:
    std::string m_s;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const char* b);
CString operator+(const char* a, const CString& b);
CString operator+(const CString& a, char b);
CString operator+(char a, const CString& b);

inline bool operator==(const CString& a, const CString& b)
{
    return a.str() == b.str();
}
inline bool operator==(const CString& a, const char* b)
{
    return a.Compare(b) == 0;
}
inline bool operator!=(const CString& a, const CString& b)
{
    return !(a == b);
}
inline bool operator!=(const CString& a, const char* b)
{
    return !(a == b);
}
inline bool operator<(const CString& a, const CString& b)
{
    return a.str() < b.str();
}
inline bool operator>(const CString& a, const CString& b)
{
    return b < a;
}
inline bool operator<=(const CString& a, const CString& b)
{
    return !(b < a);
}
inline bool operator>=(const CString& a, const CString& b)
{
    return !(a < b);
}

template <> struct std::hash<CString> {
    std::size_t operator()(const CString& s) const noexcept { return std::hash<std::string>()(s.str()); }
};

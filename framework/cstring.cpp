#include "framework/cstring.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

char ToUpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

char ToLowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

int Sign(int v)
{
    return (v > 0) - (v < 0);
}

} // namespace

CString::CString(const char* text, int length)
{
    if (text && length > 0)
        m_s.assign(text, static_cast<std::size_t>(length));
}

CString::CString(char ch, int repeat)
{
    if (repeat > 0)
        m_s.assign(static_cast<std::size_t>(repeat), ch);
}

CString& CString::operator=(const char* text)
{
    m_s = text ? text : "";
    return *this;
}

CString& CString::operator=(char ch)
{
    m_s.assign(1, ch);
    return *this;
}

char CString::GetAt(int index) const
{
    return (index >= 0 && index < GetLength()) ? m_s[static_cast<std::size_t>(index)] : '\0';
}

void CString::SetAt(int index, char ch)
{
    if (index >= 0 && index < GetLength())
        m_s[static_cast<std::size_t>(index)] = ch;
}

void CString::Append(const char* text, int length)
{
    if (text && length > 0)
        m_s.append(text, static_cast<std::size_t>(length));
}

void CString::AppendFormat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    CString more;
    more.FormatV(format, args);
    va_end(args);
    m_s += more.m_s;
}

int CString::Compare(const char* text) const
{
    return Sign(std::strcmp(m_s.c_str(), text ? text : ""));
}

int CString::CompareNoCase(const char* text) const
{
    const unsigned char* a = reinterpret_cast<const unsigned char*>(m_s.c_str());
    const unsigned char* b = reinterpret_cast<const unsigned char*>(text ? text : "");
    for (;; ++a, ++b) {
        const int ca = static_cast<unsigned char>(ToLowerAscii(static_cast<char>(*a)));
        const int cb = static_cast<unsigned char>(ToLowerAscii(static_cast<char>(*b)));
        if (ca != cb || ca == 0)
            return Sign(ca - cb);
    }
}

CString CString::Mid(int first) const
{
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const
{
    first = std::clamp(first, 0, GetLength());
    count = std::clamp(count, 0, GetLength() - first);
    return CString(m_s.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(count)));
}

CString CString::Left(int count) const
{
    return Mid(0, count);
}

CString CString::Right(int count) const
{
    count = std::clamp(count, 0, GetLength());
    return Mid(GetLength() - count, count);
}

CString CString::SpanIncluding(const char* charSet) const
{
    return Left(static_cast<int>(std::strspn(m_s.c_str(), charSet ? charSet : "")));
}

CString CString::SpanExcluding(const char* charSet) const
{
    return Left(static_cast<int>(std::strcspn(m_s.c_str(), charSet ? charSet : "")));
}

CString CString::Tokenize(const char* delimiters, int& start) const
{
    if (start < 0 || start >= GetLength()) {
        start = -1;
        return CString();
    }
    const std::string_view delims(delimiters ? delimiters : "");
    std::size_t from = m_s.find_first_not_of(delims, static_cast<std::size_t>(start));
    if (from == std::string::npos) {
        start = -1;
        return CString();
    }
    std::size_t to = m_s.find_first_of(delims, from);
    if (to == std::string::npos)
        to = m_s.size();
    start = static_cast<int>(std::min(to + 1, m_s.size()));
    return CString(m_s.substr(from, to - from));
}

int CString::Find(char ch, int start) const
{
    if (start < 0 || start > GetLength())
        return -1;
    const std::size_t at = m_s.find(ch, static_cast<std::size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(const char* sub, int start) const
{
    if (!sub || start < 0 || start > GetLength())
        return -1;
    const std::size_t at = m_s.find(sub, static_cast<std::size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char ch) const
{
    const std::size_t at = m_s.rfind(ch);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::FindOneOf(const char* charSet) const
{
    if (!charSet || !*charSet)
        return -1;
    const std::size_t at = m_s.find_first_of(charSet);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

CString& CString::MakeUpper()
{
    std::transform(m_s.begin(), m_s.end(), m_s.begin(), ToUpperAscii);
    return *this;
}

CString& CString::MakeLower()
{
    std::transform(m_s.begin(), m_s.end(), m_s.begin(), ToLowerAscii);
    return *this;
}

CString& CString::MakeReverse()
{
    std::reverse(m_s.begin(), m_s.end());
    return *this;
}

CString& CString::Trim()
{
    return TrimRight().TrimLeft();
}

CString& CString::Trim(char target)
{
    return TrimRight(target).TrimLeft(target);
}

CString& CString::Trim(const char* targets)
{
    return TrimRight(targets).TrimLeft(targets);
}

CString& CString::TrimLeft()
{
    auto it = std::find_if_not(m_s.begin(), m_s.end(), IsSpace);
    m_s.erase(m_s.begin(), it);
    return *this;
}

CString& CString::TrimLeft(char target)
{
    m_s.erase(0, m_s.find_first_not_of(target));
    return *this;
}

CString& CString::TrimLeft(const char* targets)
{
    m_s.erase(0, m_s.find_first_not_of(targets ? targets : ""));
    return *this;
}

CString& CString::TrimRight()
{
    while (!m_s.empty() && IsSpace(m_s.back()))
        m_s.pop_back();
    return *this;
}

CString& CString::TrimRight(char target)
{
    while (!m_s.empty() && m_s.back() == target)
        m_s.pop_back();
    return *this;
}

CString& CString::TrimRight(const char* targets)
{
    const std::string_view set(targets ? targets : "");
    while (!m_s.empty() && set.find(m_s.back()) != std::string_view::npos)
        m_s.pop_back();
    return *this;
}

int CString::Replace(char oldCh, char newCh)
{
    int count = 0;
    for (char& c : m_s) {
        if (c == oldCh) {
            c = newCh;
            ++count;
        }
    }
    return count;
}

int CString::Replace(const char* oldText, const char* newText)
{
    if (!oldText || !*oldText)
        return 0;
    const std::string_view from(oldText);
    const std::string_view to(newText ? newText : "");
    int count = 0;
    std::string result;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t at = m_s.find(from, pos);
        if (at == std::string::npos)
            break;
        result.append(m_s, pos, at - pos);
        result.append(to);
        pos = at + from.size();
        ++count;
    }
    if (count) {
        result.append(m_s, pos, std::string::npos);
        m_s.swap(result);
    }
    return count;
}

int CString::Remove(char ch)
{
    const std::size_t before = m_s.size();
    m_s.erase(std::remove(m_s.begin(), m_s.end(), ch), m_s.end());
    return static_cast<int>(before - m_s.size());
}

int CString::Insert(int index, char ch)
{
    index = std::clamp(index, 0, GetLength());
    m_s.insert(static_cast<std::size_t>(index), 1, ch);
    return GetLength();
}

int CString::Insert(int index, const char* text)
{
    index = std::clamp(index, 0, GetLength());
    if (text)
        m_s.insert(static_cast<std::size_t>(index), text);
    return GetLength();
}

int CString::Delete(int index, int count)
{
    if (index >= 0 && index < GetLength() && count > 0)
        m_s.erase(static_cast<std::size_t>(index), static_cast<std::size_t>(count));
    return GetLength();
}

void CString::Truncate(int length)
{
    if (length >= 0 && length < GetLength())
        m_s.resize(static_cast<std::size_t>(length));
}

void CString::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::FormatV(const char* format, va_list args)
{
    if (!format) {
        m_s.clear();
        return;
    }
    va_list probe;
    va_copy(probe, args);
    const int needed = std::vsnprintf(nullptr, 0, format, probe);
    va_end(probe);
    if (needed <= 0) {
        m_s.clear();
        return;
    }
    std::string out(static_cast<std::size_t>(needed) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<std::size_t>(needed));
    m_s.swap(out);
}

char* CString::GetBuffer(int minLength)
{
    if (minLength > GetLength())
        m_s.resize(static_cast<std::size_t>(minLength));
    return m_s.data();
}

char* CString::GetBufferSetLength(int length)
{
    m_s.resize(static_cast<std::size_t>(std::max(length, 0)));
    return m_s.data();
}

void CString::ReleaseBuffer(int newLength)
{
    if (newLength < 0)
        newLength = static_cast<int>(std::strlen(m_s.c_str()));
    m_s.resize(static_cast<std::size_t>(std::min(newLength, GetLength())));
}

CString operator+(const CString& a, const CString& b)
{
    return CString(a.str() + b.str());
}

CString operator+(const CString& a, const char* b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const char* a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, char b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(char a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}

#include "foundation/xmlparse.h"

namespace {

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\v' || ch == '\f';
}

bool IsLetter(char ch)
{
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}

bool IsDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

bool IsNameStart(char ch)
{
    return IsLetter(ch) || ch == '_';
}

bool IsNameChar(char ch)
{
    return IsLetter(ch) || IsDigit(ch) || ch == '_';
}

} // namespace

// ---- CXMLAttributeInfo ---------------------------------------------------

CString CXMLAttributeInfo::GetText() const
{
    if (m_name.IsEmpty())
        return CString();
    if (m_value.IsEmpty())
        return m_name;
    return m_name + "=\"" + m_value + "\"";
}

// ---- CXMLTagInfo ---------------------------------------------------------

CXMLTagInfo::CXMLTagInfo(const CXMLTagInfo& other)
{
    *this = other;
}

CXMLTagInfo& CXMLTagInfo::operator=(const CXMLTagInfo& other)
{
    if (this != &other) {
        m_name = other.m_name;
        m_attributes.Copy(other.m_attributes);
        m_emptyElement = other.m_emptyElement;
        m_endTag = other.m_endTag;
    }
    return *this;
}

void CXMLTagInfo::Clear()
{
    m_name.Empty();
    m_attributes.RemoveAll();
    m_emptyElement = FALSE;
    m_endTag = FALSE;
}

CString CXMLTagInfo::Format() const
{
    if (m_name.IsEmpty())
        return CString();
    CString text = m_endTag ? "/" : "";
    text += m_name;
    for (CXMLAttributeInfo* attribute = m_attributes.GetHead(); attribute;
         attribute = m_attributes.GetNext(attribute)) {
        text += " ";
        text += attribute->GetText();
    }
    if (m_emptyElement)
        text += " /";
    return text;
}

const CXMLAttributeInfo* CXMLTagInfo::FindAttribute(LPCSTR name) const
{
    if (!name || !*name)
        return nullptr;
    for (CXMLAttributeInfo* attribute = m_attributes.GetHead(); attribute;
         attribute = m_attributes.GetNext(attribute)) {
        if (attribute->m_name == name)
            return attribute;
    }
    return nullptr;
}

bool CXMLTagInfo::ParseAttribute(const CString& text, int& pos)
{
    const int length = text.GetLength();
    CXMLAttributeInfo* attribute = m_attributes.AddTail();
    if (!attribute)
        return false;
    while (pos < length && IsBlank(text[pos]))
        ++pos;
    if (pos >= length || !IsNameStart(text[pos]))
        return false;
    const int nameStart = pos;
    while (pos < length && IsNameChar(text[pos]))
        ++pos;
    attribute->m_name = text.Mid(nameStart, pos - nameStart);
    while (pos < length && IsBlank(text[pos]))
        ++pos;
    if (pos >= length || text[pos] != '=')
        return false;
    ++pos;
    while (pos < length && IsBlank(text[pos]))
        ++pos;
    if (pos >= length || text[pos] != '"')
        return false;
    ++pos;
    const int valueStart = pos;
    while (pos < length && text[pos] != '"')
        ++pos;
    attribute->m_value = text.Mid(valueStart, pos - valueStart);
    if (pos < length)
        ++pos; // the closing quote
    return true;
}

BOOL CXMLTagInfo::ParseTag(LPCSTR source)
{
    CString text = source ? source : "";
    text.Trim();
    Clear();
    int pos = 0;
    if (!text.IsEmpty() && text[0] == '/') {
        if (text.GetLength() == 1)
            return FALSE;
        m_endTag = TRUE;
        pos = 1;
    }
    if (text.GetLength() - pos < 1)
        return FALSE;
    if (text[text.GetLength() - 1] == '/') {
        m_emptyElement = TRUE;
        text.Truncate(text.GetLength() - 1);
    }
    const int length = text.GetLength();

    while (pos < length && IsBlank(text[pos]))
        ++pos;
    if (pos >= length || !IsNameStart(text[pos]))
        return FALSE;
    const int nameStart = pos;
    while (pos < length && !IsBlank(text[pos])) {
        if (!IsNameChar(text[pos])) {
            m_name = text.Mid(nameStart, pos - nameStart);
            return FALSE;
        }
        ++pos;
    }
    m_name = text.Mid(nameStart, pos - nameStart);

    while (pos < length) {
        if (IsBlank(text[pos])) {
            ++pos;
            continue;
        }
        if (!ParseAttribute(text, pos))
            return FALSE;
        ++pos; // attributes are separated by one character of white space
    }
    return TRUE;
}

// ---- CXMLScanner ---------------------------------------------------------

void CXMLScanner::Reset()
{
    m_line.Empty();
    m_pos = 0;
    m_state = 0;
    m_lineCount = 0;
    m_markupLine = 0;
    m_errorLine = 0;
    m_haveLine = false;
}

BOOL CXMLScanner::ReadItem(const LineSource& nextLine, CString& markup, CString& content, int& kind)
{
    markup.Empty();
    content.Empty();
    kind = XML_ITEM_NONE;
    for (;;) {
        if (!m_haveLine || m_pos >= m_line.GetLength()) {
            const bool wasInLine = m_haveLine;
            CString line;
            if (!nextLine || !nextLine(line)) {
                kind = XML_ITEM_NONE;
                if (m_state != 0) {
                    kind = XML_ITEM_ERROR;
                    m_errorLine = m_markupLine;
                }
                return FALSE;
            }
            while (!line.IsEmpty() && (line[line.GetLength() - 1] == '\n' || line[line.GetLength() - 1] == '\r'))
                line.Truncate(line.GetLength() - 1);
            m_line = line;
            m_pos = 0;
            m_haveLine = true;
            ++m_lineCount;
            // A line break inside markup counts as a blank.
            if (wasInLine && m_state != 0) {
                if (m_state == 1) {
                    m_state = 2;
                    kind = XML_ITEM_TAG;
                }
                markup += ' ';
            }
            continue;
        }
        const char ch = m_line[m_pos++];
        switch (m_state) {
        case 0:
            if (ch == '<') {
                m_state = 1;
                m_markupLine = m_lineCount;
                kind = 4;
            } else {
                content += ch;
            }
            break;
        case 1:
            if (ch == '!') {
                m_state = 4;
                kind = XML_ITEM_DECLARATION;
            } else if (ch == '?') {
                m_state = 3;
                kind = XML_ITEM_PROCESSING;
            } else {
                m_state = 2;
                kind = XML_ITEM_TAG;
            }
            markup += ch;
            break;
        default:
            if (ch == '>') {
                m_state = 0;
                content.Trim();
                return TRUE;
            }
            markup += ch;
            break;
        }
    }
}

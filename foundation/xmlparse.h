// The lexical layer of the program's XML data files: the item
// scanner that splits text into content and markup items, and the tag
// parser. Plain C++ over text; no Win32 header. CXMLFile
// (foundation/xmlfile.h) feeds the scanner from a file.
//
// There are no entity or character references, CDATA sections or
// namespaces: text passes unchanged.
#pragma once

#include <functional>

#include "foundation/containers.h"
#include "framework/cstring.h"

// Kinds of markup item.
enum XMLItemKind {
    XML_ITEM_ERROR = -1,      // the input ended inside markup
    XML_ITEM_NONE = 0,        // end of file
    XML_ITEM_TAG = 1,         // < ... >
    XML_ITEM_PROCESSING = 2,  // <? ... >
    XML_ITEM_DECLARATION = 3, // <! ... > (also comments)
};

class CXMLAttributeInfo {
public:
    CXMLAttributeInfo() = default;
    CXMLAttributeInfo(LPCSTR name, LPCSTR value) : m_name(name), m_value(value) {}

    // Empty without a name; the bare name with an empty value; otherwise
    // name="value".
    CString GetText() const;

    CString m_name;
    CString m_value;
};

class CXMLTagInfo {
public:
    CXMLTagInfo() = default;
    virtual ~CXMLTagInfo() = default;
    CXMLTagInfo(const CXMLTagInfo& other);
    CXMLTagInfo& operator=(const CXMLTagInfo& other);

    // TRUE when text (a tag without its angle brackets) is a well-formed
    // tag: optional "/" (end tag), a name of letters, digits and "_" that
    // begins with a letter or "_", attributes name="value" separated by
    // white space, optional "/" at the end (empty element). On FALSE the
    // object holds what was parsed up to the fault.
    BOOL ParseTag(LPCSTR text);
    // The tag text without angle brackets: "/" for an end tag, the name,
    // " " + each attribute's text, " /" for an empty element. Empty
    // without a name.
    CString Format() const;
    // The first attribute named name (case-sensitive); null for an empty
    // name or when there is none.
    const CXMLAttributeInfo* FindAttribute(LPCSTR name) const;
    void Clear();

    CString m_name;
    CTList<CXMLAttributeInfo> m_attributes;
    BOOL m_emptyElement = FALSE;
    BOOL m_endTag = FALSE;

private:
    // Parses one attribute from pos; pos ends after its closing quote (at
    // the end when the text ends first). FALSE on a missing "=" or quote or
    // a bad name.
    bool ParseAttribute(const CString& text, int& pos);
};

// The item scanner: one call returns the content text before the next
// markup item and the item's text without "<" and ">". It asks for lines
// (without their line ends) as it needs them; content lines are joined
// without a separator, while a line break inside markup counts as a blank,
// so a tag split across lines still parses.
class CXMLScanner {
public:
    // Gives the next line; false at the end of the input.
    using LineSource = std::function<bool(CString& line)>;

    // TRUE when an item was completed; FALSE at the end of the input, with
    // kind XML_ITEM_NONE, or XML_ITEM_ERROR when the input ended inside
    // markup (a cut-off file): GetErrorLine() then gives the line the
    // unfinished markup began on. content is trimmed.
    BOOL ReadItem(const LineSource& nextLine, CString& markup, CString& content, int& kind);
    // Back to the start: no line, outside markup, no lines counted, no
    // error.
    void Reset();
    int GetLineCount() const { return m_lineCount; }
    int GetState() const { return m_state; }
    // The line (counted from 1) of unfinished markup at the end of the
    // input; 0 when there was none.
    int GetErrorLine() const { return m_errorLine; }

private:
    CString m_line;
    int m_pos = 0;
    int m_state = 0; // 0 outside, 1 after "<", 2 tag, 3 "<?", 4 "<!"
    int m_lineCount = 0;
    int m_markupLine = 0; // where the markup being read began
    int m_errorLine = 0;
    bool m_haveLine = false;
};

// CXMLFile: the pull reader of the program's XML data files,
// a text file read item by item through CXMLScanner. Derived readers keep
// their own element stacks and tables, and may fill the string list that
// ContainsString searches.
#pragma once

#include <windows.h>

#include "foundation/xmlparse.h"
#include "framework/collections.h"
#include "framework/file.h"

class CXMLFile : private CStdioFile {
public:
    CXMLFile();
    ~CXMLFile() override;

    // Closes an open file first; opens through the text-file base (read,
    // deny writes, text mode unless flags say otherwise). Returns whether
    // the file is open.
    virtual BOOL Open(LPCSTR path, UINT flags = CFile::modeRead | CFile::shareDenyWrite | CFile::typeText,
                      CFileException* error = nullptr);
    void Close() override;
    virtual BOOL IsOpen() const { return m_open; }
    CString GetFilePath() const override;
    // Whether the string list holds text exactly; FALSE for empty text.
    virtual BOOL ContainsString(LPCSTR text) const;

    // The next item: content text before it (trimmed) and the markup
    // without "<" and ">"; kind is one of XMLItemKind. FALSE at the end of
    // the file or when no file is open (kind XML_ITEM_NONE); a file that
    // ends inside markup is an error (kind XML_ITEM_ERROR, GetErrorText,
    // and a line in the log).
    BOOL ReadItem(CString& markup, CString& content, int& kind);
    // Lines read since the file was opened.
    int GetLineCount() const { return m_scanner.GetLineCount(); }
    // Empty unless the file ended inside markup: then "<path>(<line>): the
    // file ends inside markup", line being where the markup began.
    CString GetErrorText() const;

protected:
    CStringList m_strings;

private:
    BOOL m_open = FALSE;
    CXMLScanner m_scanner;
};

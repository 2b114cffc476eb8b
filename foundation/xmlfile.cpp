#include "foundation/xmlfile.h"

#include "foundation/logline.h"

CXMLFile::CXMLFile() = default;

CXMLFile::~CXMLFile()
{
    Close();
}

BOOL CXMLFile::Open(LPCSTR path, UINT flags, CFileException* error)
{
    m_scanner.Reset();
    if (m_open)
        Close();
    m_open = CStdioFile::Open(path, flags, error) ? TRUE : FALSE;
    return m_open;
}

void CXMLFile::Close()
{
    if (!m_open)
        return;
    CStdioFile::Close();
    m_open = FALSE;
    m_scanner.Reset();
}

CString CXMLFile::GetFilePath() const
{
    return CStdioFile::GetFilePath();
}

BOOL CXMLFile::ContainsString(LPCSTR text) const
{
    if (!text || !*text)
        return FALSE;
    for (POSITION pos = m_strings.GetHeadPosition(); pos;) {
        if (m_strings.GetNext(pos) == text)
            return TRUE;
    }
    return FALSE;
}

BOOL CXMLFile::ReadItem(CString& markup, CString& content, int& kind)
{
    if (!m_open) {
        markup.Empty();
        content.Empty();
        kind = XML_ITEM_NONE;
        return FALSE;
    }
    const BOOL read =
        m_scanner.ReadItem([this](CString& line) { return ReadString(line) != FALSE; }, markup, content, kind);
    if (kind == XML_ITEM_ERROR)
        GlobalLogLine(GetErrorText(), LOG_STATUS_ERRORS);
    return read;
}

CString CXMLFile::GetErrorText() const
{
    CString text;
    if (m_scanner.GetErrorLine() > 0)
        text.Format("%s(%d): the file ends inside markup", GetFilePath().GetString(), m_scanner.GetErrorLine());
    return text;
}

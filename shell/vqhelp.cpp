#include "shell/vqhelp.h"

#include <cstdlib>
#include <cstring>

#include "foundation/fileutil.h"
#include "foundation/safefile.h"
#include "framework/exceptions.h"
#include "framework/file.h"
#include "shell/helpviewer.h"

CVQHelp::CVQHelp(HWND hWndOwner) : CVQHelp(hWndOwner, GetProgramDirectory()) {}

CVQHelp::CVQHelp(HWND hWndOwner, LPCSTR lpszFolder)
    : m_strHelpFile(CString(lpszFolder) + "\\Vorta2.chm"), m_strBasicHelpFile(CString(lpszFolder) + "\\VexoBASIC.chm"),
      m_hWndOwner(hWndOwner)
{
    m_bHelpPresent = FileExists(m_strHelpFile);
    m_bBasicHelpPresent = FileExists(m_strBasicHelpFile);
}

void CVQHelp::Show(const CString& file, UINT nContextId) const
{
    GetHelpViewer().Show(m_hWndOwner, file, nContextId ? HELP_CONTEXT_ID : HELP_DISPLAY_TOPIC, nContextId);
}

void CVQHelp::ShowHelp(UINT nContextId) const
{
    if (m_bHelpPresent)
        Show(m_strHelpFile, nContextId);
}

void CVQHelp::ShowBasicHelp(UINT nContextId) const
{
    if (m_bBasicHelpPresent)
        Show(m_strBasicHelpFile, nContextId);
}

int CVQHelp::GetKeywordContext(LPCSTR lpszKeyword)
{
    if (m_index.IsEmpty())
        LoadKeywordIndex();
    if (!lpszKeyword)
        return 0;
    for (SBasicKey* key = m_index.GetHead(); key; key = m_index.GetNext(key)) {
        if (CString(key->keyword).CompareNoCase(lpszKeyword) == 0)
            return key->contextId;
    }
    return 0;
}

void CVQHelp::LoadKeywordIndex()
{
    m_index.RemoveAll();
    const int slash = m_strBasicHelpFile.ReverseFind('\\');
    const int dot = m_strBasicHelpFile.ReverseFind('.');
    if (m_strBasicHelpFile.IsEmpty() || dot < 0 || dot < slash)
        return;
    CString indexFile = m_strBasicHelpFile.Left(dot) + ".kwl";
    if (!FileExists(indexFile)) {
        indexFile = m_strBasicHelpFile.Left(dot) + ".kwd";
        if (!FileExists(indexFile))
            return;
    }
    try {
        CStdioFile file;
        if (!file.Open(indexFile, CFile::modeRead | CFile::shareDenyWrite | CFile::typeText))
            return;
        CString line;
        while (file.ReadString(line)) {
            if (line.IsEmpty() || line[0] == '#')
                continue;
            const int comma = line.Find(',');
            if (comma <= 0)
                continue;
            CString keyword = line.Left(comma);
            keyword.Trim();
            if (keyword.IsEmpty())
                continue;
            SBasicKey key = {};
            std::strncpy(key.keyword, keyword.Left(16), 16);
            key.contextId = std::atoi(line.Mid(comma + 1));
            m_index.AddTail(key);
        }
    } catch (CException* e) {
        // What was read so far stays in the index.
        e->Delete();
    }
}

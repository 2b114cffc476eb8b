#include "foundation/filepath.h"

void CFilePath::SetPath(LPCSTR path)
{
    const CString text = path;
    const int slash = text.ReverseFind('\\');
    if (slash < 0) {
        m_directory.Empty();
        m_name.Empty();
        m_extension.Empty();
        return;
    }
    const int dot = text.ReverseFind('.');
    CString rest = text;
    if (dot > slash) {
        m_extension = text.Mid(dot + 1);
        rest = text.Left(dot);
    } else {
        m_extension.Empty();
    }
    m_name = rest.Mid(slash + 1);
    m_directory = rest.Left(slash);
}

BOOL CFilePath::SetDirectory(LPCSTR folder)
{
    m_directory = folder;
    m_directory.TrimRight('\\');
    return TRUE;
}

BOOL CFilePath::SetFileName(LPCSTR fileName)
{
    const CString text = fileName;
    if (text.Find('\\') >= 0)
        return FALSE;
    const int dot = text.ReverseFind('.');
    if (dot < 0) {
        m_name = text;
        m_extension.Empty();
    } else {
        m_name = text.Left(dot);
        m_extension = text.Mid(dot + 1);
    }
    return TRUE;
}

BOOL CFilePath::SetExtension(LPCSTR extension)
{
    const CString text = extension;
    if (text.Find('\\') >= 0)
        return FALSE;
    m_extension = text;
    return TRUE;
}

CString CFilePath::GetFullPath() const
{
    return m_directory + "\\" + m_name + "." + m_extension;
}

CString CFilePath::GetPathWithoutExtension() const
{
    return m_directory + "\\" + m_name;
}

CString CFilePath::GetFullName() const
{
    return m_extension.IsEmpty() ? m_name : m_name + "." + m_extension;
}

void CFilePath::AppendDirectory(LPCSTR subfolder)
{
    CString folder = subfolder;
    folder.Trim('\\');
    m_directory += "\\" + folder;
}

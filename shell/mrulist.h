// CMRUList: the most recently used files, most recent first, stored as one
// string value per entry under a registry key and shown as a submenu of
// the owner window's menu with one command per entry.
#pragma once

#include <windows.h>

#include "framework/collections.h"
#include "framework/cstring.h"

class CWnd;

class CMRUList {
public:
    // The entries use the commands nFirstID, nFirstID + 1, ...
    CMRUList(CWnd* pOwner, UINT nFirstID, HKEY hRoot, LPCSTR lpszKeyPath);
    virtual ~CMRUList() = default;

    // Replace the defaults ("File%d", "&File", "&Recent Files"); null
    // changes nothing.
    void SetValueNameFormat(LPCSTR lpszFormat);
    void SetMenuName(LPCSTR lpszName);
    void SetSubMenuName(LPCSTR lpszName);

    // Puts the path at the head: an entry already listed (exact match)
    // moves there, a new one pushes the oldest out beyond the maximum.
    void Add(LPCSTR lpszPath);
    // Reads the values from index 0 up, stopping at the first empty one
    // (TRUE) or the first that cannot be read (FALSE); FALSE when the key
    // cannot be opened.
    BOOL Load();
    // Writes each entry and deletes the values of the indexes beyond the
    // list.
    void Save() const;
    // The path at index, empty outside the list.
    CString GetEntry(int nIndex) const;
    int GetCount() const { return static_cast<int>(m_entries.GetCount()); }
    int GetMaxCount() const { return m_nMaxEntries; }

    // Refills the submenu with the entries, in list order.
    void UpdateMenu() const;
    // Enables (TRUE) or grays the submenu's item.
    void EnableMenu(BOOL bEnable) const;

private:
    CString ValueName(int nIndex) const;
    // The submenu's item: its parent popup and position; FALSE when absent.
    BOOL FindSubMenuItem(HMENU& hParent, int& nPos) const;

    CStringList m_entries;
    UINT m_nFirstID;
    int m_nMaxEntries = 5;
    HKEY m_hRoot;
    CString m_strKeyPath;
    CString m_strValueFormat = "File%d";
    CString m_strMenuName = "&File";
    CString m_strSubMenuName = "&Recent Files";
    CWnd* m_pOwner;
};

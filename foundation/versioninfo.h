// CVersionInfo: the version resource of the program's own file and,
// optionally, of a second file (the language library): the version text
// of the about box and splash screen, the copyright line, and the check
// that a language library carries the program's exact version. CCharFile: a thin file for writing text by characters
// and lines.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/cstring.h"
#include "framework/file.h"

class CVersionInfo {
public:
    // From the application's help-file path: when its fourth character
    // from the end is ".", the three-letter extension becomes "exe" and
    // that file's version block is read. Without an application or help
    // path everything stays empty.
    CVersionInfo();
    explicit CVersionInfo(LPCSTR helpFilePath);

    // Drops the second block; a non-empty path must name an existing file
    // (else FALSE); that file's block and translation are read. An empty
    // path clears the second file.
    BOOL SetOtherFile(LPCSTR path);

    // "%u.%u.%u.%u" of the file version; with withSpecialBuild and a
    // non-empty "SpecialBuild" string, a space and that string follow.
    // Empty without a block.
    CString GetVersionText(BOOL withSpecialBuild = TRUE) const;
    CString GetOtherVersionText(BOOL withSpecialBuild = TRUE) const;
    // The own file's "LegalCopyright"; empty when absent.
    CString GetCopyright() const;
    // FALSE unless both paths are set and both files exist; TRUE when both
    // version texts (with special build) are equal.
    BOOL IsSameVersion() const;

    const CString& GetFilePath() const { return m_path; }
    const CString& GetOtherFilePath() const { return m_otherPath; }

private:
    struct Block {
        DWORD translation = 0; // language low, code page high
        std::vector<BYTE> data;
    };
    static void ReadBlock(const CString& path, Block& block);
    static CString VersionText(const Block& block, BOOL withSpecialBuild);
    static CString StringValue(const Block& block, LPCSTR name);

    CString m_path;
    Block m_own;
    CString m_otherPath;
    Block m_other;
};

class CCharFile : public CFile {
public:
    CCharFile() = default;
    // Opens the file when a name is given (failure leaves it closed).
    CCharFile(LPCSTR fileName, UINT openFlags);
    ~CCharFile() override = default;

    // Stores the path text only.
    void SetFilePath(LPCTSTR path) override { CFile::SetFilePath(path); }

    // FALSE when the file is not open or the write fails.
    BOOL WriteChar(char ch);
    // Each character up to the terminating zero; nothing for null.
    BOOL WriteString(LPCSTR text);
    // The text and "\r\n"; nothing for null.
    BOOL WriteLine(LPCSTR text);
    BOOL IsOpen() const { return m_hFile != hFileNull; }
    // The full path from the file status; empty when it cannot be read.
    CString GetFullPath() const;

private:
    BOOL WriteBytes(const char* bytes, UINT count);
};

// CASCIICoder turns a file of arbitrary bytes into printable text that can
// pass through the controller's text channels, and back; the IEC project
// travels in the project folder this way.
//
// Coded text: the source length in decimal and CR LF, "{", then one group
// of four characters per three source bytes, "}" and CR LF. The three
// bytes form a 24-bit little-endian value v whose four 6-bit parts, lowest
// first, are each written as the character 35 + part ("#" to "b"). After
// every 19 groups comes a CR LF. The last group of a source whose length is
// not a multiple of three carries one or two real bytes; the length tells
// the reader how many.
//
// CScriptResponseChecker holds the rules by which a terminal script
// compares a controller response with the response it expects.
//
// This header includes no Win32 header.
#pragma once

#include <string>

#include "foundation/containers.h"
#include "framework/cstring.h"

// The coded text of bytes.
std::string EncodeAsciiText(const std::string& bytes);
// The bytes of a coded text. False, with bytes empty, when the length is
// missing, longer than 15 digits or not a number, when a character of a
// group is outside "#" to "b", when a group is cut short, or when "}" (or
// the end of the text) comes before the length is reached.
bool DecodeAsciiText(const std::string& text, std::string& bytes);

class CASCIICoder {
public:
    CASCIICoder() = default;
    virtual ~CASCIICoder() = default;

    // A source that does not exist is success with nothing written (there
    // is nothing to carry). An empty source, or a source that cannot be
    // read, is failure. The target is replaced whole through a temporary
    // file, so a failed write (reported as failure) leaves it as it was.
    BOOL EncodeFile(LPCSTR sourcePath, LPCSTR targetPath);
    // A source that does not exist is success with nothing written. A
    // source that does not decode (DecodeAsciiText) fails before the
    // target is touched; the target is replaced as by EncodeFile.
    BOOL DecodeFile(LPCSTR sourcePath, LPCSTR targetPath);
};

class CScriptResponseChecker : public CTList<CString> {
public:
    // Empties list and appends each "|"-separated part of text with blanks
    // trimmed at both ends; a last part that is empty is left out, so an
    // empty text gives an empty list.
    static void SplitAlternatives(LPCSTR text, CTList<CString>& list);
    // The same into this list.
    void SplitAlternatives(LPCSTR text) { SplitAlternatives(text, *this); }
    // Equal texts, case counted.
    static bool IsExactMatch(LPCSTR expected, LPCSTR received);
};

// The folder of files shared by the maker's programs: %CommonProgramFiles%
// and "VexoLabs".
void GetMakerCommonFolder(CString& folder);

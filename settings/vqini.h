// CVQIni: the product INI file "Vorta.ini" beside the program, read for
// the descriptions of I/O points.
#pragma once

#include "foundation/inifile.h"

class CVQIni : public CIniFile {
public:
    // The program folder's "Vorta.ini".
    CVQIni();
    // Another file (tests, other installations).
    explicit CVQIni(LPCSTR path);

    // The file name beside the program.
    static CString GetDefaultPath();

    // The text of entry "%c_%04d" (kind letter, point number) in section
    // "IO_Description_" + suffix (the controller model name); empty when
    // absent. kind is 'I' for an input, 'O' for an output.
    CString GetIODescription(LPCSTR suffix, char kind, int number);
    // The same with the number first, as the live I/O tools call it.
    CString GetIODescription(LPCSTR suffix, int number, char kind) { return GetIODescription(suffix, kind, number); }
};

#include "settings/vqini.h"

#include "foundation/fileutil.h"

CVQIni::CVQIni() : CIniFile(GetDefaultPath()) {}

CVQIni::CVQIni(LPCSTR path) : CIniFile(path) {}

CString CVQIni::GetDefaultPath()
{
    return GetProgramDirectory() + "\\Vorta.ini";
}

CString CVQIni::GetIODescription(LPCSTR suffix, char kind, int number)
{
    CString key;
    key.Format("%c_%04d", kind, number);
    return GetString(CString("IO_Description_") + (suffix ? suffix : ""), key, "");
}

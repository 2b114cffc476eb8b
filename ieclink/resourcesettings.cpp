// The resource settings file of a project and the controller's address in
// it.
#include <cstdio>
#include <cstdlib>

#include "framework/prompt.h"
#include "foundation/fileutil.h"
#include "ieclink/kwmpelink.h"
#include "ieclink/kwmpelink_ids.h"

namespace {

const char kDefaultCommLibrary[] = ".\\plc\\socomm.dll";
const char kDefaultControllerAddress[] = "192.168.0.250";
const DWORD kDefaultPort = 41100;
const DWORD kDefaultTimeout = 2000;

void ShowOpenFailure(const CString& path)
{
    CString text;
    text.Format("Unable to open file: %s", path.GetString());
    AfxMessageBox(text, MB_OK);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The option's value: from after the option name up to the next blank or
// the line's end.
CString OptionValue(const CString& line, int start)
{
    int end = start;
    while (end < line.GetLength() && !IsBlank(line[end]))
        ++end;
    return line.Mid(start, end - start);
}

// A decimal number that fits 32 bits; false for anything else.
bool ParseDword(const CString& text, DWORD& value)
{
    if (text.IsEmpty())
        return false;
    unsigned long long v = 0;
    for (int i = 0; i < text.GetLength(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
        if (v > 0xFFFFFFFFull)
            return false;
    }
    value = static_cast<DWORD>(v);
    return true;
}

} // namespace

ResourceSettings::ResourceSettings(const CString& path)
    : m_strFilePath(path), m_strCommLibrary(kDefaultCommLibrary), m_nPort(kDefaultPort), m_nTimeout(kDefaultTimeout)
{
    m_address.SetAddressText(kDefaultControllerAddress);
}

CString ResourceSettings::Format() const
{
    CString text;
    text.Format("REOURCE\r\n    COMPORT: DLL %s -ip%s -p%lu -TO%lu\r\nEND_REOURCE\r\n", m_strCommLibrary.GetString(),
                m_address.GetAddressText().GetString(), static_cast<unsigned long>(m_nPort),
                static_cast<unsigned long>(m_nTimeout));
    return text;
}

int ResourceSettings::Write(const CString& path)
{
    FILE* file = fopen(path, "wb");
    if (!file) {
        ShowOpenFailure(path);
        return 0;
    }
    const CString text = Format();
    const bool written = fwrite(text.GetString(), 1, static_cast<size_t>(text.GetLength()), file) ==
                         static_cast<size_t>(text.GetLength());
    const bool closed = fclose(file) == 0;
    return written && closed ? 1 : 0;
}

int ResourceSettings::Read()
{
    FILE* file = fopen(m_strFilePath, "rb");
    if (!file) {
        ShowOpenFailure(m_strFilePath);
        return 0;
    }
    CString text;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
        text.Append(buffer, static_cast<int>(got));
    fclose(file);
    return Parse(text);
}

int ResourceSettings::Parse(const CString& text)
{
    // The first line that holds "COMPORT", in any column.
    CString line;
    int start = 0;
    bool found = false;
    while (start < text.GetLength()) {
        int end = text.Find('\n', start);
        if (end < 0)
            end = text.GetLength();
        line = text.Mid(start, end - start);
        line.TrimRight("\r");
        start = end + 1;
        CString upper = line;
        upper.MakeUpper();
        if (upper.Find("COMPORT") >= 0) {
            found = true;
            break;
        }
    }
    if (!found)
        return 0;
    CString upper = line;
    upper.MakeUpper();
    const int comport = upper.Find("COMPORT");
    const int dll = upper.Find("DLL", comport);
    if (dll < 0 || dll + 3 >= upper.GetLength() || !IsBlank(upper[dll + 3]))
        return 0;
    int first = dll + 3;
    while (first < upper.GetLength() && IsBlank(upper[first]))
        ++first;
    const int dotDll = upper.Find(".DLL", first);
    if (dotDll < 0 || dotDll + 4 >= upper.GetLength())
        return 0;
    m_strCommLibrary = line.Mid(first, dotDll + 4 - first);
    const int optionsStart = dotDll + 4;
    if (!IsBlank(upper[optionsStart]))
        return 1;

    // The options follow the library's name, so a "-p" inside its path is
    // not taken for one.
    const int ip = upper.Find("-IP", optionsStart);
    if (ip >= 0) {
        const CString value = OptionValue(line, ip + 3);
        CIP4Address address;
        if (!value.IsEmpty() && address.SetAddressText(value))
            m_address = address;
    }
    const int port = upper.Find("-P", optionsStart);
    if (port >= 0)
        ParseDword(OptionValue(line, port + 2), m_nPort);
    const int timeout = upper.Find("-TO", optionsStart);
    if (timeout >= 0)
        ParseDword(OptionValue(line, timeout + 3), m_nTimeout);
    return 1;
}

// ----------------------------------------------------- CKWMPELink ---

CString CKWMPELink::LocateResourceSettingsFile(const CDispatchPtr& resource)
{
    if (!m_app) {
        Fail(IDS_KW_INVALID_APPLICATION);
        return CString();
    }
    if (!resource) {
        Fail(IDS_KW_INVALID_RESOURCE);
        return CString();
    }
    try {
        CDispatchPtr project = CurrentProject();
        if (!project) {
            Fail(IDS_KW_INVALID_PROJECT);
            return CString();
        }
        CDispatchPtr defaultResource = GetDefaultResource();
        const CString projectPath = project.Read("Path").ToString();
        const CString name = defaultResource ? defaultResource.Read("Name").ToString() : CString();
        if (!DirectoryExists(projectPath) || name.IsEmpty())
            return CString();
        return projectPath + "\\C\\Configuration\\R\\" + name + "\\" + name + ".set";
    } catch (const CAutomationError& error) {
        FailCode(error.code);
        return CString();
    }
}

CDispatchPtr CKWMPELink::SettingsResource()
{
    if (!m_app) {
        Fail(IDS_KW_INVALID_APPLICATION);
        return CDispatchPtr();
    }
    if (!IsProjectOpen()) {
        Fail(IDS_KW_NO_PROJECT_OPEN);
        return CDispatchPtr();
    }
    try {
        if (!CurrentProject()) {
            Fail(IDS_KW_INVALID_PROJECT);
            return CDispatchPtr();
        }
    } catch (const CAutomationError& error) {
        FailCode(error.code);
        return CDispatchPtr();
    }
    CDispatchPtr resource = GetDefaultResource();
    if (!resource)
        Fail(IDS_KW_INVALID_RESOURCE);
    return resource;
}

int CKWMPELink::GetIPAddress(CIP4Address& address)
{
    address = CIP4Address();
    CDispatchPtr resource = SettingsResource();
    if (!resource)
        return 0;
    ResourceSettings settings(LocateResourceSettingsFile(resource));
    if (!settings.m_strFilePath.IsEmpty() && PathExists(settings.m_strFilePath))
        settings.Read();
    address = settings.m_address;
    return 1;
}

int CKWMPELink::SetIPAddress(const CIP4Address& address)
{
    CDispatchPtr resource = SettingsResource();
    if (!resource)
        return 0;
    ResourceSettings settings(LocateResourceSettingsFile(resource));
    if (!settings.m_strFilePath.IsEmpty() && PathExists(settings.m_strFilePath) && !settings.Read())
        return Fail(IDS_KW_ERROR_READING_FILE, settings.m_strFilePath.GetString());

    settings.m_address = address;
    const CString temporary = MakeTempFileName("RESRC", "set");
    int result = 0;
    if (!settings.Write(temporary)) {
        Fail(IDS_KW_ERROR_WRITING_FILE, temporary.GetString());
    } else {
        try {
            const HRESULT code = resource.Call("ImportSettings", {temporary.GetString()}).ToLong();
            result = FAILED(code) ? Fail(IDS_KW_IMPORT_FAILED) : 1;
        } catch (const CAutomationError& error) {
            result = FailCode(error.code);
        }
    }
    if (PathExists(temporary))
        ::DeleteFileA(temporary);
    return result;
}

int CKWMPELink::ShowControlDialog(int flag)
{
    CDispatchPtr resource = GetDefaultResource();
    if (!resource)
        return Fail(IDS_KW_INVALID_RESOURCE);
    try {
        const HRESULT code = resource.Call("ShowControlDialog", {CVariant::Short(static_cast<short>(flag))}).ToLong();
        if (FAILED(code))
            return FailCode(code);
    } catch (const CAutomationError& error) {
        return FailCode(error.code);
    }
    return 1;
}

#include "link/commlinks.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "foundation/logline.h"
#include "foundation/registry.h"
#include "settings/vqregistry.h"

namespace {

CString LinksKey()
{
    CString key = CVQRegistry::KeyPath(VQKEY_CommLinks);
    key.TrimRight('\\');
    return key;
}

CString LinkKey(int n)
{
    CString key;
    key.Format("%s\\Link%02d", LinksKey().GetString(), n);
    return key;
}

// The link type of a "Type" text; 0 for a text of no type.
int TypeFromText(const CString& text)
{
    static const struct {
        const char* text;
        int type;
    } kTypes[] = {
        {"Serial", LINK_TYPE_SERIAL},     {"USB", LINK_TYPE_USB}, {"QCSim", LINK_TYPE_SIMULATOR},
        {"Ethernet", LINK_TYPE_ETHERNET}, {"PCI", LINK_TYPE_PCI}, {"FINS", LINK_TYPE_FINS},
    };
    for (const auto& entry : kTypes) {
        if (text.CompareNoCase(entry.text) == 0)
            return entry.type;
    }
    return LINK_TYPE_NONE;
}

const char* TypeText(int type)
{
    switch (type) {
    case LINK_TYPE_SERIAL:
        return "Serial";
    case LINK_TYPE_USB:
        return "USB";
    case LINK_TYPE_SIMULATOR:
        return "QCSim";
    case LINK_TYPE_ETHERNET:
        return "Ethernet";
    case LINK_TYPE_PCI:
        return "PCI";
    case LINK_TYPE_FINS:
        return "FINS";
    default:
        return nullptr;
    }
}

CString FieldText(const char* field, std::size_t size)
{
    std::size_t length = 0;
    while (length < size && field[length])
        ++length;
    return CString(field, static_cast<int>(length));
}

// A serial port name: not empty, and "COM" followed by a number names
// ports 1 and up.
bool IsUsablePortName(const CString& name)
{
    if (name.IsEmpty())
        return false;
    if (name.GetLength() <= 3 || name.Left(3).CompareNoCase("COM") != 0)
        return name.Left(3).CompareNoCase("COM") != 0;
    unsigned long number = 0;
    for (int i = 3; i < name.GetLength(); ++i) {
        const char ch = name[i];
        if (ch < '0' || ch > '9')
            return true; // some other device name
        number = number * 10 + static_cast<unsigned long>(ch - '0');
    }
    return number >= 1;
}

void ReadSerial(const CRegistry& reg, int n, CCommPortData& record)
{
    SerialLinkData& serial = record.m_data.serial;
    CString text;
    if (reg.GetString("CommPort", text)) {
        if (text.GetLength() > SERIAL_PORT_NAME_MAX)
            GlobalLogFormat(LOG_STATUS_ERRORS, "Link%02d: CommPort \"%s\" is too long", n, text.GetString());
        else if (!IsUsablePortName(text))
            GlobalLogFormat(LOG_STATUS_ERRORS, "Link%02d: CommPort \"%s\" names no port", n, text.GetString());
        else
            record.SetSerial(text, serial.m_nBaudRate, serial.m_nDataBits, serial.m_nStopBits, serial.m_nParity);
    }
    DWORD value = 0;
    if (reg.GetDword("BaudRate", value) && value != 0)
        serial.m_nBaudRate = value;
    if (reg.GetDword("DataBits", value) && (value == 7 || value == 8))
        serial.m_nDataBits = static_cast<std::uint8_t>(value);
    if (reg.GetString("StopBits", text))
        serial.m_nStopBits = StopBitsFromText(text);
    if (reg.GetString("Parity", text))
        serial.m_nParity = ParityFromText(text);
}

} // namespace

int GetCommLinkCount()
{
    int count = 0;
    while (CRegistry(HKEY_CURRENT_USER, LinkKey(count)).KeyExists())
        ++count;
    return count;
}

int GetCommLink(int n, CCommPortData& record)
{
    const CRegistry reg(HKEY_CURRENT_USER, LinkKey(n));
    if (n < 0 || !reg.KeyExists())
        return 0;
    CString typeText;
    if (!reg.GetString("Type", typeText))
        typeText = "Serial";
    const int type = TypeFromText(typeText);
    if (type == LINK_TYPE_NONE)
        return 0;

    DWORD value = 0;
    CString text;
    if ((type == LINK_TYPE_PCI || type == LINK_TYPE_FINS) && reg.GetDword("Order", value))
        record.m_nOrder = static_cast<std::int32_t>(value);
    record.SetTypeDefaults(type);
    switch (type) {
    case LINK_TYPE_SERIAL:
        ReadSerial(reg, n, record);
        break;
    case LINK_TYPE_USB:
        if (reg.GetDword("Address", value) && value != 0)
            record.SetNumber(static_cast<std::uint16_t>(value));
        break;
    case LINK_TYPE_ETHERNET: {
        const EthernetLinkData& ethernet = record.m_data.ethernet;
        if (reg.GetString("Address", text) && !text.IsEmpty())
            record.SetEthernet(text, ethernet.m_nPort);
        if (reg.GetDword("IP_Port", value)) {
            if (value >= 1 && value <= 65535)
                record.SetEthernet(FieldText(ethernet.m_szAddress, sizeof ethernet.m_szAddress), value);
            else
                GlobalLogFormat(LOG_STATUS_ERRORS, "Link%02d: IP_Port %lu is out of range", n,
                                static_cast<unsigned long>(value));
        }
        break;
    }
    case LINK_TYPE_PCI:
        if (reg.GetDword("BoardNumber", value))
            record.SetNumber(static_cast<std::uint16_t>(value));
        break;
    case LINK_TYPE_FINS:
        if (reg.GetString("Config", text)) {
            if (text.GetLength() < FINS_CONFIG_SIZE)
                record.SetFinsConfig(text);
            else
                GlobalLogFormat(LOG_STATUS_ERRORS, "Link%02d: Config of %d characters is too long", n,
                                text.GetLength());
        }
        break;
    default:
        break; // the simulator link has nothing more
    }
    if (reg.GetDword("Active", value))
        record.m_nActive = static_cast<std::int32_t>(value);
    return 1;
}

int SetCommLink(int n, const CCommPortData& record)
{
    const char* typeText = TypeText(record.m_nType);
    if (n < 0 || !typeText)
        return 0;
    CRegistry reg;
    if (!reg.CreateAndOpen(HKEY_CURRENT_USER, LinkKey(n)))
        return 0;
    bool ok = reg.SetString("Type", typeText) != FALSE;
    const CommLinkTypeData& data = record.m_data;
    switch (record.m_nType) {
    case LINK_TYPE_SERIAL:
        ok = ok && reg.SetString("CommPort", FieldText(data.serial.m_szPort, sizeof data.serial.m_szPort));
        ok = ok && reg.SetDword("BaudRate", data.serial.m_nBaudRate);
        ok = ok && reg.SetDword("DataBits", data.serial.m_nDataBits);
        ok = ok && reg.SetString("StopBits", StopBitsText(data.serial.m_nStopBits));
        ok = ok && reg.SetString("Parity", CString(ParityLetter(data.serial.m_nParity)));
        break;
    case LINK_TYPE_USB:
        ok = ok && reg.SetDword("Address", data.number.m_nNumber);
        break;
    case LINK_TYPE_SIMULATOR:
        ok = ok && reg.SetDword("Unused", 0);
        break;
    case LINK_TYPE_ETHERNET:
        ok = ok && reg.SetString("Address", FieldText(data.ethernet.m_szAddress, sizeof data.ethernet.m_szAddress));
        ok = ok && reg.SetDword("IP_Port", data.ethernet.m_nPort);
        break;
    case LINK_TYPE_PCI:
        ok = ok && reg.SetDword("BoardNumber", data.number.m_nNumber);
        ok = ok && reg.SetDword("Order", static_cast<DWORD>(record.m_nOrder));
        break;
    case LINK_TYPE_FINS:
        ok = ok && reg.SetString("Config", FieldText(data.fins.m_szConfig, sizeof data.fins.m_szConfig));
        ok = ok && reg.SetDword("Order", static_cast<DWORD>(record.m_nOrder));
        break;
    default:
        break;
    }
    ok = ok && reg.SetDword("Active", static_cast<DWORD>(record.m_nActive));
    return ok ? 1 : 0;
}

void DeleteCommLink(int n)
{
    CString name;
    name.Format("Link%02d", n);
    CRegistry(HKEY_CURRENT_USER, LinksKey()).DeleteSubKey(name);
}

void GetCommsByOrder(CStringList& names)
{
    names.RemoveAll();
    const CString comms = CVQRegistry::KeyPath(VQKEY_Comms);
    CStringList subkeys;
    CRegistry(HKEY_CURRENT_USER, comms).GetSubKeyNames(subkeys);
    std::vector<std::pair<DWORD, CString>> ordered;
    for (POSITION pos = subkeys.GetHeadPosition(); pos;) {
        const CString& name = subkeys.GetNext(pos);
        DWORD order = 0;
        CRegistry(HKEY_CURRENT_USER, comms + "\\" + name).GetDword("Order", order);
        ordered.emplace_back(order, name);
    }
    std::stable_sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first)
            return a.first < b.first;
        return a.second.Compare(b.second) < 0;
    });
    for (const auto& entry : ordered)
        names.AddTail(entry.second);
}

#include "link/commportdata.h"

#include <cctype>
#include <cstring>

#include "foundation/textutil.h"

namespace {

// Copies at most maxChars characters of text and fills the rest of the
// field with NULs, so a field never holds bytes of an older value.
void CopyField(char* field, std::size_t size, LPCSTR text, std::size_t maxChars)
{
    std::memset(field, 0, size);
    if (text)
        CopyTextBounded(field, static_cast<int>(size), text, static_cast<int>(maxChars));
}

// Compares two text fields up to their terminators (or their size).
bool SameText(const char* a, const char* b, std::size_t size)
{
    return std::strncmp(a, b, size) == 0;
}

} // namespace

CCommPortData::CCommPortData()
{
    std::memset(static_cast<void*>(this), 0, sizeof *this);
    SetDefault();
}

void CCommPortData::SetDefault()
{
    SetName("NONE");
    m_nType = LINK_TYPE_NONE;
    m_nActive = 1;
    m_nOrder = 0;
}

void CCommPortData::SetTypeDefaults(int type)
{
    std::memset(m_data.m_bytes, 0, sizeof m_data.m_bytes);
    m_nType = type;
    switch (type) {
    case LINK_TYPE_SERIAL:
        SetSerial(DEFAULT_SERIAL_PORT, DEFAULT_BAUD_RATE, 7, LINK_STOP_BITS_2, LINK_PARITY_EVEN);
        break;
    case LINK_TYPE_ETHERNET:
        SetEthernet(DEFAULT_ETHERNET_ADDRESS, DEFAULT_ETHERNET_PORT);
        break;
    default:
        break; // numbers 0, an empty FINS configuration
    }
}

void CCommPortData::SetName(LPCSTR name)
{
    CopyField(m_szName, sizeof m_szName, name, COMM_LINK_NAME_SIZE - 1);
}

void CCommPortData::SetSerial(LPCSTR port, std::uint32_t baudRate, int dataBits, int stopBits, int parity)
{
    SerialLinkData& serial = m_data.serial;
    CopyField(serial.m_szPort, sizeof serial.m_szPort, port, SERIAL_PORT_NAME_MAX);
    serial.m_nBaudRate = baudRate;
    serial.m_nDataBits = static_cast<std::uint8_t>(dataBits);
    serial.m_nStopBits = stopBits;
    serial.m_nParity = parity;
}

void CCommPortData::SetEthernet(LPCSTR address, std::uint32_t port)
{
    EthernetLinkData& ethernet = m_data.ethernet;
    CopyField(ethernet.m_szAddress, sizeof ethernet.m_szAddress, address, ETHERNET_ADDRESS_SIZE - 1);
    ethernet.m_nReserved = 0;
    ethernet.m_nPort = port;
}

void CCommPortData::SetNumber(std::uint16_t number)
{
    m_data.number.m_nNumber = number;
}

void CCommPortData::SetFinsConfig(LPCSTR config)
{
    CopyField(m_data.fins.m_szConfig, sizeof m_data.fins.m_szConfig, config, FINS_CONFIG_SIZE - 1);
}

bool CCommPortData::IsEqual(const CCommPortData& other) const
{
    if (!SameText(m_szName, other.m_szName, sizeof m_szName) || m_nType != other.m_nType)
        return false;
    switch (m_nType) {
    case LINK_TYPE_SERIAL: {
        const SerialLinkData& a = m_data.serial;
        const SerialLinkData& b = other.m_data.serial;
        return SameText(a.m_szPort, b.m_szPort, sizeof a.m_szPort) && a.m_nBaudRate == b.m_nBaudRate &&
               a.m_nDataBits == b.m_nDataBits && a.m_nStopBits == b.m_nStopBits && a.m_nParity == b.m_nParity;
    }
    case LINK_TYPE_ETHERNET: {
        const EthernetLinkData& a = m_data.ethernet;
        const EthernetLinkData& b = other.m_data.ethernet;
        return SameText(a.m_szAddress, b.m_szAddress, sizeof a.m_szAddress) && a.m_nReserved == b.m_nReserved &&
               a.m_nPort == b.m_nPort;
    }
    case LINK_TYPE_FINS:
        return SameText(m_data.fins.m_szConfig, other.m_data.fins.m_szConfig, sizeof m_data.fins.m_szConfig);
    case LINK_TYPE_NONE:
    case LINK_TYPE_USB:
    case LINK_TYPE_SIMULATOR:
    case LINK_TYPE_PCI:
        return m_data.number.m_nNumber == other.m_data.number.m_nNumber;
    default:
        return false;
    }
}

CString CCommPortData::ParseFinsAddressText(LPCSTR config)
{
    CString result;
    if (!config)
        return result;
    const CString text(config);
    const int section = text.Find("[ADDRESS]");
    if (section < 0)
        return result;
    // One "KEY:value" entry after the section start, without its ";".
    auto entry = [&](LPCSTR key) -> CString {
        const int start = text.Find(key, section);
        if (start < 0)
            return CString();
        const int end = text.Find(';', start);
        return end < 0 ? CString() : text.Mid(start, end - start);
    };
    result = entry(text.Find("NET:ETHERNET") >= 0 ? "IPADDR:" : "DA1:");
    const CString second = entry("DA2:");
    if (!second.IsEmpty()) {
        if (!result.IsEmpty())
            result += ";";
        result += second;
    }
    return result;
}

CString CCommPortData::FormatDescription(bool verbose) const
{
    CString title;
    CString detail;
    switch (m_nType) {
    case LINK_TYPE_NONE:
        title = "None";
        break;
    case LINK_TYPE_SERIAL: {
        const SerialLinkData& serial = m_data.serial;
        char port[SERIAL_PORT_NAME_SIZE + 1] = {};
        std::memcpy(port, serial.m_szPort, sizeof serial.m_szPort);
        const unsigned long baud = serial.m_nBaudRate;
        const unsigned dataBits = serial.m_nDataBits;
        const char parity = ParityLetter(serial.m_nParity);
        const char* stopBits = StopBitsText(serial.m_nStopBits);
        if (verbose) {
            title = "Serial";
            detail.Format("%s:%lu,%u,%c,%s", port, baud, dataBits, parity, stopBits);
        } else {
            title = port;
            detail.Format("%lu,%u,%c,%s", baud, dataBits, parity, stopBits);
        }
        break;
    }
    case LINK_TYPE_USB:
        title = "USB";
        detail.Format("%u", static_cast<unsigned>(m_data.number.m_nNumber));
        break;
    case LINK_TYPE_SIMULATOR:
        title = "QCSim";
        break;
    case LINK_TYPE_ETHERNET: {
        char address[ETHERNET_ADDRESS_SIZE + 1] = {};
        std::memcpy(address, m_data.ethernet.m_szAddress, sizeof m_data.ethernet.m_szAddress);
        if (verbose) {
            title = "Ethernet";
            detail.Format("%s:%lu", address, static_cast<unsigned long>(m_data.ethernet.m_nPort));
        } else {
            title = "ENet";
            detail = address;
        }
        break;
    }
    case LINK_TYPE_PCI:
        title = "PCI";
        detail.Format("%u", static_cast<unsigned>(m_data.number.m_nNumber));
        break;
    case LINK_TYPE_FINS: {
        char config[FINS_CONFIG_SIZE + 1] = {};
        std::memcpy(config, m_data.fins.m_szConfig, sizeof m_data.fins.m_szConfig);
        title = "FINS";
        detail = ParseFinsAddressText(config);
        break;
    }
    default:
        break;
    }
    if (detail.IsEmpty())
        return title;
    if (title.IsEmpty())
        return verbose ? "?:" + detail : detail;
    return title + ":" + detail;
}

int StopBitsFromText(LPCSTR text)
{
    if (text && std::strcmp(text, "1") == 0)
        return LINK_STOP_BITS_1;
    if (text && std::strcmp(text, "1.5") == 0)
        return LINK_STOP_BITS_1_5;
    return LINK_STOP_BITS_2;
}

const char* StopBitsText(int stopBits)
{
    switch (stopBits) {
    case LINK_STOP_BITS_1:
        return "1";
    case LINK_STOP_BITS_1_5:
        return "1.5";
    default:
        return "2";
    }
}

int ParityFromText(LPCSTR text)
{
    if (!text)
        return LINK_PARITY_NONE;
    switch (std::tolower(static_cast<unsigned char>(text[0]))) {
    case 'o':
        return LINK_PARITY_ODD;
    case 'e':
        return LINK_PARITY_EVEN;
    case 'm':
        return LINK_PARITY_MARK;
    case 's':
        return LINK_PARITY_SPACE;
    default:
        return LINK_PARITY_NONE;
    }
}

char ParityLetter(int parity)
{
    static const char kLetters[] = "noems";
    return (parity >= LINK_PARITY_NONE && parity <= LINK_PARITY_SPACE) ? kLetters[parity] : 'n';
}

void CCommPortData::SetLinkDefaults(LPCSTR name, int type)
{
    SetDefault();
    SetName(name);
    SetTypeDefaults(type);
}

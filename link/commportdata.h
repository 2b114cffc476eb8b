// CCommPortData: the description of one communications link, which medium
// it uses and the medium's settings. A plain value record with fixed-width
// fields, copied whole between owners: the link dialogs edit it, the
// settings store keeps one per configured link, the controller connection
// hands the chosen one to its link object, and the main frame shows its
// description text.
//
// A record is zeroed at construction, so bytes a type does not use never
// carry stale data; comparison looks only at the fields the record's type
// uses.
//
// This header includes no Win32 header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/cstring.h"

// Link types.
enum : int {
    LINK_TYPE_NONE = 0,
    LINK_TYPE_SERIAL = 1,
    LINK_TYPE_USB = 2,
    LINK_TYPE_SIMULATOR = 3, // the simulator window link
    LINK_TYPE_ETHERNET = 4,
    LINK_TYPE_PCI = 5,
    LINK_TYPE_FINS = 6,
};

// Serial stop-bit codes and parity codes.
enum : int { LINK_STOP_BITS_1 = 0, LINK_STOP_BITS_1_5 = 1, LINK_STOP_BITS_2 = 2 };
enum : int {
    LINK_PARITY_NONE = 0,
    LINK_PARITY_ODD = 1,
    LINK_PARITY_EVEN = 2,
    LINK_PARITY_MARK = 3,
    LINK_PARITY_SPACE = 4
};

const int COMM_LINK_NAME_SIZE = 17;   // 16 characters and the NUL
const int COMM_LINK_DATA_SIZE = 4100; // the type's own settings
const int SERIAL_PORT_NAME_SIZE = 8;  // "COM1"; at most 6 characters
const int SERIAL_PORT_NAME_MAX = 6;
const int ETHERNET_ADDRESS_SIZE = 49; // 48 characters and the NUL
const int FINS_CONFIG_SIZE = 4097;    // 4096 characters and the NUL

const char* const DEFAULT_SERIAL_PORT = "COM1";
const std::uint32_t DEFAULT_BAUD_RATE = 9600;
const char* const DEFAULT_ETHERNET_ADDRESS = "192.168.0.250";
const std::uint32_t DEFAULT_ETHERNET_PORT = 23;

struct SerialLinkData {
    char m_szPort[SERIAL_PORT_NAME_SIZE];
    std::uint32_t m_nBaudRate;
    std::uint8_t m_nDataBits; // 7 or 8
    std::uint8_t m_padding[3];
    std::int32_t m_nStopBits; // STOP_BITS_ code
    std::int32_t m_nParity;   // PARITY_ code
};

struct EthernetLinkData {
    char m_szAddress[ETHERNET_ADDRESS_SIZE];
    std::uint8_t m_padding[3];
    std::uint32_t m_nReserved; // 0
    std::uint32_t m_nPort;
};

// USB device, PCI board and the simulator link's (unused) number.
struct NumberLinkData {
    std::uint16_t m_nNumber;
};

struct FinsLinkData {
    char m_szConfig[FINS_CONFIG_SIZE];
};

union CommLinkTypeData {
    std::uint8_t m_bytes[COMM_LINK_DATA_SIZE];
    SerialLinkData serial;
    EthernetLinkData ethernet;
    NumberLinkData number;
    FinsLinkData fins;
};
static_assert(sizeof(CommLinkTypeData) == COMM_LINK_DATA_SIZE);
static_assert(offsetof(SerialLinkData, m_nStopBits) == 16);
static_assert(offsetof(EthernetLinkData, m_nPort) == 56);

struct CCommPortData {
    char m_szName[COMM_LINK_NAME_SIZE];
    std::int32_t m_nType;   // LINK_TYPE_
    std::int32_t m_nActive; // 1: offered when a link is chosen
    std::int32_t m_nOrder;
    CommLinkTypeData m_data;

    // Zeroed, then SetDefault.
    CCommPortData();

    // Name "NONE", type 0, active 1, order 0; the data area is left as it is.
    void SetDefault();
    // Type and the type's default settings, over a cleared data area:
    // serial "COM1" 9600,7,e,2; Ethernet "192.168.0.250" port 23; USB, PCI
    // and simulator number 0; FINS an empty configuration.
    void SetTypeDefaults(int type);
    // A fresh record of a link type: defaults, the given name and the
    // type's own defaults.
    void SetLinkDefaults(LPCSTR name, int type);

    // The name cut to 16 characters (null: empty).
    void SetName(LPCSTR name);
    // The serial settings; the port name is cut to 6 characters.
    void SetSerial(LPCSTR port, std::uint32_t baudRate, int dataBits, int stopBits, int parity);
    // The address is cut to 48 characters.
    void SetEthernet(LPCSTR address, std::uint32_t port);
    // The USB device, PCI board or simulator number.
    void SetNumber(std::uint16_t number);
    // The FINS configuration text, cut to 4096 characters.
    void SetFinsConfig(LPCSTR config);

    // Equal names (case counts), equal types and equal settings of that
    // type: serial port, baud rate, data bits, stop bits and parity;
    // Ethernet address text, reserved word and port; FINS configuration
    // text; none, USB, simulator and PCI the number. A type outside 0..6 is
    // never equal.
    bool IsEqual(const CCommPortData& other) const;

    // The address part of a FINS configuration text: from "[ADDRESS]" on,
    // the "IPADDR:" entry (when "NET:ETHERNET" occurs in the text) or the
    // "DA1:" entry, then ";" and the "DA2:" entry; each entry with its key
    // and without its closing ";". Empty without "[ADDRESS]".
    static CString ParseFinsAddressText(LPCSTR config);

    // The link's description: verbose "Serial:COM1:9600,7,e,2",
    // "Ethernet:192.168.0.250:23"; short "COM1:9600,7,e,2",
    // "ENet:192.168.0.250"; "USB:0", "QCSim", "PCI:0", "None", "FINS" or
    // "FINS:" and the FINS address in both forms.
    CString FormatDescription(bool verbose) const;
};
static_assert(offsetof(CCommPortData, m_nType) == 20);
static_assert(offsetof(CCommPortData, m_data) == 32);
static_assert(sizeof(CCommPortData) == 4132);

// The serial link's text forms of its settings.
// "1" 0, "1.5" 1, anything else 2; and back ("1", "1.5", "2").
int StopBitsFromText(LPCSTR text);
const char* StopBitsText(int stopBits);
// The first letter n, o, e, m or s (either case) gives 0..4; anything else
// 0 (none); and back as one lower-case letter ('n' for an unknown code).
int ParityFromText(LPCSTR text);
char ParityLetter(int parity);

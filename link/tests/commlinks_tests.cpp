#include "link/commlinks.h"

#include <windows.h>

#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/registry.h"
#include "testsupport/memory_log.h"
#include "testsupport/registry_sandbox.h"

namespace {

const char kLinks[] = "Software\\VexoLabs\\Vorta2\\CommLinks";

CRegistry LinkKey(int n)
{
    char path[128];
    std::snprintf(path, sizeof path, "%s\\Link%02d", kLinks, n);
    CRegistry reg;
    EXPECT_TRUE(reg.CreateAndOpen(HKEY_CURRENT_USER, path));
    return reg;
}

CCommPortData Record(int type)
{
    CCommPortData record;
    record.SetTypeDefaults(type);
    return record;
}

std::vector<std::string> Names(const CStringList& list)
{
    std::vector<std::string> names;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        names.push_back(list.GetNext(pos).str());
    return names;
}

class CommLinksTest : public RegistrySandboxTest {};

TEST_F(CommLinksTest, EveryLinkTypeRoundTrips)
{
    CCommPortData serial = Record(LINK_TYPE_SERIAL);
    serial.SetSerial("COM12", 115200, 8, LINK_STOP_BITS_1_5, LINK_PARITY_MARK);
    serial.m_nActive = 0;
    CCommPortData usb = Record(LINK_TYPE_USB);
    usb.SetNumber(4);
    CCommPortData ethernet = Record(LINK_TYPE_ETHERNET);
    ethernet.SetEthernet("127.0.0.1", 4023);
    CCommPortData pci = Record(LINK_TYPE_PCI);
    pci.SetNumber(7);
    pci.m_nOrder = 3;
    CCommPortData fins = Record(LINK_TYPE_FINS);
    fins.SetFinsConfig("NET:ETHERNET;[ADDRESS]IPADDR:10.1.1.2;DA2:0;");
    fins.m_nOrder = 5;
    const CCommPortData links[] = {serial, usb, Record(LINK_TYPE_SIMULATOR), ethernet, pci, fins};

    for (int n = 0; n < 6; ++n)
        ASSERT_EQ(1, SetCommLink(n, links[n])) << n;
    EXPECT_EQ(6, GetCommLinkCount());
    for (int n = 0; n < 6; ++n) {
        CCommPortData read;
        ASSERT_EQ(1, GetCommLink(n, read)) << n;
        EXPECT_TRUE(read.IsEqual(links[n])) << n << " " << read.FormatDescription(true).str();
        EXPECT_EQ(links[n].m_nActive, read.m_nActive) << n;
        EXPECT_EQ(links[n].m_nOrder, read.m_nOrder) << n;
    }

    // The values as other programs and older versions find them.
    CString text;
    DWORD value = 0;
    EXPECT_TRUE(LinkKey(0).GetString("Type", text));
    EXPECT_STREQ("Serial", text);
    EXPECT_TRUE(LinkKey(0).GetString("StopBits", text));
    EXPECT_STREQ("1.5", text);
    EXPECT_TRUE(LinkKey(0).GetString("Parity", text));
    EXPECT_STREQ("m", text);
    EXPECT_TRUE(LinkKey(0).GetDword("DataBits", value));
    EXPECT_EQ(8u, value);
    EXPECT_TRUE(LinkKey(2).GetDword("Unused", value));
    EXPECT_EQ(0u, value);
    EXPECT_TRUE(LinkKey(3).GetString("Address", text));
    EXPECT_STREQ("127.0.0.1", text);
    EXPECT_TRUE(LinkKey(3).GetDword("IP_Port", value));
    EXPECT_EQ(4023u, value);
}

TEST_F(CommLinksTest, MissingAndUnacceptableValuesKeepTheDefaults)
{
    LinkKey(0); // no values at all: a serial link with the defaults
    CRegistry odd = LinkKey(1);
    odd.SetString("Type", "serial");
    odd.SetDword("DataBits", 6);
    odd.SetDword("BaudRate", 0);
    odd.SetString("CommPort", "COM1234");
    odd.SetString("StopBits", "1");
    odd.SetString("Parity", "Odd");
    CRegistry usb = LinkKey(2);
    usb.SetString("Type", "usb");
    CRegistry ethernet = LinkKey(3);
    ethernet.SetString("Type", "ETHERNET");
    ethernet.SetString("Address", "");
    CRegistry named = LinkKey(4);
    named.SetString("Type", "Ethernet");
    named.SetString("Address", std::string(60, '7').c_str());
    // Ports no link can use are refused and logged; the rest of the link
    // is still read.
    struct Hostile {
        const char* type;
        const char* name;
        const char* text;
        DWORD value;
    };
    const Hostile hostile[] = {
        {"Ethernet", "IP_Port", nullptr, 0},     {"Ethernet", "IP_Port", nullptr, 65536},
        {"Ethernet", "IP_Port", nullptr, 65535}, {"Serial", "CommPort", "", 0},
        {"Serial", "CommPort", "COM0", 0},       {"Serial", "CommPort", "COM", 0},
        {"Serial", "CommPort", "com7", 0},
    };
    for (int i = 0; i < static_cast<int>(std::size(hostile)); ++i) {
        CRegistry reg = LinkKey(5 + i);
        reg.SetString("Type", hostile[i].type);
        reg.SetDword("BaudRate", 19200);
        if (hostile[i].text)
            reg.SetString(hostile[i].name, hostile[i].text);
        else
            reg.SetDword(hostile[i].name, hostile[i].value);
    }
    MemoryLog log;

    struct Case {
        int n;
        std::string description;
    };
    const Case cases[] = {
        {0, "Serial:COM1:9600,7,e,2"},
        {1, "Serial:COM1:9600,7,o,1"},
        {2, "USB:0"},
        {3, "Ethernet:192.168.0.250:23"},
        {4, "Ethernet:" + std::string(48, '7') + ":23"},
        {5, "Ethernet:192.168.0.250:23"},
        {6, "Ethernet:192.168.0.250:23"},
        {7, "Ethernet:192.168.0.250:65535"},
        {8, "Serial:COM1:19200,7,e,2"},
        {9, "Serial:COM1:19200,7,e,2"},
        {10, "Serial:COM1:19200,7,e,2"},
        {11, "Serial:com7:19200,7,e,2"},
    };
    for (const Case& c : cases) {
        CCommPortData read;
        ASSERT_EQ(1, GetCommLink(c.n, read)) << c.n;
        EXPECT_EQ(c.description, read.FormatDescription(true).str()) << c.n;
    }
    EXPECT_TRUE(log.Contains("Link05: IP_Port 0 is out of range"));
    EXPECT_TRUE(log.Contains("Link06: IP_Port 65536 is out of range"));
    EXPECT_TRUE(log.Contains("Link08: CommPort \"\" names no port"));
    EXPECT_TRUE(log.Contains("Link09: CommPort \"COM0\" names no port"));
}

TEST_F(CommLinksTest, AnUnknownTypeOrAMissingKeyChangesNothing)
{
    LinkKey(0).SetString("Type", "Modem");
    CCommPortData record = Record(LINK_TYPE_USB);
    record.SetNumber(9);
    const CCommPortData before = record;
    EXPECT_EQ(0, GetCommLink(0, record));
    EXPECT_EQ(0, GetCommLink(1, record));
    EXPECT_EQ(0, GetCommLink(-1, record));
    EXPECT_TRUE(record.IsEqual(before));

    // Types that are not links are not stored.
    EXPECT_EQ(0, SetCommLink(5, Record(LINK_TYPE_NONE)));
    EXPECT_EQ(0, SetCommLink(5, Record(7)));
    EXPECT_FALSE(CRegistry(HKEY_CURRENT_USER, "Software\\VexoLabs\\Vorta2\\CommLinks\\Link05").KeyExists());
}

TEST_F(CommLinksTest, AGapEndsTheCountAndDeleteRemovesOneLink)
{
    EXPECT_EQ(0, GetCommLinkCount());
    for (int n = 0; n < 3; ++n)
        SetCommLink(n, Record(LINK_TYPE_SIMULATOR));
    EXPECT_EQ(3, GetCommLinkCount());
    DeleteCommLink(1);
    EXPECT_EQ(1, GetCommLinkCount());
    CCommPortData record;
    EXPECT_EQ(1, GetCommLink(2, record));
    EXPECT_EQ(0, GetCommLink(1, record));
}

TEST_F(CommLinksTest, CommsSubkeysComeInTheOrderOfTheirOrderValue)
{
    const char* comms = "Software\\VexoLabs\\Vorta2\\Comms";
    struct Subkey {
        const char* name;
        int order; // -1: no "Order" value
    };
    const Subkey subkeys[] = {{"A", 2}, {"B", 1}, {"C", -1}, {"D", 1000}, {"E", 1}};
    for (const Subkey& subkey : subkeys) {
        CRegistry reg;
        ASSERT_TRUE(reg.CreateAndOpen(HKEY_CURRENT_USER, (std::string(comms) + "\\" + subkey.name).c_str()));
        if (subkey.order >= 0)
            reg.SetDword("Order", static_cast<DWORD>(subkey.order));
    }
    CStringList names;
    names.AddTail("left over");
    GetCommsByOrder(names);
    EXPECT_EQ((std::vector<std::string>{"C", "B", "E", "A", "D"}), Names(names));
}

} // namespace

#include "link/commportdata.h"

#include <cstring>

#include <gtest/gtest.h>

namespace {

CCommPortData Record(int type)
{
    CCommPortData record;
    record.SetTypeDefaults(type);
    return record;
}

TEST(CommPortDataTest, ANewRecordIsZeroedApartFromItsDefaults)
{
    const CCommPortData record;
    EXPECT_STREQ("NONE", record.m_szName);
    EXPECT_EQ(LINK_TYPE_NONE, record.m_nType);
    EXPECT_EQ(1, record.m_nActive);
    EXPECT_EQ(0, record.m_nOrder);
    for (unsigned char byte : record.m_data.m_bytes)
        ASSERT_EQ(0, byte);
}

TEST(CommPortDataTest, DescriptionTexts)
{
    CCommPortData serialCode7 = Record(LINK_TYPE_SERIAL);
    serialCode7.SetSerial("COM12", 115200, 8, LINK_STOP_BITS_1_5, 7);
    CCommPortData usb = Record(LINK_TYPE_USB);
    usb.SetNumber(3);
    CCommPortData fins = Record(LINK_TYPE_FINS);
    fins.SetFinsConfig("[ADDRESS]DA1:5;DA2:0;");
    CCommPortData noPort = Record(LINK_TYPE_SERIAL);
    noPort.SetSerial("", 9600, 7, LINK_STOP_BITS_1, LINK_PARITY_NONE);
    struct Case {
        CCommPortData record;
        const char* verbose;
        const char* brief;
    };
    const Case cases[] = {
        {Record(LINK_TYPE_SERIAL), "Serial:COM1:9600,7,e,2", "COM1:9600,7,e,2"},
        {serialCode7, "Serial:COM12:115200,8,n,1.5", "COM12:115200,8,n,1.5"},
        {noPort, "Serial::9600,7,n,1", "9600,7,n,1"},
        {Record(LINK_TYPE_ETHERNET), "Ethernet:192.168.0.250:23", "ENet:192.168.0.250"},
        {Record(LINK_TYPE_USB), "USB:0", "USB:0"},
        {usb, "USB:3", "USB:3"},
        {Record(LINK_TYPE_SIMULATOR), "QCSim", "QCSim"},
        {Record(LINK_TYPE_PCI), "PCI:0", "PCI:0"},
        {Record(LINK_TYPE_NONE), "None", "None"},
        {Record(LINK_TYPE_FINS), "FINS", "FINS"},
        {fins, "FINS:DA1:5;DA2:0", "FINS:DA1:5;DA2:0"},
        {Record(9), "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(c.verbose, c.record.FormatDescription(true)) << c.record.m_nType;
        EXPECT_STREQ(c.brief, c.record.FormatDescription(false)) << c.record.m_nType;
    }
}

TEST(CommPortDataTest, FinsAddressText)
{
    struct Case {
        const char* config;
        const char* address;
    };
    const Case cases[] = {
        {"NET:ETHERNET;[ADDRESS]IPADDR:10.0.0.2;DA2:0;", "IPADDR:10.0.0.2;DA2:0"},
        {"NET:ETHERNET;[ADDRESS]DA1:3;DA2:7;", "DA2:7"}, // no IPADDR: only the DA2 entry
        {"[ADDRESS]DA1:3;DA2:7;", "DA1:3;DA2:7"},
        {"DA1:3;[ADDRESS]DA2:7;", "DA2:7"}, // entries before the section do not count
        {"[ADDRESS]DA1:3;DA2:7", "DA1:3"},  // DA2 without its ";"
        {"DA1:3;DA2:7;", ""},               // no section
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(c.address, CCommPortData::ParseFinsAddressText(c.config)) << c.config;
}

TEST(CommPortDataTest, ComparisonLooksOnlyAtTheFieldsTheTypeUses)
{
    CCommPortData a = Record(LINK_TYPE_SERIAL);
    CCommPortData b = a;
    b.m_data.m_bytes[100] = 0x55; // beyond the parity field
    b.m_nActive = 0;
    b.m_nOrder = 4;
    EXPECT_TRUE(a.IsEqual(b));
    b.m_data.serial.m_nParity = LINK_PARITY_ODD;
    EXPECT_FALSE(a.IsEqual(b));

    CCommPortData named = a;
    named.SetName("com1");
    EXPECT_FALSE(a.IsEqual(named));

    // Bytes after an address's terminator are not part of the address.
    CCommPortData ethernet = Record(LINK_TYPE_ETHERNET);
    CCommPortData stale = ethernet;
    stale.m_data.ethernet.m_szAddress[40] = 'x';
    EXPECT_TRUE(ethernet.IsEqual(stale));
    stale.SetEthernet("192.168.0.250", 24);
    EXPECT_FALSE(ethernet.IsEqual(stale));

    CCommPortData pci = Record(LINK_TYPE_PCI);
    CCommPortData otherBoard = pci;
    otherBoard.SetNumber(1);
    EXPECT_FALSE(pci.IsEqual(otherBoard));
    EXPECT_FALSE(pci.IsEqual(Record(LINK_TYPE_USB)));

    CCommPortData fins = Record(LINK_TYPE_FINS);
    fins.SetFinsConfig("[ADDRESS]DA1:1;");
    CCommPortData finsCopy = fins;
    EXPECT_TRUE(fins.IsEqual(finsCopy));
    finsCopy.SetFinsConfig("[ADDRESS]DA1:2;");
    EXPECT_FALSE(fins.IsEqual(finsCopy));

    CCommPortData unknown = Record(7);
    EXPECT_FALSE(unknown.IsEqual(unknown));
}

TEST(CommPortDataTest, TextFieldsAreCutToTheirSize)
{
    CCommPortData record = Record(LINK_TYPE_SERIAL);
    record.SetName("ABCDEFGHIJKLMNOPQRS");
    EXPECT_STREQ("ABCDEFGHIJKLMNOP", record.m_szName);
    record.SetSerial("COM1234567", 9600, 7, LINK_STOP_BITS_2, LINK_PARITY_EVEN);
    EXPECT_STREQ("COM123", record.m_data.serial.m_szPort);
    const std::string longAddress(60, '1');
    record.SetEthernet(longAddress.c_str(), 23);
    EXPECT_EQ(48u, std::strlen(record.m_data.ethernet.m_szAddress));
    const std::string longConfig(5000, 'c');
    record.SetFinsConfig(longConfig.c_str());
    EXPECT_EQ(4096u, std::strlen(record.m_data.fins.m_szConfig));
}

TEST(CommPortDataTest, SerialTextForms)
{
    EXPECT_EQ(LINK_STOP_BITS_1, StopBitsFromText("1"));
    EXPECT_EQ(LINK_STOP_BITS_1_5, StopBitsFromText("1.5"));
    EXPECT_EQ(LINK_STOP_BITS_2, StopBitsFromText("2"));
    EXPECT_EQ(LINK_STOP_BITS_2, StopBitsFromText("x"));
    EXPECT_STREQ("1.5", StopBitsText(LINK_STOP_BITS_1_5));
    EXPECT_STREQ("2", StopBitsText(9));
    const char* parities[] = {"none", "odd", "even", "mark", "space"};
    for (int code = 0; code < 5; ++code) {
        EXPECT_EQ(code, ParityFromText(parities[code]));
        EXPECT_EQ(parities[code][0], ParityLetter(code));
    }
    EXPECT_EQ(LINK_PARITY_EVEN, ParityFromText("E"));
    EXPECT_EQ(LINK_PARITY_NONE, ParityFromText("x"));
    EXPECT_EQ(LINK_PARITY_NONE, ParityFromText(""));
    EXPECT_EQ('n', ParityLetter(7));
}

} // namespace

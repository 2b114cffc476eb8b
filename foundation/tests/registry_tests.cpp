#include "foundation/registry.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testsupport/string_lists.h"

#include "testsupport/registry_sandbox.h"

namespace {

const char kKey[] = "Software\\VexoLabs\\Test";

bool KeyExists(HKEY root, const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The raw type and bytes of a value.
bool RawValue(const char* path, const char* name, DWORD& type, std::string& data)
{
    char buffer[256];
    DWORD size = sizeof buffer;
    if (RegGetValueA(HKEY_CURRENT_USER, path, name, RRF_RT_ANY | RRF_NOEXPAND, &type, buffer, &size) != ERROR_SUCCESS)
        return false;
    data.assign(buffer, size);
    return true;
}

void SetRaw(const char* path, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(key);
}

class RegistryTest : public RegistrySandboxTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CRegistry::CreatePath(HKEY_CURRENT_USER, kKey));
        ASSERT_TRUE(m_reg.Open(HKEY_CURRENT_USER, kKey));
    }
    CRegistry m_reg;
};

TEST_F(RegistryTest, StringsAreWrittenWithTheirNulAndReadEitherWay)
{
    ASSERT_TRUE(m_reg.SetString("Text", "hello"));
    DWORD type = 0;
    std::string raw;
    ASSERT_TRUE(RawValue(kKey, "Text", type, raw));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::string("hello\0", 6), raw);
    CString text = "old";
    EXPECT_TRUE(m_reg.GetString("Text", text));
    EXPECT_STREQ("hello", text);

    SetRaw(kKey, "NoNul", REG_SZ, "abc", 3);
    EXPECT_TRUE(m_reg.GetString("NoNul", text));
    EXPECT_STREQ("abc", text);

    ASSERT_TRUE(m_reg.SetString("Empty", ""));
    EXPECT_TRUE(m_reg.GetString("Empty", text));
    EXPECT_STREQ("", text);

    text = "old";
    EXPECT_FALSE(m_reg.GetString("Missing", text));
    EXPECT_STREQ("", text);
}

TEST_F(RegistryTest, NumbersRoundTrip)
{
    ASSERT_TRUE(m_reg.SetDword("D", 0xDEADBEEF));
    DWORD d = 0;
    EXPECT_TRUE(m_reg.GetDword("D", d));
    EXPECT_EQ(0xDEADBEEFu, d);

    ASSERT_TRUE(m_reg.SetUInt("U", 77));
    UINT u = 0;
    EXPECT_TRUE(m_reg.GetUInt("U", u));
    EXPECT_EQ(77u, u);

    ASSERT_TRUE(m_reg.SetWord("W", 0xBEEF));
    WORD w = 0;
    EXPECT_TRUE(m_reg.GetWord("W", w));
    EXPECT_EQ(0xBEEF, w);
    ASSERT_TRUE(m_reg.SetDword("Wide", 0x12345678));
    EXPECT_TRUE(m_reg.GetWord("Wide", w));
    EXPECT_EQ(0x5678, w);
    DWORD type = 0;
    std::string raw;
    ASSERT_TRUE(RawValue(kKey, "W", type, raw));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(std::string("\xEF\xBE\0\0", 4), raw);

    ASSERT_TRUE(m_reg.SetDouble("F", -1.25e-3));
    double f = 0;
    EXPECT_TRUE(m_reg.GetDouble("F", f));
    EXPECT_EQ(-1.25e-3, f);
    ASSERT_TRUE(RawValue(kKey, "F", type, raw));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    EXPECT_EQ(8u, raw.size());
}

TEST_F(RegistryTest, BinaryCopiesWhatFits)
{
    const BYTE data[6] = {1, 2, 3, 4, 5, 6};
    ASSERT_TRUE(m_reg.SetBinary("B", data, sizeof data));
    BYTE out[10] = {};
    DWORD size = sizeof out;
    EXPECT_TRUE(m_reg.GetBinary("B", out, size));
    EXPECT_EQ(6u, size);
    EXPECT_EQ(0, memcmp(data, out, 6));
    size = 4;
    BYTE small[4] = {};
    EXPECT_TRUE(m_reg.GetBinary("B", small, size));
    EXPECT_EQ(4u, size);
    EXPECT_EQ(4, small[3]);
    size = 0;
    EXPECT_FALSE(m_reg.GetBinary("B", out, size));
    size = 4;
    EXPECT_FALSE(m_reg.GetBinary("B", nullptr, size));
    EXPECT_EQ(0u, size);
    size = 4;
    EXPECT_FALSE(m_reg.GetBinary("Missing", out, size));
    EXPECT_EQ(0u, size);
}

TEST_F(RegistryTest, AValueOfTheWrongTypeReadsAsMissing)
{
    ASSERT_TRUE(m_reg.SetString("Text", "12"));
    DWORD d = 99;
    EXPECT_FALSE(m_reg.GetDword("Text", d));
    EXPECT_EQ(0u, d);
    UINT u = 99;
    EXPECT_FALSE(m_reg.GetUInt("Text", u));
    EXPECT_EQ(99u, u);
    WORD w = 99;
    EXPECT_FALSE(m_reg.GetWord("Text", w));
    EXPECT_EQ(99, w);

    ASSERT_TRUE(m_reg.SetDword("Number", 5));
    CString text = "x";
    EXPECT_FALSE(m_reg.GetString("Number", text));
    EXPECT_STREQ("", text);
    BYTE buffer[8];
    DWORD size = sizeof buffer;
    EXPECT_FALSE(m_reg.GetBinary("Number", buffer, size));

    const BYTE four[4] = {1, 2, 3, 4};
    ASSERT_TRUE(m_reg.SetBinary("Four", four, 4));
    double value = 7.0;
    EXPECT_FALSE(m_reg.GetDouble("Four", value));
    EXPECT_EQ(7.0, value);
    const BYTE twelve[12] = {};
    ASSERT_TRUE(m_reg.SetBinary("Twelve", twelve, 12));
    EXPECT_FALSE(m_reg.GetDouble("Twelve", value));

    SetRaw(kKey, "Expand", REG_EXPAND_SZ, "%x%", 4);
    EXPECT_FALSE(m_reg.GetString("Expand", text));
    // A DWORD stored with a short length is no DWORD.
    SetRaw(kKey, "Short", REG_DWORD, "\x01\x02", 2);
    EXPECT_FALSE(m_reg.GetDword("Short", d));
}

TEST_F(RegistryTest, CreatePathLevelByLevel)
{
    EXPECT_TRUE(CRegistry::CreatePath(HKEY_CURRENT_USER, "A\\B\\C"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "A"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "A\\B"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "A\\B\\C"));
    EXPECT_TRUE(CRegistry::CreatePath(HKEY_CURRENT_USER, "A\\B\\C")); // exists already

    EXPECT_FALSE(CRegistry::CreatePath(HKEY_CURRENT_USER, "\\X\\Y"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "X"));
    EXPECT_FALSE(CRegistry::CreatePath(HKEY_CURRENT_USER, ""));
    EXPECT_FALSE(CRegistry::CreatePath(HKEY_CURRENT_USER, nullptr));

    EXPECT_TRUE(CRegistry::CreatePath(HKEY_CURRENT_USER, "T\\"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "T"));
}

TEST_F(RegistryTest, FailedOpenKeepsTheRootAndEmptiesThePath)
{
    EXPECT_FALSE(m_reg.Open(HKEY_LOCAL_MACHINE, "Software\\Nowhere"));
    EXPECT_EQ(HKEY_CURRENT_USER, m_reg.GetRoot());
    EXPECT_STREQ("", m_reg.GetPath());
}

TEST_F(RegistryTest, KeysValuesAndInformation)
{
    ASSERT_TRUE(CRegistry::CreatePath(HKEY_CURRENT_USER, "Software\\VexoLabs\\Test\\Sub1"));
    ASSERT_TRUE(CRegistry::CreatePath(HKEY_CURRENT_USER, "Software\\VexoLabs\\Test\\Sub2"));
    ASSERT_TRUE(m_reg.SetDword("One", 1));
    ASSERT_TRUE(m_reg.SetString("LongerName", "value"));

    CRegistryKeyInfo info;
    ASSERT_TRUE(m_reg.GetKeyInfo(info));
    EXPECT_EQ(2u, info.subKeyCount);
    EXPECT_EQ(2u, info.valueCount);
    EXPECT_EQ(10u, info.maxValueNameLength);

    CStringList names;
    EXPECT_TRUE(m_reg.GetSubKeyNames(names));
    EXPECT_EQ((std::vector<std::string>{"Sub1", "Sub2"}), ToVector(names));

    EXPECT_TRUE(m_reg.ValueExists("One"));
    EXPECT_TRUE(m_reg.DeleteValue("One"));
    EXPECT_FALSE(m_reg.ValueExists("One"));
    EXPECT_FALSE(m_reg.DeleteValue("One"));

    EXPECT_TRUE(m_reg.DeleteSubKey("Sub1"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\VexoLabs\\Test\\Sub1"));
    EXPECT_FALSE(m_reg.DeleteSubKey("Sub1"));

    // A key that cannot be opened: the deletes count as done, the reads fail.
    CRegistry missing(HKEY_CURRENT_USER, "Software\\Nowhere");
    EXPECT_TRUE(missing.DeleteValue("x"));
    EXPECT_TRUE(missing.DeleteSubKey("x"));
    EXPECT_FALSE(missing.GetSubKeyNames(names));
    EXPECT_TRUE(names.IsEmpty());
    EXPECT_FALSE(missing.GetKeyInfo(info));
    EXPECT_FALSE(missing.SetDword("x", 1));
    EXPECT_FALSE(missing.KeyExists());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Nowhere"));
}

} // namespace

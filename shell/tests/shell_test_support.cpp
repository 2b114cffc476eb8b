#include "shell_test_support.h"

#include <cstdio>
#include <cstring>

#include <gtest/gtest.h>

namespace {
void CreateKey(const std::string& path)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &key, nullptr));
    RegCloseKey(key);
}
} // namespace

void PutRegText(const std::string& path, const char* name, const char* text)
{
    CreateKey(path);
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, path.c_str(), name, REG_SZ, text,
                                             static_cast<DWORD>(std::strlen(text) + 1)));
}

void PutRegDword(const std::string& path, const char* name, DWORD value)
{
    CreateKey(path);
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, path.c_str(), name, REG_DWORD, &value, sizeof value));
}

bool RegValueExists(const std::string& path, const char* name)
{
    return RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

LONGLONG RegDword(const std::string& path, const char* name)
{
    DWORD value = 0, size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
        return -1;
    return value;
}

std::string RegText(const std::string& path, const char* name)
{
    char text[1024] = {};
    DWORD size = sizeof text;
    if (RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return "<missing>";
    return text;
}

bool RegKeyExists(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void PutExternalTools(const std::vector<std::pair<std::string, std::string>>& tools)
{
    for (std::size_t i = 0; i < tools.size(); ++i) {
        char key[128];
        std::snprintf(key, sizeof key, "%s\\External\\Tool%02u", kSettingsRoot, static_cast<unsigned>(i));
        PutRegText(key, "Name", tools[i].first.c_str());
        PutRegText(key, "File", tools[i].second.c_str());
    }
}

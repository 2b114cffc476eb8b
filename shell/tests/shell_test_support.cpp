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

std::vector<UINT> MissingFrameCommands(HMENU hMenu)
{
    static const UINT ids[] = {
        32851, 32847, 32858, 32838, 32853, 32849, 32846, 33122, 32857, 32832, 32848, 32859, 32781, 33147,
        33040, 32783, 32787, 32791, 32780, 32785, 32784, 32789, 32790, 32786, 1011,  33055, 33051, 32986, 32826,
        32824, 32820, 32830, 32819, 32822, 32831, 32985, 32835, 32836, 32821, 32825, 32823, 33080, 33146, 33145,
        32920, 32908, 32914, 32915, 32916, 32917, 32919, 32922, 33120, 33018, 1014,  33129, 33130, 33042, 33057,
        33131, 32811, 32815, 33035, 1029,  33069, 33071, 33121, 33050, 33023, 1035,  33079, 32804, 32966, 32977,
        32978, 32967, 32983, 32969, 32968, 32979, 32974, 32971, 32972, 32973, 32805, 32806, 33141};
    std::vector<UINT> missing;
    for (UINT id : ids)
        if (!hMenu || ::GetMenuState(hMenu, id, MF_BYCOMMAND) == static_cast<UINT>(-1))
            missing.push_back(id);
    return missing;
}

bool IsAbove(HWND a, HWND b)
{
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
        if (h == a)
            return true;
        if (h == b)
            return false;
    }
    return false;
}

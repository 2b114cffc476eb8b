#include "testsupport/registry_sandbox.h"

#include <atomic>
#include <cstdio>

namespace {

// Each sandbox has a key of its own directly under Software: test programs
// run in parallel, and a shared parent could vanish under another one.
const char kSandboxPrefix[] = "Software\\VexoLabsTestSandbox-";

HKEY CreateKey(HKEY parent, const std::string& path)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

} // namespace

RegistrySandbox::RegistrySandbox()
{
    static std::atomic<int> counter{0};
    char name[64];
    std::snprintf(name, sizeof name, "%lu-%d", GetCurrentProcessId(), counter++);
    m_path = std::string(kSandboxPrefix) + name;
    // A test program that crashed leaves its keys behind, and Wine gives a
    // later program the same process id: start from an empty key.
    RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, m_path.c_str());

    // Keys are not volatile: the code under test may create ordinary keys
    // below them, which a volatile parent refuses.
    m_user = CreateKey(HKEY_CURRENT_USER, m_path + "\\HKCU");
    m_machine = CreateKey(HKEY_CURRENT_USER, m_path + "\\HKLM");
    if (!m_user || !m_machine) {
        ADD_FAILURE() << "cannot create the registry sandbox " << m_path;
        return;
    }
    if (RegOverridePredefKey(HKEY_CURRENT_USER, m_user) != ERROR_SUCCESS ||
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_machine) != ERROR_SUCCESS)
        ADD_FAILURE() << "cannot redirect the predefined registry keys";
}

RegistrySandbox::~RegistrySandbox()
{
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    if (m_user)
        RegCloseKey(m_user);
    if (m_machine)
        RegCloseKey(m_machine);
    RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, m_path.c_str());
}

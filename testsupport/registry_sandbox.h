// Redirects HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE of this process to
// fresh scratch keys for the lifetime of the object, and deletes them
// afterwards, so a test sees an empty registry and leaves nothing behind.
// Use it as a test fixture base or as a local object.
#pragma once

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

class RegistrySandbox {
public:
    RegistrySandbox();
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

    // Where the scratch keys lie in the real current-user hive.
    const std::string& ScratchPath() const { return m_path; }

private:
    std::string m_path;
    HKEY m_user = nullptr;
    HKEY m_machine = nullptr;
};

class RegistrySandboxTest : public testing::Test {
protected:
    RegistrySandbox m_sandbox;
};

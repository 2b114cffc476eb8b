// What the shell's tests share: registry helpers and a help viewer that
// records what it was asked to show.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "shell/helpviewer.h"

const char kSettingsRoot[] = "Software\\VexoLabs\\Vorta2";

void PutRegText(const std::string& path, const char* name, const char* text);
void PutRegDword(const std::string& path, const char* name, DWORD value);
bool RegValueExists(const std::string& path, const char* name);
// The DWORD value; -1 when it is missing.
LONGLONG RegDword(const std::string& path, const char* name);
std::string RegText(const std::string& path, const char* name);
bool RegKeyExists(const std::string& path);

// Whether top-level window a lies above b in the z-order.
bool IsAbove(HWND a, HWND b);

// The menu commands of the main frame (the dynamic entries aside) that
// the menu bar hMenu does not hold.
std::vector<UINT> MissingFrameCommands(HMENU hMenu);

// Stores external tools "\External\Tool%02d" from 0 on.
void PutExternalTools(const std::vector<std::pair<std::string, std::string>>& tools);

class RecordingHelpViewer : public IHelpViewer {
public:
    struct Call {
        std::string file;
        UINT command;
        DWORD_PTR data;
    };
    RecordingHelpViewer() { SetHelpViewer(this); }
    ~RecordingHelpViewer() override { SetHelpViewer(nullptr); }
    HWND Show(HWND, LPCSTR lpszFile, UINT nCommand, DWORD_PTR dwData) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_calls.push_back({lpszFile ? lpszFile : "", nCommand, dwData});
        return nullptr;
    }
    std::vector<Call> Calls() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_calls;
    }

private:
    mutable std::mutex m_lock;
    std::vector<Call> m_calls;
};

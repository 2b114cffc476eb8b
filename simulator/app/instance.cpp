#include "simulator/app/instance.h"

#include <cctype>
#include <cstdio>

namespace qcsim {

namespace {

const char kWindowProperty[] = "VexoLabs.QCSimulation.Folder";
const char kMainTitle[] = "QC Simulation";

struct Search {
    unsigned key;
    HWND found;
};

BOOL CALLBACK FindMarked(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<Search*>(parameter);
    // A property is read without a message: a window that does not answer
    // is still found.
    const auto key = static_cast<unsigned>(reinterpret_cast<uintptr_t>(GetPropA(window, kWindowProperty)));
    if (key == search->key) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

unsigned CSimulatorInstance::FolderKey(const std::string& folder)
{
    // FNV-1a of the folder, lower case, without a trailing backslash; never 0.
    std::string name = folder;
    while (!name.empty() && (name.back() == '\\' || name.back() == '/'))
        name.pop_back();
    unsigned hash = 2166136261u;
    for (unsigned char c : name) {
        hash ^= static_cast<unsigned>(std::tolower(c == '/' ? '\\' : c));
        hash *= 16777619u;
    }
    return hash ? hash : 1;
}

CSimulatorInstance::CSimulatorInstance(const std::string& folder) : m_key(FolderKey(folder))
{
    char name[64];
    std::snprintf(name, sizeof name, "VexoLabs.QCSimulation.%08x", m_key);
    m_mutex = CreateMutexA(nullptr, FALSE, name);
    m_first = m_mutex && GetLastError() != ERROR_ALREADY_EXISTS;
}

CSimulatorInstance::~CSimulatorInstance()
{
    if (m_mutex)
        CloseHandle(m_mutex);
}

void CSimulatorInstance::MarkMainWindow(HWND window) const
{
    SetPropA(window, kWindowProperty, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(m_key)));
}

HWND CSimulatorInstance::FindRunning() const
{
    Search search = {m_key, nullptr};
    HWND window = nullptr;
    // Only top-level windows of the main dialog's title are looked at.
    while ((window = FindWindowExA(nullptr, window, nullptr, kMainTitle)) != nullptr) {
        if (!FindMarked(window, reinterpret_cast<LPARAM>(&search)))
            break;
    }
    return search.found;
}

bool CSimulatorInstance::BringRunningForward() const
{
    HWND running = FindRunning();
    if (!running)
        return false;
    AllowSetForegroundWindow(ASFW_ANY);
    // Asynchronous calls only: the running simulator may be busy.
    ShowWindowAsync(running, IsIconic(running) ? SW_RESTORE : SW_SHOW);
    SetWindowPos(running, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS);
    SetForegroundWindow(running);
    return true;
}

} // namespace qcsim

// SimulatorPeer.exe: a stand-in for the simulator's side of the window
// link, for tests that run the link across two processes. It knows nothing
// of the link library: it registers the two messages by name, publishes
// its windows under Software\VexoLabs\WinTargets\QCSimulation, and finds
// the development environment's receive window under ...\WinTargets\Vorta,
// as the simulator does.
//
//     SimulatorPeer.exe <journal file> <allow answer> <registry root>
//
// <allow answer> is what the comms window answers the copy-data query
// with. <registry root>, when not "-", is a key under HKEY_CURRENT_USER
// that stands for the whole current-user hive (the test's registry
// sandbox).
//
// The journal gets one line per event, written at once:
//     ready <main window title>
//     allow-query                      the link asked whether it may copy
//     post <count> <lParam %08X>       a link message arrived
//     copy <dwData> <wParam %08X> <bytes in hex>   a WM_COPYDATA arrived
//     sent-posts <count> | sent-copy <answer> | allow-answer <answer>
//     no-target                        the receive window was not found
//
// The test drives it with WM_COPYDATA to its main window: dwData 1 posts
// the block to the receive window as link messages of up to four bytes,
// 2 sends it there as one WM_COPYDATA, 3 asks the receive window the
// copy-data query; WM_CLOSE ends it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char kTargetsKey[] = "Software\\VexoLabs\\WinTargets\\";

enum : ULONG_PTR { kCommandPost = 1, kCommandCopy = 2, kCommandAsk = 3 };

std::string g_journal;
LRESULT g_allowAnswer = 0;
HWND g_main = nullptr;
UINT g_linkMessage = 0;
UINT g_allowMessage = 0;

void Journal(const std::string& line)
{
    FILE* file = std::fopen(g_journal.c_str(), "ab");
    if (!file)
        return;
    std::fputs((line + "\n").c_str(), file);
    std::fclose(file);
}

std::string Hex(const void* data, DWORD size)
{
    std::string text;
    char two[3];
    for (DWORD n = 0; n < size; ++n) {
        std::snprintf(two, sizeof two, "%02X", static_cast<const BYTE*>(data)[n]);
        text += two;
    }
    return text;
}

std::string Format(const char* format, unsigned long a, unsigned long b = 0)
{
    char text[64];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

std::string ReadTarget(const char* program, const char* value)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kTargetsKey) + program).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return std::string();
    char text[256] = {};
    DWORD size = sizeof text - 1;
    const LONG result = RegQueryValueExA(key, value, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::string(text) : std::string();
}

void WriteTarget(const char* value, const std::string& text)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(kTargetsKey) + "QCSimulation").c_str(), 0, nullptr, 0,
                        KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

// The development environment's receive window: the child titled
// "CommsWindow" of the top-level window titled "MainWindow".
HWND FindReceiveWindow()
{
    const std::string main = ReadTarget("Vorta", "MainWindow");
    const std::string comms = ReadTarget("Vorta", "CommsWindow");
    if (main.empty() || comms.empty())
        return nullptr;
    HWND app = nullptr;
    while ((app = FindWindowExA(nullptr, app, nullptr, main.c_str())) != nullptr) {
        if (HWND window = FindWindowExA(app, nullptr, nullptr, comms.c_str()))
            return window;
    }
    return nullptr;
}

LRESULT RunCommand(const COPYDATASTRUCT* block)
{
    const HWND target = FindReceiveWindow();
    if (!target) {
        Journal("no-target");
        return FALSE;
    }
    const BYTE* bytes = static_cast<const BYTE*>(block->lpData);
    switch (block->dwData) {
    case kCommandPost: {
        unsigned long posts = 0;
        for (DWORD sent = 0; sent < block->cbData; ++posts) {
            const DWORD count = block->cbData - sent < 4 ? block->cbData - sent : 4;
            DWORD packed = 0;
            for (DWORD n = 0; n < count; ++n)
                packed |= static_cast<DWORD>(bytes[sent + n]) << (8 * n);
            if (!PostMessageA(target, g_linkMessage, count, static_cast<LPARAM>(packed)))
                break;
            sent += count;
        }
        Journal(Format("sent-posts %lu", posts));
        return TRUE;
    }
    case kCommandCopy: {
        COPYDATASTRUCT out = {0, block->cbData, block->lpData};
        const LRESULT answer =
            SendMessageA(target, WM_COPYDATA, reinterpret_cast<WPARAM>(g_main), reinterpret_cast<LPARAM>(&out));
        Journal(Format("sent-copy %lu", static_cast<unsigned long>(answer)));
        return TRUE;
    }
    case kCommandAsk: {
        const LRESULT answer = SendMessageA(target, g_allowMessage, 0, 0);
        Journal(Format("allow-answer %lu", static_cast<unsigned long>(answer)));
        return TRUE;
    }
    default:
        return FALSE;
    }
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COPYDATA)
        return RunCommand(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK CommsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == g_linkMessage) {
        Journal(Format("post %lu %08lX", static_cast<unsigned long>(wParam), static_cast<unsigned long>(lParam)));
        return 0;
    }
    if (message == g_allowMessage) {
        Journal("allow-query");
        return g_allowAnswer;
    }
    if (message == WM_COPYDATA) {
        const auto* block = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        Journal(Format("copy %lu %08lX ", static_cast<unsigned long>(block->dwData),
                       static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(wParam) & 0xFFFFFFFFu)) +
                Hex(block->lpData, block->cbData));
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeWindow(const char* className, WNDPROC proc, const std::string& title, DWORD style, HWND parent)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, className, title.c_str(), style, 0, 0, 40, 40, parent, nullptr, windowClass.hInstance,
                           nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
        return 2;
    g_journal = argv[1];
    g_allowAnswer = std::atoi(argv[2]);
    HKEY root = nullptr;
    if (std::string(argv[3]) != "-") {
        if (RegOpenKeyExA(HKEY_CURRENT_USER, argv[3], 0, KEY_ALL_ACCESS, &root) != ERROR_SUCCESS ||
            RegOverridePredefKey(HKEY_CURRENT_USER, root) != ERROR_SUCCESS)
            return 3;
    }
    g_linkMessage = RegisterWindowMessageA("Vexo_Link_Message");
    g_allowMessage = RegisterWindowMessageA("Vexo_Allow_CopyData_Comms_Message");

    // Titles of their own, so that peers of programs running side by side
    // never find each other.
    const std::string mainTitle = Format("QCSimulation peer %lu", GetCurrentProcessId());
    const std::string commsTitle = Format("QCSimulation peer comms %lu", GetCurrentProcessId());
    g_main = MakeWindow("SimulatorPeerMain", MainProc, mainTitle, WS_OVERLAPPED, nullptr);
    const HWND comms = MakeWindow("SimulatorPeerComms", CommsProc, commsTitle, WS_CHILD, g_main);
    if (!g_main || !comms)
        return 4;
    WriteTarget("MainWindow", mainTitle);
    WriteTarget("CommsWindow", commsTitle);
    Journal("ready " + mainTitle);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (root) {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegCloseKey(root);
    }
    return 0;
}

// The walk a new user takes, on the real Vorta2.exe and QCSimulation.exe:
// scripts/walk starts Vorta2 the way scripts/run does and runs this program
// twice. The first part connects, creates a project and a program, types
// it, saves, runs and stops it, and closes Vorta2; the second (Vorta2
// started again, on its last project) finds the project and the program
// again. Everything is driven by messages (bare Xvfb gives no keyboard
// focus); pictures of the screen go to WALK_SHOTS for a person to look at.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

const char kFrameClass[] = "Vorta2:400000:8:0:0";
// The frame's commands (its menu ids).
const UINT kProjectNew = 32851;
const UINT kProgramNew = 32826;
const UINT kProgramRun = 32831;
const UINT kProgramStop = 32836;
const UINT kControllerDirectory = 32785;
const UINT kOptionsEditor = 33035;
const UINT kToolsTerminal = 32920;
const UINT kEditorSave = 32832;

std::string Env(const char* name)
{
    char value[MAX_PATH] = {};
    return GetEnvironmentVariableA(name, value, sizeof value) ? value : "";
}

std::string Text(HWND hWnd)
{
    char text[512] = {};
    GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

std::string ClassOf(HWND hWnd)
{
    char name[128] = {};
    GetClassNameA(hWnd, name, sizeof name);
    return name;
}

// Waits up to timeoutMs for condition, looking every 50 ms.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(50);
    }
}

// The visible top-level windows, top first.
std::vector<HWND> VisibleWindows()
{
    std::vector<HWND> windows;
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT))
        if (IsWindowVisible(h))
            windows.push_back(h);
    return windows;
}

HWND FindVisible(const std::function<bool(HWND)>& match)
{
    for (HWND h : VisibleWindows())
        if (match(h))
            return h;
    return nullptr;
}

HWND WaitForWindow(const std::string& title, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitFor([&] { return (found = FindVisible([&](HWND h) { return Text(h) == title; })) != nullptr; }, timeoutMs);
    return found;
}

std::vector<HWND> Children(HWND parent)
{
    std::vector<HWND> children;
    EnumChildWindows(
        parent,
        [](HWND h, LPARAM list) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    return children;
}

HWND FindButton(HWND dialog, const std::string& text)
{
    for (HWND h : Children(dialog))
        if (ClassOf(h) == "Button" && Text(h) == text && IsWindowVisible(h))
            return h;
    return nullptr;
}

void Click(HWND button)
{
    PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

// Whether a command of the frame's toolbar is enabled now (the frame keeps
// its buttons up to date; its menu lives in its own program).
bool IsEnabled(HWND frame, UINT id)
{
    const HWND bar = FindWindowExA(frame, nullptr, "ToolbarWindow32", nullptr);
    DWORD_PTR enabled = 0;
    return bar && SendMessageTimeoutA(bar, TB_ISBUTTONENABLED, id, 0, SMTO_ABORTIFHUNG, 2000, &enabled) && enabled;
}

// Chooses a command of the frame once the frame is ready for it (as a
// user waits while the toolbar is grayed): the command's own button, or
// for a command without one the New project button, which is enabled
// whenever the frame is ready and connected. Whether it was within
// timeoutMs.
bool Command(HWND frame, UINT id, DWORD timeoutMs = 20000)
{
    const HWND bar = FindWindowExA(frame, nullptr, "ToolbarWindow32", nullptr);
    const UINT button = SendMessageA(bar, TB_COMMANDTOINDEX, id, 0) >= 0 ? id : 32851;
    if (!WaitFor([&] { return IsEnabled(frame, button); }, timeoutMs))
        return false;
    PostMessageA(frame, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    return true;
}

// Answers the question of the given caption with the given button, once
// it shows (up to timeoutMs); whether it was there.
bool Answer(const std::string& caption, const std::string& button, DWORD timeoutMs)
{
    HWND found = nullptr;
    if (!WaitFor(
            [&] {
                const HWND dialog = FindVisible([&](HWND h) { return Text(h) == caption && FindButton(h, button); });
                found = dialog ? FindButton(dialog, button) : nullptr;
                return found != nullptr;
            },
            timeoutMs))
        return false;
    Click(found);
    return true;
}

// Memory in another program for the control messages that pass a pointer.
class RemoteBuffer {
public:
    RemoteBuffer(HWND window, SIZE_T size) : m_size(size)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (m_process)
            m_address = VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteBuffer()
    {
        if (m_address)
            VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
        if (m_process)
            CloseHandle(m_process);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    LPARAM Address() const { return reinterpret_cast<LPARAM>(m_address); }
    std::string ReadText(SIZE_T offset = 0) const
    {
        std::vector<char> text(m_size + 1, '\0');
        SIZE_T read = 0;
        if (m_address && offset < m_size)
            ReadProcessMemory(m_process, static_cast<char*>(m_address) + offset, text.data(), m_size - offset, &read);
        return text.data();
    }
    void Write(const void* data, SIZE_T size)
    {
        SIZE_T written = 0;
        if (m_address && size <= m_size)
            WriteProcessMemory(m_process, m_address, data, size, &written);
    }

private:
    HANDLE m_process = nullptr;
    void* m_address = nullptr;
    SIZE_T m_size;
};

// A dialog that came up since `before` was taken (up to timeoutMs).
HWND WaitForNewDialog(const std::vector<HWND>& before, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitFor(
        [&] {
            found = FindVisible([&](HWND h) {
                return ClassOf(h) == "#32770" && std::find(before.begin(), before.end(), h) == before.end() &&
                       (FindButton(h, "OK") || FindButton(h, "&OK"));
            });
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

// The program choice of the Program menu's commands: the name typed into
// its name field, then OK.
bool ChooseProgram(HWND dialog, const char* name)
{
    HWND edit = nullptr;
    for (HWND h : Children(dialog))
        if (!edit && ClassOf(h) == "Edit" && IsWindowVisible(h))
            edit = h;
    if (!edit)
        return false;
    if (!(GetWindowLongA(edit, GWL_STYLE) & ES_READONLY)) {
        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
    } else {
        // The program is chosen in the tree: the project's one program.
        for (HWND h : Children(dialog)) {
            if (ClassOf(h) != "SysTreeView32")
                continue;
            const LPARAM root = SendMessageA(h, TVM_GETNEXTITEM, TVGN_ROOT, 0);
            SendMessageA(h, TVM_EXPAND, TVE_EXPAND, root);
            const LPARAM program = SendMessageA(h, TVM_GETNEXTITEM, TVGN_CHILD, root);
            SendMessageA(h, TVM_SELECTITEM, TVGN_CARET, program);
        }
    }
    HWND ok = nullptr;
    return WaitFor(
        [&] {
            ok = FindButton(dialog, "OK");
            if (!ok)
                ok = FindButton(dialog, "&OK");
            return ok && IsWindowEnabled(ok);
        },
        5000) &&
           (Click(ok), true);
}

// The text of a tree's first item.
std::string TreeRootText(HWND tree)
{
    const LPARAM root = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    if (!root)
        return "";
    RemoteBuffer buffer(tree, sizeof(TVITEMA) + 260);
    TVITEMA item = {};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(root);
    item.pszText = reinterpret_cast<LPSTR>(buffer.Address() + sizeof(TVITEMA));
    item.cchTextMax = 260;
    buffer.Write(&item, sizeof item);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(tree, TVM_GETITEMA, 0, buffer.Address(), SMTO_ABORTIFHUNG, 2000, &ignored);
    return buffer.ReadText(sizeof(TVITEMA));
}

std::string StatusPane(HWND frame, int pane)
{
    HWND bar = nullptr;
    for (HWND h : Children(frame))
        if (!bar && ClassOf(h) == "msctls_statusbar32")
            bar = h;
    if (!bar)
        return "";
    RemoteBuffer buffer(bar, 1024);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(bar, SB_GETTEXTA, static_cast<WPARAM>(pane), buffer.Address(), SMTO_ABORTIFHUNG, 2000,
                        &ignored);
    return buffer.ReadText();
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A picture of the whole screen, as a bitmap file in WALK_SHOTS (the
// script turns them into PNG files).
void Screenshot(const std::string& name)
{
    const std::string folder = Env("WALK_SHOTS");
    if (folder.empty())
        return;
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    const DWORD stride = ((width * 3 + 3) / 4) * 4;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + stride * height;
    std::ofstream out(folder + "\\" + name + ".bmp", std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(stride) * height);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class WalkTest : public testing::Test {
protected:
    void TearDown() override
    {
        if (HasFailure())
            Screenshot(std::string("failed-") + testing::UnitTest::GetInstance()->current_test_info()->name());
    }

    // Vorta2 up and connected to the simulator, on its start-up project.
    HWND StartUp(const char* shot)
    {
        HWND frame = nullptr;
        EXPECT_TRUE(WaitFor([&] { return (frame = FindWindowA(kFrameClass, nullptr)) && IsWindowVisible(frame); },
                            30000));
        // The search starts the simulator, lets it settle and finds the
        // controller; OK on the connect screen goes on.
        const HWND splash = WaitForWindow("VQ2 Splashscreen", 30000);
        EXPECT_TRUE(splash);
        if (splash) {
            const HWND list = GetDlgItem(splash, 1178);
            EXPECT_TRUE(WaitFor([&] { return SendMessageA(list, LB_GETCOUNT, 0, 0) >= 2; }, 30000));
            Screenshot(std::string(shot) + "-connect");
            WaitFor(
                [&] {
                    if (!IsWindow(splash) || !IsWindowVisible(splash))
                        return true;
                    Click(GetDlgItem(splash, IDOK));
                    return false;
                },
                10000);
        }
        // The project check tells what it found, the project it checked
        // first in its project tree; OK ends it. (Where it finds the
        // controller's programs differ from the project's, the walk leaves
        // both as they are.)
        const HWND check = WaitForWindow("Check project", 30000);
        EXPECT_TRUE(check);
        HWND answer = nullptr;
        EXPECT_TRUE(WaitFor(
            [&] {
                answer = check ? FindButton(check, "&OK") : nullptr;
                if (!answer && check)
                    answer = FindButton(check, "&Cancel");
                return answer != nullptr;
            },
            30000));
        m_checkedProject = check ? TreeRootText(GetDlgItem(check, 1244)) : "";
        m_checkAgreed = answer && Text(answer) == "&OK";
        Screenshot(std::string(shot) + "-check");
        if (answer)
            Click(answer);
        // Cancelled, the check ends with OK all the same.
        if (answer && !m_checkAgreed) {
            EXPECT_TRUE(Answer("Check project", "&OK", 10000));
        }
        // Connected, the controller's type shows; a check that was
        // cancelled ends the connection, and the type goes with it.
        const char* type = m_checkAgreed ? "QC110" : "";
        EXPECT_TRUE(WaitFor([&] { return StatusPane(frame, 1) == type; }, 20000)) << StatusPane(frame, 1);
        return frame;
    }

    // Closes Vorta2, saying no to what it offers on the way (the store in
    // the controller's memory, say).
    void Close(HWND frame)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(frame, &pid);
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
        // A close while an operation still runs (the backup after a connect,
        // say) is refused with a beep; the user closes again a moment later.
        PostMessageA(frame, WM_CLOSE, 0, 0);
        DWORD lastClose = GetTickCount();
        EXPECT_TRUE(WaitFor(
            [&] {
                if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0)
                    return true;
                const HWND question = FindVisible([&](HWND h) {
                    DWORD owner = 0;
                    GetWindowThreadProcessId(h, &owner);
                    return owner == pid && FindButton(h, "&No");
                });
                if (question) {
                    Click(FindButton(question, "&No"));
                } else if (GetTickCount() - lastClose > 3000 && IsWindowEnabled(frame)) {
                    PostMessageA(frame, WM_CLOSE, 0, 0);
                    lastClose = GetTickCount();
                }
                return false;
            },
            45000));
        CloseHandle(process);
    }

    static std::string ProjectsFolder() { return Env("WALK_FOLDER"); }

    std::string m_checkedProject; // the project the start-up check looked at
    bool m_checkAgreed = false;   // it found the controller holds the project
};

// The running processes the full directory lists.
int RunningProcesses(HWND directory)
{
    return static_cast<int>(SendMessageA(GetDlgItem(directory, 1231), LVM_GETITEMCOUNT, 0, 0));
}

TEST_F(WalkTest, CreateTypeSaveRunStop)
{
    const HWND frame = StartUp("01");
    ASSERT_TRUE(frame);
    EXPECT_EQ("Demo", m_checkedProject);
    EXPECT_TRUE(m_checkAgreed);
    Screenshot("01-connected");

    // Project > New project: the controller is emptied, and the new
    // project goes beside the demo project.
    // What is built opens; what is not yet is grayed.
    ASSERT_TRUE(WaitFor([&] { return IsEnabled(frame, kProjectNew); }, 20000));
    EXPECT_FALSE(IsEnabled(frame, kToolsTerminal));
    ASSERT_TRUE(Command(frame, kOptionsEditor));
    const HWND options = WaitForWindow("Editor Options", 10000);
    EXPECT_TRUE(options);
    Screenshot("02-editor-options");
    if (options)
        PostMessageA(options, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(options); }, 10000));

    ASSERT_TRUE(Command(frame, kProjectNew));
    ASSERT_TRUE(Answer("Project Manager", "&Yes", 10000));
    const HWND chooser = WaitForWindow("New project", 10000);
    ASSERT_TRUE(chooser);
    // The chooser starts in the folder that holds the open project.
    SendMessageA(GetDlgItem(chooser, 1203), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Walk"));
    Sleep(200);
    Screenshot("03-new-project");
    Click(GetDlgItem(chooser, 1002));
    ASSERT_TRUE(WaitFor([&] { return EndsWith(StatusPane(frame, 4), "Walk\\Walk.prj"); }, 20000))
        << StatusPane(frame, 4);


    // Program > New program: the name, then the editor.
    std::vector<HWND> before = VisibleWindows();
    ASSERT_TRUE(Command(frame, kProgramNew));
    HWND select = WaitForNewDialog(before, 10000);
    ASSERT_TRUE(select);
    Screenshot("04-new-program");
    ASSERT_TRUE(ChooseProgram(select, "WALK"));
    HWND editor = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            return (editor = FindVisible([](HWND h) { return Text(h).find("WALK") != std::string::npos; })) != nullptr;
        },
        15000));

    // Typed into the editor's view, a key at a time.
    // The view: the editor's largest window of its own.
    HWND view = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            LONG largest = 0;
            for (HWND child : Children(editor)) {
                RECT box = {};
                GetWindowRect(child, &box);
                const LONG area = (box.right - box.left) * (box.bottom - box.top);
                if (GetParent(child) == editor && IsWindowVisible(child) && ClassOf(child).rfind("Vexo:", 0) == 0 &&
                    area > largest) {
                    largest = area;
                    view = child;
                }
            }
            return view != nullptr;
        },
        10000));
    Sleep(500);
    // Each key as the keyboard gives it (the key, then its character), the
    // next once the editor has taken it: its caret position in the status
    // bar has moved on (a line it sends to the controller keeps it busy).
    const char program[] = "count=0\rWHILE TRUE\rcount=count+1\rWA(10)\rWEND";
    const auto caret = [&] { return StatusPane(editor, 1) + "|" + StatusPane(editor, 2); };
    for (const char* c = program; *c; ++c) {
        const std::string was = caret();
        DWORD_PTR ignored = 0;
        if (*c == '\r') {
            SendMessageTimeoutA(view, WM_KEYDOWN, VK_RETURN, 1, SMTO_ABORTIFHUNG, 5000, &ignored);
        } else {
            SendMessageTimeoutA(view, WM_KEYDOWN, LOBYTE(VkKeyScanA(*c)), 1, SMTO_ABORTIFHUNG, 5000, &ignored);
            SendMessageTimeoutA(view, WM_CHAR, static_cast<unsigned char>(*c), 1, SMTO_ABORTIFHUNG, 5000, &ignored);
        }
        WaitFor([&] { return caret() != was; }, 3000);
    }
    Sleep(1000);
    Screenshot("05-typed");

    // Saved, then run and stopped from the Program menu.
    PostMessageA(editor, WM_COMMAND, MAKEWPARAM(kEditorSave, 0), 0);
    const std::string file = ProjectsFolder() + "\\Walk\\WALK.bas";
    EXPECT_TRUE(WaitFor([&] { return ReadFile(file).find("WA(10)") != std::string::npos; }, 10000)) << file;

    // The full directory follows the run.
    ASSERT_TRUE(Command(frame, kControllerDirectory));
    const HWND directory = WaitForWindow("Full Controller Directory", 10000);
    ASSERT_TRUE(directory);
    before = VisibleWindows();
    ASSERT_TRUE(Command(frame, kProgramRun));
    select = WaitForNewDialog(before, 10000);
    ASSERT_TRUE(select);
    ASSERT_TRUE(ChooseProgram(select, "WALK"));
    EXPECT_TRUE(WaitFor([&] { return RunningProcesses(directory) > 0; }, 15000));
    Screenshot("06-running");

    before = VisibleWindows();
    ASSERT_TRUE(Command(frame, kProgramStop));
    select = WaitForNewDialog(before, 10000);
    ASSERT_TRUE(select);
    ASSERT_TRUE(ChooseProgram(select, "WALK"));
    EXPECT_TRUE(WaitFor([&] { return RunningProcesses(directory) == 0; }, 15000));
    Screenshot("07-stopped");

    Close(frame);
}

// Vorta2 started again opens the project it had last, with the program.
TEST_F(WalkTest, ReopenTheLastProject)
{
    const HWND frame = StartUp("08");
    ASSERT_TRUE(frame);
    EXPECT_EQ("Walk", m_checkedProject);
    if (m_checkAgreed) {
        EXPECT_TRUE(WaitFor([&] { return EndsWith(StatusPane(frame, 4), "Walk\\Walk.prj"); }, 20000))
            << StatusPane(frame, 4);
    }
    EXPECT_NE(std::string::npos, ReadFile(ProjectsFolder() + "\\Walk\\Walk.prj").find("WALK"));
    Screenshot("08-reopened");
    Close(frame);
}

// After the walk: the simulator the start-up search started is closed, so
// that nothing of the walk stays for the tests after it.
TEST(WalkEnd, TheSimulatorIsClosed)
{
    const HWND simulator = FindWindowA(nullptr, "QC Simulation");
    if (!simulator)
        return;
    DWORD pid = 0;
    GetWindowThreadProcessId(simulator, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    ASSERT_TRUE(process);
    PostMessageA(simulator, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the simulator did not close";
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
    }
    CloseHandle(process);
}

} // namespace

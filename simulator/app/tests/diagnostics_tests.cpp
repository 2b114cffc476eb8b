// The diagnostics dialog and the simulator's support classes: the message
// dialog and its button layout, the high-resolution log, the enciphered
// splash picture, the about box's version texts and the documents folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "simulator/app/diagnosticdialog.h"
#include "simulator/app/hrlog.h"
#include "simulator/app/resource.h"
#include "simulator/app/simlog.h"
#include "simulator/app/splashfile.h"
#include "simulator/app/userdialog.h"
#include "simulator/app/virtualqcdlg.h"
#include "simulator/app/tests/modal_press.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_file_dialogs.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"

using namespace qcsim;

namespace {

RECT ChildRect(HWND dialog, int id)
{
    RECT box{};
    GetWindowRect(GetDlgItem(dialog, id), &box);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
    return box;
}

bool Checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void Click(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string ThisProgramFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}

// --- the message dialog -------------------------------------------------------------

TEST(UserDialog, ButtonsStayCentredAndTheDefaultHasTheFocus)
{
    TestWindow owner("owner");
    CWnd parent;
    parent.m_hWnd = owner;
    // The template's places of the three buttons.
    RECT places[3];
    {
        CUserDialog probe;
        probe.Create(&parent, IDS_LOG_FILE_CAPTION);
        ASSERT_TRUE(probe.Create(IDD_USER_DIALOG, &parent));
        for (int n = 0; n < 3; ++n)
            places[n] = ChildRect(probe.m_hWnd, IDC_USER_BUTTON1 + n);
        probe.DestroyWindow();
    }
    const int spacing = places[1].left - places[0].left;
    ASSERT_GT(spacing, 0);

    struct Case {
        int count;
        int defaultIndex;
        int lefts[3]; // where each shown button stands
    } cases[] = {
        {1, 0, {places[1].left}},
        {2, 1, {places[0].left + spacing / 2, places[1].left + spacing / 2}},
        {3, 2, {places[0].left, places[1].left, places[2].left}},
    };
    const char* labels[3] = {"Yes", "No", "Later"};
    const int results[3] = {6, 7, 42};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        CUserDialog dialog;
        dialog.Create(&parent, IDS_LOG_FILE_CAPTION);
        dialog.SetText(IDS_RESET_LOG_QUESTION);
        for (int n = 0; n < c.count; ++n)
            EXPECT_TRUE(dialog.AddButton(labels[n], results[n], n == c.defaultIndex));
        ASSERT_TRUE(dialog.Create(IDD_USER_DIALOG, &parent));
        EXPECT_EQ(WindowText(dialog.m_hWnd), "Log File");
        EXPECT_EQ(WindowText(GetDlgItem(dialog.m_hWnd, IDC_USER_TEXT)), "Do you want to reset the log file?");
        for (int n = 0; n < 3; ++n) {
            HWND button = GetDlgItem(dialog.m_hWnd, IDC_USER_BUTTON1 + n);
            EXPECT_EQ((GetWindowLongA(button, GWL_STYLE) & WS_VISIBLE) != 0, n < c.count) << n;
            if (n >= c.count)
                continue;
            EXPECT_EQ(ChildRect(dialog.m_hWnd, IDC_USER_BUTTON1 + n).left, c.lefts[n]) << n;
            EXPECT_EQ(WindowText(button), labels[n]);
        }
        const int defaultId = IDC_USER_BUTTON1 + c.defaultIndex;
        EXPECT_EQ(LOWORD(SendMessageA(dialog.m_hWnd, DM_GETDEFID, 0, 0)), defaultId);
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog.m_hWnd, defaultId));
        Click(dialog.m_hWnd, defaultId);
        EXPECT_EQ(dialog.GetResult(), results[c.defaultIndex]);
        EXPECT_EQ(dialog.m_hWnd, nullptr) << "a pressed button ends the dialog";
    }

    CUserDialog full;
    for (int n = 0; n < 3; ++n)
        EXPECT_TRUE(full.AddButton(labels[n], results[n], false));
    EXPECT_FALSE(full.AddButton("Fourth", 99, true)) << "a fourth button is refused";
    EXPECT_EQ(full.GetButtonCount(), 3);
    ASSERT_TRUE(full.Create(IDD_USER_DIALOG, &parent));
    SendMessageA(full.m_hWnd, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(full.GetResult(), IDCANCEL) << "closed otherwise: 2";
    parent.m_hWnd = nullptr;
}

// The program's prompt service runs the dialog modally.
TEST(UserDialog, TheProgramsPromptsShowItModallyWithTheCallersLabels)
{
    CSimPrompts prompts;
    const struct {
        UINT type;
        std::vector<std::string> labels;
        int press;
        int result;
        std::vector<std::string> shown;
    } cases[] = {
        {MB_YESNO, {"Yes", "No"}, IDC_USER_BUTTON2, IDNO, {"Yes", "No"}},
        {MB_YESNOCANCEL, {"&Backup"}, IDC_USER_BUTTON1, IDYES, {"&Backup", "&No", "Cancel"}},
        {MB_OK, {"OK"}, IDC_USER_BUTTON1, IDOK, {"OK"}},
    };
    for (const auto& c : cases) {
        std::vector<LPCTSTR> labels;
        for (const std::string& label : c.labels)
            labels.push_back(label.c_str());
        std::vector<std::string> shown;
        int result = 0;
        {
            ModalPress press("Modal question", c.press, [&](HWND dialog) {
                for (int id = IDC_USER_BUTTON1; id <= IDC_USER_BUTTON3; ++id) {
                    HWND child = GetDlgItem(dialog, id);
                    if (GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE)
                        shown.push_back(WindowText(child));
                }
            });
            result = prompts.PromptLabelled(nullptr, "Go on?", "Modal question", c.type, labels.data(),
                                            static_cast<int>(labels.size()));
        }
        EXPECT_EQ(result, c.result) << c.type;
        EXPECT_EQ(shown, c.shown) << c.type;
    }
}

// --- the high-resolution log --------------------------------------------------------

TEST(HighResolutionLog, AppendsItsEntriesWhenItGoesAndNothingWhenEmpty)
{
    ScratchFolder folder;
    const std::string path = folder / "SimHR.log";
    { CHRLog empty(path); }
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << "no entries: no file";

    WriteWholeFile(path, "before\n");
    {
        CHRLog log(path);
        EXPECT_TRUE(log.Add("07-Mar-2026 @ 04:05:06.007", "Suspend 3"));
        // Both fields are cut to 32 and 64 characters.
        EXPECT_TRUE(log.Add(std::string(40, 't').c_str(), std::string(70, 'm').c_str()));
        EXPECT_TRUE(log.Add("stamped now"));
        EXPECT_EQ(log.GetCount(), 3);
    }
    const std::string text = ReadWholeFile(path);
    const std::string first = std::string("07-Mar-2026 @ 04:05:06.007") + std::string(8, ' ') + "Suspend 3\n";
    const std::string second = std::string(32, 't') + "  " + std::string(64, 'm') + "\n";
    ASSERT_EQ(text.substr(0, 7 + first.size() + second.size()), "before\n" + first + second) << text;
    const std::string third = text.substr(7 + first.size() + second.size());
    EXPECT_EQ(third.size(), 34u + 11u + 1u) << third;
    EXPECT_EQ(third.substr(34), "stamped now\n");
    EXPECT_EQ(third.substr(11, 3), " @ ");

    CHRLog full(folder / "full.log");
    for (int n = 0; n < CHRLog::kMaxEntries; ++n)
        ASSERT_TRUE(full.Add("t", "m")) << n;
    EXPECT_FALSE(full.Add("t", "one too many"));
    EXPECT_EQ(full.GetCount(), CHRLog::kMaxEntries);
}

// --- the enciphered splash picture ---------------------------------------------------

// A 3 x 2 bitmap file of 24-bit pixels.
std::string SmallBitmapFile()
{
    std::string file(54 + 2 * 12, '\0');
    auto put32 = [&](size_t at, uint32_t value) {
        for (int n = 0; n < 4; ++n)
            file[at + n] = static_cast<char>(value >> (8 * n));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, 3);
    put32(22, 2);
    file[26] = 1;
    file[28] = 24;
    for (size_t n = 54; n < file.size(); ++n)
        file[n] = static_cast<char>(n * 7);
    return file;
}

class SplashPicture : public testing::Test {
protected:
    std::string Enciphered(uint32_t key)
    {
        WriteWholeFile(m_folder / "plain.bmp", SmallBitmapFile());
        EXPECT_TRUE(CSplashEncrypt::Encipher(m_folder / "plain.bmp", m_folder / "QCSGraphic.teg", key));
        return ReadWholeFile(m_folder / "QCSGraphic.teg");
    }
    ScratchFolder m_folder;
};

TEST_F(SplashPicture, DeciphersWhatWasEncipheredAndRefusesEverythingElse)
{
    const std::string teg = Enciphered(0x12345678);
    ASSERT_EQ(teg.size(), 16 + SmallBitmapFile().size());
    EXPECT_EQ(teg.find("BM", 16), std::string::npos) << "the picture is not stored plain";
    const std::string out = m_folder / "out.bmp";
    EXPECT_EQ(CSplashEncrypt::DecipherFile(m_folder / "QCSGraphic.teg", out), CSplashEncrypt::Result::Done);
    EXPECT_EQ(ReadWholeFile(out), SmallBitmapFile());

    using R = CSplashEncrypt::Result;
    std::string wrongKey = teg;
    wrongKey[12] ^= 1;
    std::string longer = teg;
    longer[8] = static_cast<char>(longer[8] + 1); // claims a byte more than it holds
    std::string flipped = teg;
    flipped[16 + 2] ^= 0x40; // the bitmap's own length no longer matches
    const struct {
        const char* name;
        std::string content;
        R result;
    } cases[] = {
        {"empty", "", R::HeaderUnreadable},
        {"half a header", teg.substr(0, 15), R::HeaderUnreadable},
        {"another tag", "VXTEGBMQ" + teg.substr(8), R::NotEncrypted},
        {"a plain bitmap", SmallBitmapFile(), R::NotEncrypted},
        {"cut short", teg.substr(0, teg.size() - 1), R::NotEncrypted},
        {"longer than it is", longer, R::NotEncrypted},
        {"another key", wrongKey, R::NotEncrypted},
        {"a changed byte", flipped, R::NotEncrypted},
    };
    for (const auto& c : cases) {
        DeleteFileA(out.c_str());
        WriteWholeFile(m_folder / "bad.teg", c.content);
        EXPECT_EQ(CSplashEncrypt::DecipherFile(m_folder / "bad.teg", out), c.result) << c.name;
        EXPECT_EQ(GetFileAttributesA(out.c_str()), INVALID_FILE_ATTRIBUTES) << c.name << ": no bitmap left";
    }
    EXPECT_EQ(CSplashEncrypt::DecipherFile(m_folder / "missing.teg", out), R::HeaderUnreadable);
    EXPECT_STREQ(CSplashEncrypt::MessageFor(R::HeaderUnreadable), "Could not read the encrypted file header");
    EXPECT_STREQ(CSplashEncrypt::MessageFor(R::NotEncrypted), "This is not an encrypted BMP file");
}

TEST_F(SplashPicture, TheBackgroundComesFromThePictureElseFromTheResource)
{
    ScriptedPrompts prompts;
    auto size = [](HBITMAP picture) {
        BITMAP info{};
        GetObjectA(picture, sizeof info, &info);
        DeleteObject(picture);
        return std::make_pair(static_cast<int>(info.bmWidth), static_cast<int>(info.bmHeight));
    };
    const auto resource = size(LoadBackground(m_folder.Path(), nullptr));
    ASSERT_GT(resource.first, 3) << "no picture file: the bitmap resource";

    Enciphered(7);
    EXPECT_EQ(size(LoadBackground(m_folder.Path(), nullptr)), std::make_pair(3, 2));
    EXPECT_EQ(GetFileAttributesA((m_folder / "QCSGTemp.bmp").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the temporary bitmap goes once loaded";
    EXPECT_TRUE(prompts.Records().empty());

    WriteWholeFile(m_folder / "QCSGraphic.teg", "VXTEG");
    EXPECT_EQ(size(LoadBackground(m_folder.Path(), nullptr)), resource);
    ASSERT_EQ(prompts.Records().size(), 1u);
    EXPECT_EQ(prompts.Records()[0].text, "Could not read the encrypted file header");
    EXPECT_EQ(prompts.Records()[0].labels, std::vector<std::string>{"OK"});
}

// --- version texts and folders --------------------------------------------------------

TEST(SupportTexts, AboutBoxVersionsAndTheDocumentsFolder)
{
    const AboutTexts program = ReadAboutTexts((ThisProgramFolder() + "\\QCSimulation.exe").c_str());
    EXPECT_EQ(program.version, "Version: 2.0.0.1  (Sys: 1.65)");
    EXPECT_EQ(program.copyright, "Copyright (C) Vexo Labs Ltd");
    ScratchFolder folder;
    WriteWholeFile(folder / "plain.exe", "MZ");
    const AboutTexts bare = ReadAboutTexts((folder / "plain.exe").c_str());
    EXPECT_EQ(bare.copyright, "") << "no version resource: no copyright line";
    EXPECT_EQ(bare.version, "Version:   (Sys: 1.65)");

    const std::string documents = DocumentsFolderPath();
    ASSERT_FALSE(documents.empty());
    EXPECT_NE(documents.back(), '\\');
    EXPECT_NE(GetFileAttributesA(documents.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u) << documents;

    const struct {
        const char* path;
        bool local;
    } paths[] = {{"C:\\logs\\sim.log", true},  {"c:\\sim.log", true},        {"C:sim.log", false},
                 {"\\\\server\\share\\sim.log", false}, {"sim.log", false},    {"", false},
                 {"1:\\sim.log", false},        {"C:/sim.log", false}};
    for (const auto& p : paths)
        EXPECT_EQ(IsOnLocalHardDrive(p.path), p.local) << p.path;
}

// --- the diagnostics dialog ----------------------------------------------------------

class DiagnosticsDialogTest : public RegistrySandboxTest {
protected:
    DiagnosticsDialogTest() { m_parent.m_hWnd = m_owner; }
    ~DiagnosticsDialogTest() override
    {
        if (m_dialog.m_hWnd)
            m_dialog.DestroyWindow();
        m_parent.m_hWnd = nullptr;
        qcsim::CLogFile& log = SimLog();
        log.SetEnabled(false);
        log.SetLogMask(0);
        log.SetFilePath("");
        log.Close();
    }

    void Open()
    {
        SimLog().ReadSettings();
        SimLog().SetFilePath(ReadSimSettingString("\\Config", "LogFileName"));
        ASSERT_TRUE(m_dialog.Create(IDD_DIAGNOSTICS, &m_parent));
    }
    HWND Dialog() const { return m_dialog.m_hWnd; }
    bool ApplyEnabled() const
    {
        const bool apply = IsWindowEnabled(GetDlgItem(Dialog(), IDC_APPLY)) != FALSE;
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(Dialog(), IDOK)) != FALSE, apply);
        return apply;
    }
    void Tick(int id)
    {
        CheckDlgButton(Dialog(), id, Checked(Dialog(), id) ? BST_UNCHECKED : BST_CHECKED);
        Click(Dialog(), id);
    }

    ScratchFolder m_folder;
    ScriptedPrompts m_prompts;
    ScriptedFileDialogs m_files;
    TestWindow m_owner{"owner"};
    CWnd m_parent;
    CDiagnosticDialog m_dialog{&m_parent};
};

TEST_F(DiagnosticsDialogTest, StartsFromTheSettingsAndOffersApplyOnlyForAChange)
{
    WriteSimSettingDword("\\Comms", "LogFlags", 0x2005);
    Open();
    // Logging off: neither output box shows ticked, whatever the flags.
    EXPECT_FALSE(Checked(Dialog(), IDC_LOG_TO_FILE));
    EXPECT_FALSE(Checked(Dialog(), IDC_LOG_DEBUG_PRINT));
    for (int bit = 0; bit < 16; ++bit)
        EXPECT_EQ(Checked(Dialog(), CDiagnosticDialog::kCategoryBoxes[bit]), ((0x2005 >> bit) & 1) != 0) << bit;
    EXPECT_EQ(WindowText(GetDlgItem(Dialog(), IDC_LOG_EVENT13)), "Evant 13");
    EXPECT_EQ(WindowText(GetDlgItem(Dialog(), IDC_LOG_EVENT11)), "Event 11");
    EXPECT_EQ(m_dialog.GetLogFile(), DocumentsFolderPath() + "\\QSimDebug.log");
    EXPECT_EQ(WindowText(GetDlgItem(Dialog(), IDC_LOG_FILE)), m_dialog.GetLogFile());
    EXPECT_EQ(m_dialog.GetViewer(), "Notepad.exe");
    EXPECT_FALSE(ApplyEnabled());
    Tick(IDC_LOG_EVENT9);
    EXPECT_TRUE(ApplyEnabled());
    Tick(IDC_LOG_EVENT9);
    EXPECT_FALSE(ApplyEnabled()) << "back as it started";
    Tick(IDC_LOG_DEBUG_PRINT);
    EXPECT_TRUE(ApplyEnabled());
}

TEST_F(DiagnosticsDialogTest, ApplyStoresTheChoicesAsksToResetAndLogsAtOnce)
{
    const std::string path = m_folder / "sim.log";
    WriteSimSettingString("\\Config", "LogFileName", path);
    WriteWholeFile(path, "old lines\r\n");
    Open();
    EXPECT_EQ(m_dialog.GetLogFile(), path);
    Tick(IDC_LOG_TO_FILE);
    Tick(IDC_LOG_BIT2);
    Tick(IDC_LOG_EVENT13);
    m_prompts.Answer(IDNO);
    Click(Dialog(), IDC_APPLY);
    ASSERT_EQ(m_prompts.Records().size(), 1u);
    const ScriptedPrompts::Record question = m_prompts.Records()[0];
    EXPECT_EQ(question.caption, "Log File");
    EXPECT_EQ(question.text, "Do you want to reset the log file?");
    EXPECT_EQ(question.labels, (std::vector<std::string>{"Yes", "No"}));
    EXPECT_EQ(question.type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(question.type & MB_DEFMASK, static_cast<UINT>(MB_DEFBUTTON1));
    EXPECT_EQ(ReadWholeFile(path), "old lines\r\n") << "No keeps the file";
    EXPECT_FALSE(ApplyEnabled());

    const struct {
        const char* subkey;
        const char* name;
        DWORD value;
    } stored[] = {{"\\Comms", "LogFlags", 0x2004},
                  {"\\Config", "LogToFile", 1},
                  {"\\Config", "LogWithDebugPrint", 0},
                  {"\\Config", "EnableCommsLogging", 1}};
    for (const auto& s : stored)
        EXPECT_EQ(ReadSimSettingDword(s.subkey, s.name, 99), s.value) << s.name;
    EXPECT_TRUE(SimLog().IsEnabled());
    EXPECT_EQ(SimLog().GetLogMask(), 0x2004u);
    SimLog().LogFormat(kLogTaskSwitch, "Resume %d", 2);
    SimLog().LogFormat(kLogComms, "Rx: ");
    std::string text = ReadWholeFile(path);
    EXPECT_EQ(text.rfind("old lines\r\n", 0), 0u);
    EXPECT_NE(text.find(": Resume 2\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Rx: "), std::string::npos) << "category 1 is masked out";

    // Yes empties the file; Reset Log File does so without asking.
    Tick(IDC_LOG_BIT0);
    m_prompts.Answer(IDYES);
    SendMessageA(Dialog(), WM_COMMAND, IDOK, 0);
    EXPECT_EQ(m_prompts.Records().size(), 2u);
    EXPECT_EQ(ReadWholeFile(path), "");
    SimLog().LogFormat(kLogComms, "Rx: ");
    EXPECT_NE(ReadWholeFile(path), "");
    Click(Dialog(), IDC_RESET_LOG);
    EXPECT_EQ(ReadWholeFile(path), "");
    EXPECT_EQ(m_prompts.Records().size(), 2u);

    // Turning both outputs off turns logging off.
    Tick(IDC_LOG_TO_FILE);
    Click(Dialog(), IDC_APPLY);
    EXPECT_FALSE(SimLog().IsEnabled());
    EXPECT_EQ(ReadSimSettingDword("\\Config", "EnableCommsLogging", 99), 0u);
    EXPECT_EQ(m_prompts.Records().size(), 2u) << "no question without the file";
}

TEST_F(DiagnosticsDialogTest, TheLogFileMustBeOnALocalDiskAndClosingStoresIt)
{
    Open();
    const std::string before = m_dialog.GetLogFile();
    m_files.Choose("\\\\server\\share\\sim.log");
    m_files.Cancel();
    m_files.Choose(m_folder / "chosen.log");
    Click(Dialog(), IDC_CHANGE_LOG_FILE);
    EXPECT_EQ(m_dialog.GetLogFile(), before);
    ASSERT_EQ(m_prompts.Records().size(), 1u);
    EXPECT_EQ(m_prompts.Records()[0].text, "File must be on local hard drive");
    EXPECT_EQ(m_prompts.Records()[0].caption, "Log File");
    EXPECT_EQ(m_prompts.Records()[0].labels, std::vector<std::string>{"OK"});
    Click(Dialog(), IDC_CHANGE_LOG_FILE);
    EXPECT_EQ(m_dialog.GetLogFile(), before) << "cancelled";
    Click(Dialog(), IDC_CHANGE_LOG_FILE);
    const std::string chosen = m_folder / "chosen.log";
    if (!IsOnLocalHardDrive(chosen))
        GTEST_SKIP() << "the scratch folder is not on a fixed disk: " << chosen;
    EXPECT_EQ(m_dialog.GetLogFile(), chosen);
    EXPECT_EQ(WindowText(GetDlgItem(Dialog(), IDC_LOG_FILE)), chosen);
    EXPECT_TRUE(ApplyEnabled());
    const auto asked = m_files.Records();
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_TRUE(asked[0].open);
    EXPECT_EQ(asked[0].filter, "Log Files (*.log)|*.log||");
    EXPECT_EQ(asked[0].fileName, before);
    EXPECT_EQ(asked[0].flags & (OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT),
              static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
    m_dialog.DestroyWindow();
    EXPECT_EQ(ReadSimSettingString("\\Config", "LogFileName"), chosen) << "closing stores the file";
}

TEST_F(DiagnosticsDialogTest, ViewingTheLogStartsTheViewerOrSaysWhyNot)
{
    const std::string log = m_folder / "view me.log";
    WriteSimSettingString("\\Config", "LogFileName", log);
    Open();
    Click(Dialog(), IDC_VIEW_LOG);
    ASSERT_EQ(m_prompts.Records().size(), 1u);
    EXPECT_EQ(m_prompts.Records()[0].text, "File '" + log + "' does not exist");
    EXPECT_EQ(m_prompts.Records()[0].caption, "View log");

    WriteWholeFile(log, "lines\r\n");
    const std::string viewer = m_folder / "viewer.exe";
    ASSERT_TRUE(CopyFileA((ThisProgramFolder() + "\\cmdline_recorder.exe").c_str(), viewer.c_str(), FALSE));
    m_files.Choose(m_folder / "missing.exe");
    m_files.Choose(viewer);
    Click(Dialog(), IDC_SET_LOG_VIEWER);
    EXPECT_EQ(m_dialog.GetViewer(), "Notepad.exe") << "a file that does not exist is no viewer";
    Click(Dialog(), IDC_SET_LOG_VIEWER);
    EXPECT_EQ(m_dialog.GetViewer(), viewer);
    EXPECT_EQ(ReadSimSettingString("\\Config", "LogViewer"), viewer);
    EXPECT_EQ(m_files.Records()[0].filter, "Executable Files (*.exe)|*.exe||");
    EXPECT_NE(m_files.Records()[0].flags & OFN_FILEMUSTEXIST, 0u);

    Click(Dialog(), IDC_VIEW_LOG);
    const std::string recorded = viewer + ".cmdline";
    ASSERT_TRUE(PumpUntil([&] { return GetFileAttributesA(recorded.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000));
    const std::string line = ReadWholeFile(recorded);
    EXPECT_EQ(line.substr(0, line.find('\n')), viewer + " \"" + log + "\"") << "a name with a blank is quoted";
    EXPECT_EQ(m_prompts.Records().size(), 1u);

    DeleteFileA(viewer.c_str());
    m_dialog.DestroyWindow();
    Open();
    Click(Dialog(), IDC_VIEW_LOG);
    ASSERT_EQ(m_prompts.Records().size(), 2u);
    EXPECT_EQ(m_prompts.Records()[1].text, "Error running external program");
}

} // namespace

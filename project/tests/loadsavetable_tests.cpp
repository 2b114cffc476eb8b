// The TABLE load and save window against the scripted controller in
// channel mode, driven by messages.
#include <gtest/gtest.h>

#include <objbase.h>

#include <atomic>
#include <functional>
#include <cstdio>
#include <mutex>

#include "project/loadsavetable.h"
#include "project/project_resource.h"
#include "project/tests/dialog_answer.h"
#include "link/tests/support/scripted_connection.h"
#include "testsupport/test_window.h"

namespace {

// What the progress window shows now: its text and position; empty when
// there is none.
std::string GaugeState()
{
    HWND gauge = ::FindWindowA(nullptr, "Process status");
    if (!gauge)
        return "";
    const LRESULT pos = ::SendDlgItemMessageA(gauge, IDC_GAUGE_PROGRESS, PBM_GETPOS, 0, 0);
    return WindowText(::GetDlgItem(gauge, IDC_GAUGE_TEXT)) + " " + std::to_string(pos);
}

class LoadSaveTableTest : public ScriptedConnectionTest {
protected:
    void Script(CScriptedController& link) override
    {
        link.SetReply("?TSIZE[0];", ScriptedReply("50"));
        // Index i reads i.5, except index 7, which the controller cannot show.
        link.SetReplyCallback([this](const std::string& command, ScriptedReply& reply) {
            long first = 0, last = 0;
            if (std::sscanf(command.c_str(), "TABLEVALUES(%ld,%ld,0)", &first, &last) != 2)
                return false;
            if (m_onRead)
                m_onRead(first);
            std::string text;
            for (long i = first; i <= last; ++i)
                text += (i > first ? "," : "") + (i == 7 ? std::string("#") : std::to_string(i) + ".5");
            reply.text = text;
            return true;
        });
    }
    void SetUp() override
    {
        ::CoInitialize(nullptr);
        ScriptedConnectionTest::SetUp();
    }
    void TearDown() override
    {
        if (::IsWindow(m_window))
            ::DestroyWindow(m_window);
        ScriptedConnectionTest::TearDown();
        ::CoUninitialize();
    }

    CLoadSaveTable* Open(int mode)
    {
        auto* dialog = new CLoadSaveTable(mode);
        if (!dialog->Create())
            return nullptr;
        m_window = dialog->m_hWnd;
        EXPECT_TRUE(dialog->SelectFolder(m_folder.Path().c_str()));
        return dialog;
    }
    void Set(int id, const char* text) { ::SetDlgItemTextA(m_window, id, text); }
    void Click(int id)
    {
        ::SendMessageA(m_window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(m_window, id)));
    }

    HWND m_window = nullptr;
    // Called on the link's thread as each block of values is read.
    std::function<void(long first)> m_onRead;
};

} // namespace

TEST_F(LoadSaveTableTest, SaveReadsInBlocksUpToTheTableSize)
{
    CLoadSaveTable* dialog = Open(CLoadSaveTable::MODE_SAVE);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->GetHighestIndex(), 49);
    char highest[16] = {};
    ::GetDlgItemTextA(m_window, IDC_TABLE_HIGHEST, highest, sizeof highest);
    EXPECT_STREQ(highest, "49");
    Set(IDC_TABLE_FILE, "values.old");
    Set(IDC_TABLE_START, "0");
    Set(IDC_TABLE_END, "100");
    Click(IDOK);
    EXPECT_EQ(CommandsStarting("TABLEVALUES"),
              (std::vector<std::string>{"TABLEVALUES(0,31,0)", "TABLEVALUES(32,49,0)"}));
    const std::string text = ReadWholeFile(m_folder / "values.lst");
    EXPECT_EQ(text.substr(0, 24), "0:0.5\r\n1:1.5\r\n2:2.5\r\n3:3");
    EXPECT_NE(text.find("\r\n49:49.5\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n7:179769313486231"), std::string::npos) << "a \"#\" value is kept as the marker";
    const auto texts = m_prompts.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].rfind("Your folder options include \"Hide file extensions for known file types\"", 0), 0u);
    EXPECT_EQ(texts[1].rfind("One or more values read from the controller may be invalid.", 0), 0u);
}

TEST_F(LoadSaveTableTest, SaveWhoseReadsTimeOutKeepsTheOldFile)
{
    const std::string path = m_folder / "values.bas";
    WriteWholeFile(path, "TABLE(0,1.0)\r\nold bytes");
    CLoadSaveTable* dialog = Open(CLoadSaveTable::MODE_SAVE);
    ASSERT_NE(dialog, nullptr);
    m_link->SetReplyPattern("TABLEVALUES(32,%d,0)", [] {
        ScriptedReply reply;
        reply.silent = true;
        return reply;
    }());
    ::CheckRadioButton(m_window, IDC_TABLE_TYPE_LIST, IDC_TABLE_TYPE_TEXT, IDC_TABLE_TYPE_PROGRAM);
    Click(IDC_TABLE_TYPE_PROGRAM);
    Set(IDC_TABLE_FILE, "values");
    Set(IDC_TABLE_END, "49");
    m_prompts.Answer(IDYES); // overwrite
    Click(IDOK);
    EXPECT_EQ(ReadWholeFile(path), "TABLE(0,1.0)\r\nold bytes");
    const auto texts = m_prompts.Texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_NE(texts.back().find("was not changed"), std::string::npos) << texts.back();
}

TEST_F(LoadSaveTableTest, LoadSendsTableLinesWithinTheLineLimit)
{
    std::string file = "TABLE(100";
    for (int i = 0; i < 25; ++i)
        file += "," + std::to_string(1000000 + i) + ".125";
    file += ")\r\n";
    WriteWholeFile(m_folder / "load.bas", file);
    CLoadSaveTable* dialog = Open(CLoadSaveTable::MODE_LOAD);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->GetLineLimit(), 80);
    ::CheckRadioButton(m_window, IDC_TABLE_TYPE_LIST, IDC_TABLE_TYPE_TEXT, IDC_TABLE_TYPE_PROGRAM);
    Click(IDC_TABLE_TYPE_PROGRAM);
    Set(IDC_TABLE_FILE, "load");
    Click(IDOK);
    const auto lines = CommandsStarting("TABLE(");
    ASSERT_GE(lines.size(), 3u);
    long next = 100;
    int values = 0;
    for (const std::string& line : lines) {
        EXPECT_LE(line.size(), 80u) << line;
        const long commas = static_cast<long>(std::count(line.begin(), line.end(), ','));
        EXPECT_LE(commas, 10) << line;
        EXPECT_EQ(line.rfind("TABLE(" + std::to_string(next) + ",", 0), 0u) << line;
        next += commas;
        values += static_cast<int>(commas);
    }
    EXPECT_EQ(values, 25);
}

TEST_F(LoadSaveTableTest, SaveShowsItsProgressAndStopsOnCancel)
{
    std::mutex lock;
    std::vector<std::string> seen;
    m_onRead = [&](long first) {
        std::lock_guard<std::mutex> guard(lock);
        seen.push_back(std::to_string(first) + ": " + GaugeState());
    };
    CLoadSaveTable* dialog = Open(CLoadSaveTable::MODE_SAVE);
    ASSERT_NE(dialog, nullptr);
    Set(IDC_TABLE_FILE, "values");
    Set(IDC_TABLE_END, "49");
    Click(IDOK);
    {
        std::lock_guard<std::mutex> guard(lock);
        EXPECT_EQ(seen, (std::vector<std::string>{"0: Reading table values 0", "32: Reading table values 64"}));
    }
    EXPECT_TRUE(PumpUntil([] { return GaugeState().empty(); })) << "the progress window goes";
    EXPECT_NE(ReadWholeFile(m_folder / "values.lst").find("\r\n49:49.5\r\n"), std::string::npos);

    // Cancel in the progress window while the first block is read: no
    // further block is asked for and the file stays as it was.
    WriteWholeFile(m_folder / "values.lst", "old");
    const std::size_t before = CommandsStarting("TABLEVALUES").size();
    m_onRead = [](long first) {
        HWND gauge = ::FindWindowA(nullptr, "Process status");
        if (first == 0 && gauge)
            ::SendMessageA(gauge, WM_COMMAND, MAKEWPARAM(IDC_GAUGE_CANCEL, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(gauge, IDC_GAUGE_CANCEL)));
    };
    m_prompts.Answer(IDYES); // overwrite
    Click(IDOK);
    const auto reads = CommandsStarting("TABLEVALUES");
    EXPECT_EQ(std::vector<std::string>(reads.begin() + static_cast<long>(before), reads.end()),
              std::vector<std::string>{"TABLEVALUES(0,31,0)"});
    EXPECT_EQ(ReadWholeFile(m_folder / "values.lst"), "old");
    EXPECT_NE(m_prompts.Texts().back().find("was not changed"), std::string::npos);
}

TEST_F(LoadSaveTableTest, LoadShowsItsProgress)
{
    std::string file;
    for (int i = 0; i < 25; ++i)
        file += std::to_string(i) + ":" + std::to_string(i) + "\r\n";
    WriteWholeFile(m_folder / "load.lst", file);
    std::mutex lock;
    std::vector<std::string> seen;
    m_link->SetReplyCallback([&](const std::string& command, ScriptedReply&) {
        if (command.rfind("TABLE(", 0) == 0) {
            std::lock_guard<std::mutex> guard(lock);
            seen.push_back(GaugeState());
        }
        return false;
    });
    CLoadSaveTable* dialog = Open(CLoadSaveTable::MODE_LOAD);
    ASSERT_NE(dialog, nullptr);
    Set(IDC_TABLE_FILE, "load");
    Click(IDOK);
    EXPECT_EQ(CommandsStarting("TABLE(").size(), 3u);
    std::lock_guard<std::mutex> guard(lock);
    EXPECT_EQ(seen, (std::vector<std::string>{"Storing table values 0", "Storing table values 40",
                                              "Storing table values 80"}));
}

TEST_F(LoadSaveTableTest, NewDirIsMadeBelowTheSelectedFolderAndUsed)
{
    CLoadSaveTable* dialog = Open(CLoadSaveTable::MODE_SAVE);
    ASSERT_NE(dialog, nullptr);
    for (const char* name : {"x?y", "Sub"}) {
        DialogAnswer answer("New directory", IDC_ENTER_TEXT, name, IDOK);
        Click(IDC_TABLE_NEW_DIR);
        EXPECT_TRUE(answer.Seen());
    }
    EXPECT_EQ(m_prompts.Texts().back(), "Invalid directory name \"x?y\"");
    Set(IDC_TABLE_FILE, "values");
    Set(IDC_TABLE_END, "3");
    Click(IDOK);
    EXPECT_EQ(ReadWholeFile(m_folder / "Sub\\values.lst"), "0:0.5\r\n1:1.5\r\n2:2.5\r\n3:3.5\r\n");
}

// The TABLE load and save window against the scripted controller in
// channel mode, driven by messages.
#include <gtest/gtest.h>

#include <objbase.h>

#include <cstdio>

#include "project/loadsavetable.h"
#include "project/project_resource.h"
#include "project/tests/scripted_connection.h"

namespace {

class LoadSaveTableTest : public ScriptedConnectionTest {
protected:
    void Script(CScriptedController& link) override
    {
        link.SetReply("?TSIZE[0];", ScriptedReply("50"));
        // Index i reads i.5, except index 7, which the controller cannot show.
        link.SetReplyCallback([](const std::string& command, ScriptedReply& reply) {
            long first = 0, last = 0;
            if (std::sscanf(command.c_str(), "TABLEVALUES(%ld,%ld,0)", &first, &last) != 2)
                return false;
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

#include "shell/language.h"

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "dialog_test_support.h"
#include "foundation/fileutil.h"
#include "framework/resources.h"
#include "shell/res/shell_resource.h"
#include "shell_test_support.h"
#include "shell_tests_res.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

const std::string kConfig = std::string(kSettingsRoot) + "\\Config";
const char kUseDefault[] = "\nUsing application default language";

std::string Translated()
{
    CString text;
    text.LoadString(IDS_TEST_TRANSLATED);
    return text.GetString();
}

// A program "Prog.exe" (version 1.2.3.4, US English) in a scratch folder,
// with the German library beside it when asked.
class LanguageTest : public ShellDialogTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Copy("lang_probe.exe", "Prog.exe"));
        m_program = m_folder / "Prog.exe";
    }
    void TearDown() override { AfxSetResourceHandle(nullptr); }

    bool Copy(const char* built, const char* as)
    {
        const std::string from = std::string(GetProgramDirectory()) + "\\" + built;
        return CopyFileA(from.c_str(), (m_folder / as).c_str(), FALSE) != FALSE;
    }

    ScratchFolder m_folder;
    std::string m_program;
};

TEST_F(LanguageTest, ALibraryOfTheSameVersionSuppliesTheTexts)
{
    ASSERT_TRUE(Copy("lang_deu.dll", "ProgDEU.dll"));
    PutRegDword(kConfig, "Language", 0x0407);
    CLanguageSupport languages(m_program.c_str());
    EXPECT_EQ(0x0409, languages.GetProgramLanguage());
    ASSERT_EQ(2, languages.GetAvailableLanguages().GetSize());
    EXPECT_EQ(0x0409, languages.GetAvailableLanguages()[0]);
    EXPECT_EQ(0x0407, languages.GetAvailableLanguages()[1]);

    EXPECT_EQ("Hello", Translated());
    languages.LoadLanguageLibrary();
    EXPECT_TRUE(languages.GetLibrary());
    EXPECT_EQ(0x0407, languages.GetRequestedLanguage());
    EXPECT_EQ("Hallo", Translated());
    // Strings the library does not hold still come from the program.
    CString own;
    own.LoadString(IDS_UNABLE_TO_START_TOOL);
    EXPECT_EQ("Unable to start tool %s\n\nFile: %s", std::string(own));
    EXPECT_TRUE(m_prompts.Records().empty());

    languages.FreeLanguageLibrary();
    EXPECT_EQ("Hello", Translated());
}

TEST_F(LanguageTest, ALibraryOfAnotherVersionIsToldOnceAndTheProgramsTextsStay)
{
    ASSERT_TRUE(Copy("lang_deu_other.dll", "ProgDEU.dll"));
    PutRegDword(kConfig, "Language", 0x0407);
    CLanguageSupport languages(m_program.c_str());
    languages.LoadLanguageLibrary();
    EXPECT_FALSE(languages.GetLibrary());
    EXPECT_EQ("Hello", Translated());
    ASSERT_EQ(1u, m_prompts.Records().size());
    EXPECT_EQ(std::string("Version mismatch\nProg: 1.2.3.4\nDLL:  1.2.3.5") + kUseDefault, m_prompts.Texts()[0]);
    EXPECT_TRUE(m_prompts.Records()[0].type & MB_ICONEXCLAMATION);
}

TEST_F(LanguageTest, AMissingLibraryIsToldAndTheProgramsOwnLanguageNeedsNone)
{
    PutRegDword(kConfig, "Language", 0x0407);
    CLanguageSupport languages(m_program.c_str());
    // Without libraries only the program's own language is offered.
    ASSERT_EQ(1, languages.GetAvailableLanguages().GetSize());
    EXPECT_EQ(0x0409, languages.GetAvailableLanguages()[0]);
    languages.LoadLanguageLibrary();
    EXPECT_FALSE(languages.GetLibrary());
    EXPECT_EQ(std::vector<std::string>{"File does not exist: " + (m_folder / "ProgDEU.dll") + kUseDefault},
              m_prompts.Texts());

    // No setting: the program's own language, quietly.
    PutRegDword(kConfig, "Language", 0);
    CLanguageSupport own(m_program.c_str());
    own.LoadLanguageLibrary();
    EXPECT_EQ(0x0409, own.GetRequestedLanguage());
    EXPECT_EQ(1u, m_prompts.Records().size());
    EXPECT_FALSE(own.TryLanguage(0));

    // A language without an abbreviation has no library name at all.
    EXPECT_FALSE(own.LoadLanguage(0x0FFF));
    EXPECT_EQ(std::string("Attempt to load DLL for unsupported language. Language = 4095") + kUseDefault,
              m_prompts.Texts().back());
    EXPECT_EQ(0x0409, own.GetRequestedLanguage());
}

TEST(LanguageNameTest, NamesAreTheLanguagesOwn)
{
    EXPECT_EQ("Deutsch", std::string(CLanguageSupport::GetLanguageName(0x0407)));
    EXPECT_EQ("English", std::string(CLanguageSupport::GetLanguageName(0x0409)));
    EXPECT_EQ("4095 - ???", std::string(CLanguageSupport::GetLanguageName(0x0FFF)));
}

TEST_F(LanguageTest, TheDialogListsTheLanguagesAndStoresTheChoiceOnly)
{
    ASSERT_TRUE(Copy("lang_deu.dll", "ProgDEU.dll"));
    CLanguageSupport languages(m_program.c_str());
    languages.LoadLanguageLibrary(); // the program's own language

    std::vector<std::string> listed;
    int selected = -1;
    std::thread user([&] {
        const HWND hDlg = WaitForDialog("Language");
        if (!hDlg)
            return;
        const HWND hList = GetDlgItem(hDlg, IDC_LANGUAGE_LIST);
        const int count = static_cast<int>(SendMessageA(hList, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char name[64] = {};
            SendMessageA(hList, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
            listed.push_back(name);
        }
        selected = static_cast<int>(SendMessageA(hList, LB_GETCURSEL, 0, 0));
        SendMessageA(hList, LB_SETCURSEL, 1, 0);
        Click(hDlg, IDOK);
    });
    CLanguageDialog dialog(languages);
    EXPECT_EQ(IDOK, dialog.DoModal());
    user.join();
    EXPECT_EQ((std::vector<std::string>{"English", "Deutsch"}), listed);
    EXPECT_EQ(0, selected);
    EXPECT_EQ(0x0407, RegDword(kConfig, "Language"));
    // Nothing changes before the next start.
    EXPECT_FALSE(languages.GetLibrary());
    EXPECT_EQ("Hello", Translated());
}

} // namespace

#include "ui/edits.h"

#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "foundation/clipboard.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"
#include "toolkit_test_support.h"

namespace {

void Type(CWnd& edit, const char* keys)
{
    for (const char* p = keys; *p; ++p)
        edit.SendMessage(WM_CHAR, static_cast<BYTE>(*p), 1);
}

TEST(NumericEdit, KeyFilterTables)
{
    const struct {
        bool floating;
        const char* keys;
        const char* text;
    } cases[] = {
        {false, "-", "-"},       {false, "12-3", "123"}, {false, "4a2", "42"},   {false, "-7", "-7"},
        {false, ".", ""},        {true, ".", "."},       {true, "-.", "-."},     {true, "3.", "3."},
        {true, "1.2.3", "1.23"}, {true, "2e5", "25"},    {true, "-1.5", "-1.5"}, {true, "1-", "1"},
    };
    RecordingParent parent;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        int intValue = 0;
        double doubleValue = 0;
        CNumericEdit edit;
        if (c.floating)
            ASSERT_TRUE(edit.CreateFloatEdit(CRect(0, 0, 100, 20), &parent, 10, &doubleValue, -100, 100));
        else
            ASSERT_TRUE(edit.CreateIntegerEdit(CRect(0, 0, 100, 20), &parent, 10, &intValue, -100, 100));
        Type(edit, c.keys);
        EXPECT_EQ(c.text, WindowText(edit.m_hWnd));
        if (c.floating)
            EXPECT_DOUBLE_EQ(atof(c.text), doubleValue);
        else
            EXPECT_EQ(atoi(c.text), intValue);
        edit.DestroyWindow();
    }
}

TEST(NumericEdit, LimitsAndTheRangeCheckOnLeaving)
{
    RecordingParent parent;
    ScriptedPrompts prompts;
    int value = 0;
    CNumericEdit edit;
    ASSERT_TRUE(edit.CreateIntegerEdit(CRect(0, 0, 100, 20), &parent, 10, &value, 5, 10));
    EXPECT_EQ(0, edit.m_nLower); // a lower limit above 0 becomes 0
    EXPECT_EQ(10, edit.m_nUpper);
    EXPECT_EQ(WS_CHILD | WS_VISIBLE | WS_TABSTOP, edit.GetStyle() & (WS_CHILD | WS_VISIBLE | WS_TABSTOP));

    Type(edit, "12");
    edit.SendMessage(WM_KILLFOCUS);
    ASSERT_EQ(1u, prompts.Records().size());
    EXPECT_EQ("Numeric entry", prompts.Records()[0].caption);
    EXPECT_EQ("Number out of range\n\nIt must be in the range 0 to 10", prompts.Records()[0].text);
    EXPECT_EQ(12, value); // the value stays; the user is told
    auto done = parent.Messages(WM_NUMERIC_EDIT_DONE);
    ASSERT_EQ(1u, done.size());
    EXPECT_EQ(1u, done[0].wParam);
    EXPECT_EQ(reinterpret_cast<LPARAM>(&edit), done[0].lParam);

    edit.SetIntegerRange(5, 10);
    EXPECT_EQ(5, edit.m_nLower);

    // Exactly the upper limit of a float field is in range.
    double real = 0;
    CNumericEdit floatEdit;
    ASSERT_TRUE(floatEdit.CreateFloatEdit(CRect(0, 30, 100, 50), &parent, 11, &real, 0.5, 2.5));
    Type(floatEdit, "2.5");
    floatEdit.SendMessage(WM_KILLFOCUS);
    EXPECT_EQ(1u, prompts.Records().size());
    EXPECT_EQ(2u, parent.Messages(WM_NUMERIC_EDIT_DONE).size());
    // Two fields out of range: returning the focus to one must not make
    // the other complain in turn, back and forth.
    Type(floatEdit, "1");
    floatEdit.SendMessage(WM_KILLFOCUS);
    PumpFor(50);
    // The integer field does not complain again. (Another program's window
    // on the shared test display may take the focus and make the float field
    // repeat its own message: that is not the fault looked for here.)
    ASSERT_LE(2u, prompts.Records().size());
    EXPECT_EQ("Number out of range\n\nIt must be in the range 0.000 to 2.500", prompts.Records()[1].text);
    for (size_t n = 1; n < prompts.Records().size(); ++n)
        EXPECT_EQ(prompts.Records()[1].text, prompts.Records()[n].text);
    EXPECT_DOUBLE_EQ(2.51, real);
}

// Puts text on the clipboard and pastes it into the edit. Other test
// programs share the clipboard: a paste that may have met their text is
// done again.
void Paste(CWnd& edit, const char* text)
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        const CString before = edit.GetWindowTextString();
        ASSERT_TRUE(ClipboardAccess(edit.m_hWnd).SetText(text));
        const DWORD sequence = ::GetClipboardSequenceNumber();
        edit.SendMessage(WM_PASTE);
        if (::GetClipboardSequenceNumber() == sequence)
            return;
        edit.SetWindowText(before);
    }
    FAIL() << "the clipboard kept changing";
}

TEST(NumericEdit, EveryChangeIsCheckedNotOnlyTyping)
{
    enum How { kPaste, kReplace, kSetText };
    const struct {
        bool floating;
        How how;
        const char* typed; // typed first
        const char* change;
        const char* text;
    } cases[] = {
        {false, kPaste, "", "3abc", ""},        {false, kPaste, "1", "42", "142"},
        {false, kReplace, "7", "x", "7"},       {false, kSetText, "5", "12-", "5"},
        {false, kSetText, "5", "64", "64"},     {true, kPaste, "1", ".5e3", "1"},
        {true, kPaste, "1", ".25", "1.25"},     {true, kReplace, "2.", "5.", "2."},
        {false, kPaste, "", "4294967296", ""},  {false, kPaste, "", "99999999999", ""},
        {false, kPaste, "", "-2147483648", "-2147483648"},
    };
    RecordingParent parent;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.typed << " + " << c.change);
        int intValue = -1;
        double doubleValue = -1;
        CNumericEdit edit;
        if (c.floating)
            ASSERT_TRUE(edit.CreateFloatEdit(CRect(0, 0, 100, 20), &parent, 10, &doubleValue, -100, 100));
        else
            ASSERT_TRUE(edit.CreateIntegerEdit(CRect(0, 0, 100, 20), &parent, 10, &intValue, -100, 100));
        Type(edit, c.typed);
        switch (c.how) {
        case kPaste:
            Paste(edit, c.change);
            break;
        case kReplace:
            edit.SendMessage(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(c.change));
            break;
        case kSetText:
            edit.SetWindowText(c.change);
            break;
        }
        EXPECT_EQ(c.text, WindowText(edit.m_hWnd));
        if (c.floating) {
            EXPECT_DOUBLE_EQ(atof(c.text), doubleValue);
        } else if (*c.text) {
            EXPECT_EQ(atoi(c.text), intValue);
        }
        edit.DestroyWindow();
    }
}

TEST(NumericEdit, NumbersBeyondTheTypeAreRefusedNotWrapped)
{
    const struct {
        const char* keys;
        const char* text;
        int value;
    } cases[] = {
        {"4294967296", "429496729", 429496729},    {"99999999999", "999999999", 999999999},
        {"2147483647", "2147483647", INT_MAX},     {"2147483648", "214748364", 214748364},
        {"-2147483648", "-2147483648", INT_MIN},   {"-2147483649", "-214748364", -214748364},
    };
    RecordingParent parent;
    ScriptedPrompts prompts;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        int value = 0;
        CNumericEdit edit;
        ASSERT_TRUE(edit.CreateIntegerEdit(CRect(0, 0, 100, 20), &parent, 10, &value, 0, 100));
        Type(edit, c.keys);
        EXPECT_EQ(c.text, WindowText(edit.m_hWnd));
        EXPECT_EQ(c.value, value);
        // Out of 0..100 in every case: leaving the field says so.
        const size_t before = prompts.Records().size();
        edit.SendMessage(WM_KILLFOCUS);
        EXPECT_EQ(before + 1, prompts.Records().size());
        edit.DestroyWindow();
    }
    double real = 0;
    EXPECT_FALSE(CNumericEdit::ParseFloatText(std::string(400, '9').c_str(), real));
    EXPECT_TRUE(CNumericEdit::ParseFloatText("-.", real));
    EXPECT_EQ(0.0, real);
}

TEST(NumericEdit, TheRangeMessageFollowsTheFieldsKind)
{
    const struct {
        bool createFloat;
        bool rangeFloat;
        const char* message; // null: the default one
        const char* keys;
        const char* shown;
    } cases[] = {
        {false, true, nullptr, "3", "Number out of range\n\nIt must be in the range 0.500 to 2.500"},
        {true, false, nullptr, "12", "Number out of range\n\nIt must be in the range 0 to 10"},
        {true, true, "Between %d and %d", "3", "Number out of range\n\nIt must be in the range 0.500 to 2.500"},
        {false, false, "Between %d and %d", "12", "Between 0 and 10"},
        {true, true, "From %.1f to %.1f", "3", "From 0.5 to 2.5"},
        {false, false, "%s", "12", "Number out of range\n\nIt must be in the range 0 to 10"},
    };
    RecordingParent parent;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        ScriptedPrompts prompts;
        int intValue = 0;
        double doubleValue = 0;
        CNumericEdit edit;
        if (c.createFloat)
            ASSERT_TRUE(edit.CreateFloatEdit(CRect(0, 0, 100, 20), &parent, 10, &doubleValue, 0, 1, c.message));
        else
            ASSERT_TRUE(edit.CreateIntegerEdit(CRect(0, 0, 100, 20), &parent, 10, &intValue, 0, 1, c.message));
        if (c.rangeFloat)
            edit.SetFloatRange(0.5, 2.5);
        else
            edit.SetIntegerRange(0, 10);
        Type(edit, c.keys);
        edit.SendMessage(WM_KILLFOCUS);
        ASSERT_EQ(1u, prompts.Records().size());
        EXPECT_EQ(c.shown, prompts.Records()[0].text);
        edit.DestroyWindow();
    }
}

TEST(FilterEdit, KeyFilterTables)
{
    const struct {
        int kind;
        const char* keys;
        const char* text;
    } cases[] = {
        {1, "a b c", "abc"}, {2, "1000", "100"}, {2, "1x0", "10"}, {2, ".\b5", "5"}, {2, "5\b", ""}, {0, "a b", "a b"},
    };
    RecordingParent parent;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        CFilterEdit edit;
        ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 100, 20), &parent, 12));
        edit.m_nFilter = c.kind;
        edit.SetLimits(TRUE, 100, FALSE, 0);
        Type(edit, c.keys);
        EXPECT_EQ(c.text, WindowText(edit.m_hWnd));
        if (c.kind == 2 && std::string(c.keys) == "1000") {
            int start = 0, end = 0;
            edit.GetSel(start, end);
            EXPECT_EQ(3, start); // the caret back at the end
        }
        edit.DestroyWindow();
    }
}

TEST(CellEdit, ReportsNavigationKeysAndFocus)
{
    RecordingParent parent;
    parent.m_payloadSize = sizeof(CELLEDIT_KEY);
    CCellEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 100, 20), &parent, 13));
    EXPECT_EQ(static_cast<LRESULT>(DLGC_WANTALLKEYS), edit.SendMessage(WM_GETDLGCODE));
    for (UINT key : {VK_TAB, VK_RETURN, VK_UP, VK_DOWN}) {
        parent.Clear();
        edit.SendMessage(WM_KEYDOWN, key, 0x00010001);
        auto keys = parent.Messages(WM_CELL_EDIT_KEY);
        ASSERT_EQ(1u, keys.size());
        EXPECT_EQ(0u, keys[0].wParam);
        CELLEDIT_KEY record;
        memcpy(&record, parent.m_lastPayload.data(), sizeof(record));
        EXPECT_EQ(key, record.nChar);
        EXPECT_EQ(1u, record.nRepCnt);
        EXPECT_EQ(&edit, record.pEdit);
    }
    parent.Clear();
    edit.SendMessage(WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_TRUE(parent.Messages(WM_CELL_EDIT_KEY).empty());

    edit.SetWindowText("12");
    edit.SendMessage(WM_SETFOCUS);
    auto focus = parent.Messages(WM_CELL_EDIT_FOCUS);
    ASSERT_EQ(1u, focus.size());
    EXPECT_EQ(1u, focus[0].wParam);
    EXPECT_FALSE(edit.IsTextChanged());
    edit.SetWindowText("13");
    EXPECT_TRUE(edit.IsTextChanged());
}

TEST(CellEdit, FiltersByKindAndShowsNumbers)
{
    const struct {
        int kind;
        BOOL fitted;
        const char* keys;
        const char* text;
    } cases[] = {
        {CCellEdit::KIND_TEXT, FALSE, "a b\t", "a b"},      {CCellEdit::KIND_DOUBLE, FALSE, "-1.5e", "-1.5"},
        {CCellEdit::KIND_DOUBLE, TRUE, "1.5e-3", "1.5e-3"}, {CCellEdit::KIND_SIGNED, FALSE, "-12.", "-12"},
        {CCellEdit::KIND_UNSIGNED, FALSE, "-12", "12"},
    };
    RecordingParent parent;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        CCellEdit edit;
        ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 100, 20), &parent, 14));
        edit.SetCellKind(c.kind);
        edit.m_bFitted = c.fitted;
        Type(edit, c.keys);
        EXPECT_EQ(c.text, WindowText(edit.m_hWnd));
        edit.DestroyWindow();
    }
    CCellEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 100, 20), &parent, 15));
    edit.SetWindowText("x");
    edit.SetCellKind(CCellEdit::KIND_DOUBLE);
    EXPECT_EQ("", WindowText(edit.m_hWnd)); // a new kind empties the cell
    for (BOOL fitted : {FALSE, TRUE}) {
        edit.m_bFitted = fitted;
        const struct {
            double value;
            const char* text;
        } shown[] = {{0.1, "0.1"}, {1.9, "1.9"}, {2.99, "2.99"}};
        for (const auto& c : shown) {
            edit.ShowNumberFitted(&c.value);
            EXPECT_EQ(c.text, WindowText(edit.m_hWnd)) << fitted;
        }
    }
    edit.SetCellKind(CCellEdit::KIND_SIGNED);
    const int integer = -42;
    edit.ShowNumberFitted(&integer);
    EXPECT_EQ("-42", WindowText(edit.m_hWnd));
    // The close request ends the editor through the destroy request.
    edit.SendMessage(WM_CELL_EDIT_CLOSE);
    EXPECT_TRUE(PumpUntil([&] { return edit.m_hWnd == nullptr; }, 2000));
}

} // namespace

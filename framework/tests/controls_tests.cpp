#include "framework/controls.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kMagenta = RGB(255, 0, 255);

const UINT kButtonId = 100;
const UINT kCheckListId = 200;

// The parent of the controls under test: a framework window, so control
// notifications are reflected, counting the check changes it hears of.
class CParentWnd : public CWnd {
public:
    int m_checkChanges = 0;

protected:
    void OnCheckChange() { ++m_checkChanges; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CParentWnd, CWnd)
ON_CONTROL(CLBN_CHKCHANGE, kCheckListId, OnCheckChange)
END_MESSAGE_MAP()

class ControlsTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_parent.CreateEx(0, nullptr, "controls", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr));
    }
    void TearDown() override
    {
        m_parent.DestroyWindow();
        CWnd::DeleteTempMap();
        CDC::DeleteTempMap();
        CGdiObject::DeleteTempMap();
    }

    CParentWnd m_parent;
};

// A memory DC with a bitmap of its own, white.
class CBitmapDC : public CDC {
public:
    CBitmapDC(int cx, int cy)
    {
        CClientDC screen(nullptr);
        CreateCompatibleDC(&screen);
        m_bitmap.CreateCompatibleBitmap(&screen, cx, cy);
        m_old = CDC::SelectObject(static_cast<HGDIOBJ>(m_bitmap.m_hObject));
        FillSolidRect(0, 0, cx, cy, kWhite);
    }
    ~CBitmapDC() override { CDC::SelectObject(m_old); }

private:
    CBitmap m_bitmap;
    HGDIOBJ m_old = nullptr;
};

// Paints itself green, red while pressed, and keeps what it was asked.
class CSwatchButton : public CButton {
public:
    std::vector<DRAWITEMSTRUCT> m_draws;
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override
    {
        m_draws.push_back(*lpDrawItemStruct);
        CDC::FromHandle(lpDrawItemStruct->hDC)
            ->FillSolidRect(&lpDrawItemStruct->rcItem, (lpDrawItemStruct->itemState & ODS_SELECTED) ? kRed : kGreen);
    }
};

TEST_F(ControlsTest, OwnerDrawnButtonDrawsItselfThroughItsParent)
{
    CSwatchButton button;
    ASSERT_TRUE(button.Create("Go", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(10, 10, 60, 40), &m_parent, kButtonId));
    EXPECT_EQ(static_cast<UINT>(BS_OWNERDRAW), button.GetButtonStyle() & BS_TYPEMASK);

    // Painted by the system (into a DC of our own): the button asks its
    // parent, the parent hands the request back to the button.
    CBitmapDC dc(50, 30);
    button.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.m_hDC), PRF_CLIENT);
    ASSERT_EQ(1u, button.m_draws.size());
    EXPECT_EQ(static_cast<UINT>(ODT_BUTTON), button.m_draws.back().CtlType);
    EXPECT_EQ(kButtonId, button.m_draws.back().CtlID);
    EXPECT_EQ(button.m_hWnd, button.m_draws.back().hwndItem);
    EXPECT_EQ(kGreen, dc.GetPixel(25, 15));

    button.SetState(TRUE);
    button.SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.m_hDC), PRF_CLIENT);
    EXPECT_TRUE(button.m_draws.back().itemState & ODS_SELECTED);
    EXPECT_EQ(kRed, dc.GetPixel(25, 15));

    // A WM_DRAWITEM sent to the parent takes the same way.
    DRAWITEMSTRUCT dis = {ODT_BUTTON, kButtonId, 0, ODA_DRAWENTIRE, 0, button.m_hWnd, dc.m_hDC, {0, 0, 50, 30}, 0};
    EXPECT_EQ(TRUE, m_parent.SendMessage(WM_DRAWITEM, kButtonId, reinterpret_cast<LPARAM>(&dis)));
    EXPECT_EQ(kGreen, dc.GetPixel(25, 15));
}

class CheckListTest : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        ASSERT_TRUE(m_list.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY, CRect(0, 0, 200, 120), &m_parent,
                                  kCheckListId));
        for (const char* name : {"Axis X", "Axis Y", "Axis Z"})
            m_list.AddString(name);
    }
    void TearDown() override
    {
        m_list.DestroyWindow();
        ControlsTest::TearDown();
    }
    // A click at x (relative to the item's left edge) on the item's middle.
    void Click(int index, int x)
    {
        CRect item;
        ASSERT_NE(LB_ERR, m_list.GetItemRect(index, &item));
        const LPARAM at = MAKELPARAM(item.left + x, item.CenterPoint().y);
        m_list.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
        m_list.SendMessage(WM_LBUTTONUP, 0, at);
    }
    void Space() { m_list.SendMessage(WM_KEYDOWN, VK_SPACE, 0); }

    CCheckListBox m_list;
};

TEST_F(CheckListTest, ChecksTravelWithTheirItemsBesideTheCallersItemData)
{
    EXPECT_TRUE(m_list.GetStyle() & LBS_OWNERDRAWFIXED);
    EXPECT_TRUE(m_list.GetStyle() & LBS_HASSTRINGS);

    m_list.SetItemData(1, 0x1234);
    m_list.SetCheck(1, 1);
    m_list.SetCheck(2, 2);
    m_list.SetItemDataPtr(2, &m_list);
    EXPECT_EQ(0, m_list.GetCheck(0));
    EXPECT_EQ(1, m_list.GetCheck(1));
    EXPECT_EQ(2, m_list.GetCheck(2));
    EXPECT_EQ(0u, m_list.GetItemData(0));
    EXPECT_EQ(0x1234u, m_list.GetItemData(1));
    EXPECT_EQ(0x1234, m_list.SendMessage(LB_GETITEMDATA, 1)); // as any caller sees it
    EXPECT_EQ(&m_list, m_list.GetItemDataPtr(2));
    EXPECT_EQ(LB_ERR, m_list.SendMessage(LB_GETITEMDATA, 9));

    ASSERT_EQ(2, m_list.DeleteString(1));
    EXPECT_EQ(2, m_list.GetCheck(1));
    EXPECT_EQ(&m_list, m_list.GetItemDataPtr(1));
    CString text;
    m_list.GetText(1, text);
    EXPECT_STREQ("Axis Z", text);

    EXPECT_EQ(0, m_parent.m_checkChanges); // SetCheck is no user's change
    m_list.ResetContent();
    EXPECT_EQ(0, m_list.GetCount());
    EXPECT_EQ(0, m_list.GetCheck(0));
}

TEST_F(CheckListTest, ClicksOnTheBoxAndSpaceChangeTheCheckAndTellTheParent)
{
    Click(2, 3); // on the box
    EXPECT_EQ(1, m_list.GetCheck(2));
    EXPECT_EQ(2, m_list.GetCurSel());
    EXPECT_EQ(1, m_parent.m_checkChanges);

    Click(2, 150); // on the text: selection only
    EXPECT_EQ(1, m_list.GetCheck(2));
    EXPECT_EQ(1, m_parent.m_checkChanges);

    m_list.SetCurSel(0);
    Space();
    EXPECT_EQ(1, m_list.GetCheck(0));
    EXPECT_EQ(2, m_parent.m_checkChanges);
    EXPECT_EQ(0, m_list.SendMessage(WM_CHAR, ' ', 0)); // no incremental search

    m_list.Enable(0, FALSE);
    Space();
    Click(0, 3);
    EXPECT_EQ(1, m_list.GetCheck(0));
    EXPECT_EQ(2, m_parent.m_checkChanges);
}

TEST_F(CheckListTest, CheckStylesDecideTheNextCheck)
{
    const struct {
        UINT style;
        int before, after;
    } cases[] = {
        {BS_AUTOCHECKBOX, 0, 1}, {BS_AUTOCHECKBOX, 1, 0}, {BS_AUTOCHECKBOX, 2, 0}, {BS_AUTO3STATE, 0, 1},
        {BS_AUTO3STATE, 1, 2},   {BS_AUTO3STATE, 2, 0},   {BS_CHECKBOX, 0, 0},     {BS_3STATE, 1, 1},
    };
    m_list.SetCurSel(1);
    int notified = 0;
    for (const auto& c : cases) {
        m_list.SetCheckStyle(c.style);
        m_list.SetCheck(1, c.before);
        Space();
        EXPECT_EQ(c.after, m_list.GetCheck(1)) << "style " << c.style << " from " << c.before;
        // The parent hears of every user's attempt, as with a push on a
        // check box button.
        EXPECT_EQ(++notified, m_parent.m_checkChanges);
    }
}

TEST_F(CheckListTest, PaintsTheCheckAndTheSelection)
{
    CRect item;
    m_list.GetItemRect(0, &item);
    const int cell = item.Height();
    const int width = 120;
    auto paint = [&](int check, UINT itemState) {
        m_list.SetCheck(0, check);
        CBitmapDC dc(width, cell);
        DRAWITEMSTRUCT dis = {ODT_LISTBOX, kCheckListId,        0, ODA_DRAWENTIRE, itemState, m_list.m_hWnd,
                              dc.m_hDC,    {0, 0, width, cell}, 0};
        m_parent.SendMessage(WM_DRAWITEM, kCheckListId, reinterpret_cast<LPARAM>(&dis));
        std::vector<COLORREF> pixels;
        for (int y = 0; y < cell; ++y)
            for (int x = 0; x < width; ++x)
                pixels.push_back(dc.GetPixel(x, y));
        return pixels;
    };
    auto box = [&](const std::vector<COLORREF>& pixels) {
        std::vector<COLORREF> square;
        for (int y = 0; y < cell; ++y)
            square.insert(square.end(), pixels.begin() + y * width, pixels.begin() + y * width + cell);
        return square;
    };
    const auto unchecked = paint(0, 0);
    const auto checked = paint(1, 0);
    const auto indeterminate = paint(2, 0);
    EXPECT_NE(box(unchecked), box(checked));
    EXPECT_NE(box(checked), box(indeterminate));

    // Text background at the far right: the window's colour, or the
    // selection's.
    const int farRight = (cell / 2) * width + width - 2;
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), unchecked[farRight]);
    const auto selected = paint(0, ODS_SELECTED);
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), selected[farRight]);
    EXPECT_EQ(box(unchecked), box(selected));
}

// Items of growing height: 20 pixels, one more for each item after.
class CTallListBox : public CListBox {
public:
    void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct) override
    {
        lpMeasureItemStruct->itemHeight = 20 + lpMeasureItemStruct->itemID;
    }
};

TEST_F(ControlsTest, OwnerDrawnListBoxesTakeTheirItemHeights)
{
    CTallListBox tall;
    ASSERT_TRUE(tall.Create(WS_CHILD | LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS, CRect(0, 0, 100, 100), &m_parent, 310));
    tall.AddString("a");
    tall.AddString("b");
    EXPECT_EQ(20, tall.GetItemHeight(0));
    EXPECT_EQ(21, tall.GetItemHeight(1));

    // A check list box's items fit its font, whether the font came after
    // the object or before (a list box a dialog made, subclassed later).
    CFont big;
    ASSERT_TRUE(big.CreatePointFont(240, "Arial"));
    TEXTMETRIC tm = {};
    {
        CClientDC screen(nullptr);
        CFont* old = screen.SelectObject(&big);
        screen.GetTextMetrics(&tm);
        screen.SelectObject(old);
    }
    ASSERT_GT(tm.tmHeight, 30);

    CCheckListBox created;
    ASSERT_TRUE(created.Create(WS_CHILD, CRect(0, 0, 150, 100), &m_parent, 311));
    created.AddString("Axis X");
    EXPECT_LT(created.GetItemHeight(0), tm.tmHeight);
    created.SetFont(big);
    EXPECT_GE(created.GetItemHeight(0), tm.tmHeight);

    HWND hList = CreateWindowExA(0, "LISTBOX", nullptr, WS_CHILD | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, 0, 0, 150, 100,
                                 m_parent.m_hWnd, reinterpret_cast<HMENU>(312), GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, hList);
    SendMessageA(hList, WM_SETFONT, reinterpret_cast<WPARAM>(big.m_hObject), FALSE);
    CCheckListBox subclassed;
    ASSERT_TRUE(subclassed.SubclassWindow(hList));
    EXPECT_GE(subclassed.GetItemHeight(0), tm.tmHeight);
    subclassed.DestroyWindow();
    created.DestroyWindow();
}

TEST_F(ControlsTest, ListAndComboTextsReadBackWhole)
{
    const std::string longText = std::string(300, 'x') + "end";
    const char* texts[] = {"", "Axis 1", "with\ttab", longText.c_str()};
    CListBox list;
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VSCROLL, CRect(0, 0, 150, 100), &m_parent, 300));
    CComboBox combo;
    ASSERT_TRUE(combo.Create(WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST, CRect(0, 0, 150, 200), &m_parent, 301));
    for (const char* text : texts) {
        list.AddString(text);
        combo.AddString(text);
    }
    for (int i = 0; i < 4; ++i) {
        const int length = static_cast<int>(std::strlen(texts[i]));
        CString fromList("stale");
        CString fromCombo("stale");
        EXPECT_EQ(length, list.GetText(i, fromList));
        EXPECT_STREQ(texts[i], fromList);
        EXPECT_EQ(length, combo.GetLBText(i, fromCombo));
        EXPECT_STREQ(texts[i], fromCombo);
    }
    CString missing("stale");
    EXPECT_EQ(LB_ERR, list.GetText(4, missing));
    EXPECT_STREQ("", missing);
    missing = "stale";
    EXPECT_EQ(CB_ERR, combo.GetLBText(4, missing));
    EXPECT_STREQ("", missing);

    EXPECT_EQ(1, list.FindStringExact(-1, "axis 1"));
    EXPECT_EQ(1, combo.SelectString(-1, "Axis"));
    EXPECT_EQ(1, combo.GetCurSel());
}

TEST_F(ControlsTest, EditGetLineCopiesOneLineAndEndsItWhenThereIsRoom)
{
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD | ES_MULTILINE | ES_AUTOVSCROLL, CRect(0, 0, 200, 100), &m_parent, 302));
    edit.SetWindowText("first\r\n\r\nthird line");
    ASSERT_EQ(3, edit.GetLineCount());
    const struct {
        int line, size, count;
        const char* text;
    } cases[] = {
        {0, 64, 5, "first"}, {1, 64, 0, ""}, {2, 64, 10, "third line"}, {2, 5, 5, "third"}, {2, 1, 1, "t"},
    };
    for (const auto& c : cases) {
        char buffer[65];
        std::memset(buffer, '#', sizeof(buffer));
        const int got = edit.GetLine(c.line, buffer, c.size);
        EXPECT_EQ(c.count, got) << "line " << c.line << " into " << c.size;
        EXPECT_EQ(std::string(c.text), std::string(buffer, static_cast<std::size_t>(std::max(got, 0))));
        // A NUL when it fits, and nothing past the buffer.
        EXPECT_EQ(got < c.size ? '\0' : '#', buffer[got]) << "line " << c.line << " into " << c.size;
        EXPECT_EQ('#', buffer[c.size]);
    }
}

int CALLBACK ByDataDescending(LPARAM lParam1, LPARAM lParam2, LPARAM)
{
    return lParam1 < lParam2 ? 1 : lParam1 > lParam2 ? -1 : 0;
}

TEST_F(ControlsTest, ListCtrlSortsItemsAndWalksTheSelection)
{
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | LVS_REPORT | LVS_SHOWSELALWAYS, CRect(0, 0, 300, 200), &m_parent, 303));
    EXPECT_EQ(0, list.InsertColumn(0, "Name", LVCFMT_LEFT, 100));
    EXPECT_EQ(1, list.InsertColumn(1, "Value", LVCFMT_RIGHT, 80));
    EXPECT_EQ(80, list.GetColumnWidth(1));
    ASSERT_NE(nullptr, list.GetHeaderCtrl());
    EXPECT_EQ(2, list.GetHeaderCtrl()->GetItemCount());

    const struct {
        const char* name;
        const char* value;
        DWORD_PTR data;
    } rows[] = {{"Alpha", "1", 10}, {"Beta", "2", 30}, {"Gamma", "3", 20}};
    for (const auto& row : rows) {
        const int index = list.InsertItem(list.GetItemCount(), row.name);
        ASSERT_GE(index, 0);
        list.SetItemText(index, 1, row.value);
        list.SetItemData(index, row.data);
    }
    ASSERT_EQ(3, list.GetItemCount());

    ASSERT_TRUE(list.SortItems(ByDataDescending, 0));
    const char* sorted[][2] = {{"Beta", "2"}, {"Gamma", "3"}, {"Alpha", "1"}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_STREQ(sorted[i][0], list.GetItemText(i, 0));
        EXPECT_STREQ(sorted[i][1], list.GetItemText(i, 1));
    }
    EXPECT_EQ(30u, list.GetItemData(0));

    const std::string longText(700, 'v');
    list.SetItemText(0, 1, longText.c_str());
    EXPECT_EQ(longText, list.GetItemText(0, 1).str());

    list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(2u, list.GetSelectedCount());
    std::vector<int> selected;
    for (POSITION pos = list.GetFirstSelectedItemPosition(); pos;)
        selected.push_back(list.GetNextSelectedItem(pos));
    EXPECT_EQ((std::vector<int>{0, 2}), selected);
    list.SetItemState(-1, 0, LVIS_SELECTED);
    EXPECT_EQ(nullptr, list.GetFirstSelectedItemPosition());

    LVFINDINFO find = {};
    find.flags = LVFI_STRING;
    find.psz = "Gamma";
    EXPECT_EQ(1, list.FindItem(&find));
}

TEST_F(ControlsTest, TreeCtrlWalksChildrenInOrder)
{
    CTreeCtrl tree;
    ASSERT_TRUE(tree.Create(WS_CHILD | TVS_HASLINES | TVS_HASBUTTONS, CRect(0, 0, 200, 200), &m_parent, 304));
    HTREEITEM root = tree.InsertItem("Controller");
    HTREEITEM axes = tree.InsertItem("Axes", root);
    for (const char* name : {"Z", "X", "Y"})
        tree.InsertItem(name, axes);
    HTREEITEM io = tree.InsertItem("I/O", root);
    tree.SetItemData(io, 42);

    auto children = [&](HTREEITEM parent) {
        std::vector<std::string> names;
        for (HTREEITEM h = tree.GetChildItem(parent); h; h = tree.GetNextSiblingItem(h))
            names.push_back(tree.GetItemText(h).str());
        return names;
    };
    EXPECT_EQ((std::vector<std::string>{"Axes", "I/O"}), children(root));
    EXPECT_EQ((std::vector<std::string>{"Z", "X", "Y"}), children(axes));
    ASSERT_TRUE(tree.SortChildren(axes));
    EXPECT_EQ((std::vector<std::string>{"X", "Y", "Z"}), children(axes));

    EXPECT_EQ(root, tree.GetRootItem());
    EXPECT_EQ(root, tree.GetParentItem(axes));
    EXPECT_EQ(nullptr, tree.GetParentItem(root));
    EXPECT_TRUE(tree.ItemHasChildren(axes));
    EXPECT_FALSE(tree.ItemHasChildren(io));
    EXPECT_EQ(42u, tree.GetItemData(io));
    EXPECT_EQ(6u, tree.GetCount());

    const std::string longText(600, 't');
    tree.SetItemText(io, longText.c_str());
    EXPECT_EQ(longText, tree.GetItemText(io).str());

    ASSERT_TRUE(tree.SelectItem(io));
    EXPECT_EQ(io, tree.GetSelectedItem());
    ASSERT_TRUE(tree.DeleteItem(axes));
    EXPECT_EQ(2u, tree.GetCount());
    EXPECT_EQ((std::vector<std::string>{longText}), children(root));
}

TEST_F(ControlsTest, TabCtrlDisplayAreaLiesInsideTheWindowAndMapsBack)
{
    CTabCtrl tabs;
    ASSERT_TRUE(tabs.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 200), &m_parent, 305));
    EXPECT_EQ(0, tabs.InsertItem(0, "Axes"));
    EXPECT_EQ(1, tabs.InsertItem(1, "Drives"));
    CRect window;
    tabs.GetClientRect(&window);
    CRect display = window;
    tabs.AdjustRect(FALSE, &display);
    EXPECT_FALSE(display.IsRectEmpty());
    EXPECT_GE(display.left, window.left);
    EXPECT_LE(display.right, window.right);
    EXPECT_LE(display.bottom, window.bottom);
    CRect tab;
    ASSERT_TRUE(tabs.GetItemRect(0, &tab));
    EXPECT_LE(tab.bottom, display.top); // the tabs sit above the display area

    CRect back = display;
    tabs.AdjustRect(TRUE, &back);
    EXPECT_TRUE(back == window) << back.left << "," << back.top << "," << back.right << "," << back.bottom;
}

TEST_F(ControlsTest, SpinPositionsKeepTheirSign)
{
    CSpinButtonCtrl spin;
    ASSERT_TRUE(spin.Create(WS_CHILD, CRect(0, 0, 20, 30), &m_parent, 306));
    spin.SetRange(-10, 10);
    spin.SetPos(-5);
    EXPECT_EQ(-5, spin.GetPos());
    int lower = 0;
    int upper = 0;
    spin.GetRange(lower, upper);
    EXPECT_EQ(-10, lower);
    EXPECT_EQ(10, upper);
    spin.SetRange32(-100000, 100000);
    spin.SetPos32(-70000);
    EXPECT_EQ(-70000, spin.GetPos32());
}

TEST_F(ControlsTest, ToolTipToolsAreFoundByWindowOrById)
{
    CButton button;
    ASSERT_TRUE(button.Create("Start", WS_CHILD | WS_VISIBLE, CRect(10, 10, 80, 40), &m_parent, kButtonId));
    CToolTipCtrl tips;
    ASSERT_TRUE(tips.Create(&m_parent));
    ASSERT_TRUE(tips.AddTool(&button, "Start the program"));
    const CRect area(100, 100, 150, 150);
    ASSERT_TRUE(tips.AddTool(&m_parent, "Area", &area, 5));
    EXPECT_EQ(2, tips.GetToolCount());

    CString text;
    tips.GetText(text, &button);
    EXPECT_STREQ("Start the program", text);
    tips.UpdateTipText("Stop", &button);
    tips.GetText(text, &button);
    EXPECT_STREQ("Stop", text);
    tips.GetText(text, &m_parent, 5);
    EXPECT_STREQ("Area", text);

    tips.DelTool(&button);
    EXPECT_EQ(1, tips.GetToolCount());
    tips.DestroyWindow();
}

TEST(ImageListTest, MaskedImagesDrawWithTheirMaskColourLeftOut)
{
    CClientDC screen(nullptr);
    CBitmap image;
    ASSERT_TRUE(image.CreateCompatibleBitmap(&screen, 16, 16));
    {
        CDC dc;
        dc.CreateCompatibleDC(&screen);
        CBitmap* old = dc.SelectObject(&image);
        dc.FillSolidRect(0, 0, 16, 16, kRed);
        dc.FillSolidRect(0, 0, 4, 4, kMagenta);
        dc.SelectObject(old);
    }

    CImageList images;
    ASSERT_TRUE(images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 0, 4));
    EXPECT_EQ(0, images.Add(&image, kMagenta));
    EXPECT_EQ(1, images.GetImageCount());
    EXPECT_EQ(&images, CImageList::FromHandle(images.GetSafeHandle()));

    CBitmapDC target(32, 32);
    ASSERT_TRUE(images.Draw(&target, 0, CPoint(8, 8), ILD_TRANSPARENT));
    EXPECT_EQ(kRed, target.GetPixel(20, 20));
    EXPECT_EQ(kRed, target.GetPixel(12, 12));
    EXPECT_EQ(kWhite, target.GetPixel(9, 9)); // the mask colour's corner
    EXPECT_EQ(kWhite, target.GetPixel(4, 4));

    HICON icon = images.ExtractIcon(0);
    ASSERT_NE(nullptr, icon);
    EXPECT_EQ(1, images.Add(icon));
    DestroyIcon(icon);
    EXPECT_EQ(2, images.GetImageCount());
    EXPECT_TRUE(images.Remove(0));
    EXPECT_EQ(1, images.GetImageCount());
    CGdiObject::DeleteTempMap();
    CDC::DeleteTempMap();
}

} // namespace

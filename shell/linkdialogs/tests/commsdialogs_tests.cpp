#include "shell/linkdialogs/commsdialogs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "framework/app.h"
#include "link/commlinks.h"
#include "shell/linkdialogs/commsoptionpages.h"
#include "shell/linkdialogs/linkdialogs_resource.h"
#include "testsupport/fake_windows.h"
#include "testsupport/memory_log.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"
#include "ui/toolmessages.h"

namespace {

const char kLinks[] = "Software\\VexoLabs\\Vorta2\\CommLinks\\";

std::string RegText(const std::string& key, const char* name)
{
    char text[128] = {};
    DWORD size = sizeof text;
    if (::RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return "<missing>";
    return text;
}

DWORD RegDword(const std::string& key, const char* name)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return 0xFFFFFFFF;
    return value;
}

std::string LinkKey(int n)
{
    char key[8];
    snprintf(key, sizeof key, "Link%02d", n);
    return std::string(kLinks) + key;
}

std::vector<std::string> ListLines(HWND hDlg)
{
    std::vector<std::string> lines;
    const int count = static_cast<int>(::SendDlgItemMessageA(hDlg, IDC_LINK_LIST, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[128] = {};
        ::SendDlgItemMessageA(hDlg, IDC_LINK_LIST, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        lines.push_back(text);
    }
    return lines;
}

// A user's click: posted, so a modal dialog it opens does not block the
// test.
void Click(HWND hDlg, int id)
{
    ::PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, id)));
}

HWND WaitForWindow(const char* caption)
{
    HWND found = nullptr;
    PumpUntil([&] {
        found = ::FindWindowA(nullptr, caption);
        return found && ::IsWindowVisible(found);
    });
    return found;
}

class LinkDialogTest : public testing::Test {
protected:
    void StoreSerial(int n, const char* port, bool active = true)
    {
        CCommPortData record;
        record.SetLinkDefaults("", LINK_TYPE_SERIAL);
        record.SetSerial(port, 9600, 7, LINK_STOP_BITS_2, LINK_PARITY_EVEN);
        record.m_nActive = active ? 1 : 0;
        ASSERT_EQ(1, SetCommLink(n, record));
    }
    // Starts a tool dialog on its thread and waits until it shows.
    template <class Dialog> HWND Open(UINT nToolID)
    {
        auto* dialog = new Dialog(nullptr, m_project.Handle());
        if (!dialog->Start(nullptr)) {
            delete dialog;
            return nullptr;
        }
        const HWND hDlg = m_project.WaitForRegistration(nToolID);
        return hDlg && PumpUntil([hDlg] { return ::IsWindowVisible(hDlg) != FALSE; }) ? hDlg : nullptr;
    }
    HWND OpenList() { return Open<CCommsLinkDialog>(TOOL_ID_COMMS_LINKS); }
    // Three stored serial links, COM1 to COM3, the second inactive.
    void StoreThree()
    {
        StoreSerial(0, "COM1", true);
        StoreSerial(1, "COM2", false);
        StoreSerial(2, "COM3", true);
    }
    HWND OpenListOfThree()
    {
        StoreThree();
        return OpenList();
    }
    // The stored links' ports in stored order, "COM2,COM1".
    static std::string StoredPorts()
    {
        std::string ports;
        for (int n = 0; n < GetCommLinkCount(); ++n)
            ports += (n ? "," : "") + RegText(LinkKey(n), "CommPort");
        return ports;
    }
    static CCommsLinkDialog* ListDialog(HWND hDlg)
    {
        return dynamic_cast<CCommsLinkDialog*>(CWnd::FromHandlePermanent(hDlg));
    }
    HWND OpenChooser() { return Open<CChooseCommsLinkDialog>(TOOL_ID_CHOOSE_COMMS_LINK); }
    // Adds a link through the configuration dialog, with its defaults.
    void AddDefaultLink(HWND hList)
    {
        Click(hList, IDC_LINK_ADD);
        const HWND hConfig = WaitForWindow("Comunications Link Configuration");
        ASSERT_TRUE(hConfig);
        Click(hConfig, IDOK);
        ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(hConfig); }));
    }
    void Select(HWND hDlg, int index)
    {
        ::SendDlgItemMessageA(hDlg, IDC_LINK_LIST, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ::SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDC_LINK_LIST, LBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, IDC_LINK_LIST)));
    }
    // Opens the configuration of a line of the list; its window.
    HWND EditLine(HWND hDlg, int line)
    {
        Select(hDlg, line);
        Click(hDlg, IDC_LINK_EDIT);
        return WaitForWindow("Comunications Link Configuration");
    }
    void CloseWith(HWND hDlg, int id)
    {
        Click(hDlg, id);
        ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(hDlg); }));
    }

    RegistrySandbox m_sandbox;
    CWinApp m_app{"Link dialog tests"};
    MemoryLog m_log{LOG_DESTROY_REQUESTS};
    ScriptedPrompts m_prompts;
    FakeProjectWindow m_project;
    FakeMainFrame m_frame{&m_project};
};

TEST_F(LinkDialogTest, ANewLinkIsStoredAtOnceWithTheSerialDefaults)
{
    const HWND hDlg = OpenList();
    ASSERT_TRUE(hDlg);
    EXPECT_EQ("Communications Links", WindowText(hDlg));
    AddDefaultLink(hDlg);
    ASSERT_TRUE(PumpUntil([&] { return ListLines(hDlg).size() == 1; }));
    EXPECT_EQ("Serial:COM1:9600,7,e,2", ListLines(hDlg)[0]);
    const std::string key = LinkKey(0);
    // The dialog's thread stores the link after the configuration closed.
    ASSERT_TRUE(PumpUntil([&] { return RegText(key, "Type") == "Serial"; }));
    EXPECT_EQ("Serial", RegText(key, "Type"));
    EXPECT_EQ("COM1", RegText(key, "CommPort"));
    EXPECT_EQ(9600u, RegDword(key, "BaudRate"));
    EXPECT_EQ(7u, RegDword(key, "DataBits"));
    EXPECT_EQ("2", RegText(key, "StopBits"));
    EXPECT_EQ("e", RegText(key, "Parity"));
    CloseWith(hDlg, IDCANCEL);
    // What Add stored stays stored after Cancel.
    EXPECT_EQ(1, GetCommLinkCount());
    EXPECT_TRUE(m_log.Contains("Destroy window request \"Configure Comms\""));
}

TEST_F(LinkDialogTest, DeletingThenAddingNeverDuplicatesALink)
{
    StoreSerial(0, "COM1");
    StoreSerial(1, "COM2");
    StoreSerial(2, "COM3");
    const HWND hDlg = OpenList();
    ASSERT_TRUE(hDlg);
    ASSERT_EQ(3u, ListLines(hDlg).size());
    Select(hDlg, 0);
    Click(hDlg, IDC_LINK_DELETE);
    ASSERT_TRUE(PumpUntil([&] { return ListLines(hDlg).size() == 2; }));
    // The deletion is pending; the add rewrites the whole stored list.
    AddDefaultLink(hDlg);
    ASSERT_TRUE(PumpUntil([&] { return ListLines(hDlg).size() == 3; }));
    ASSERT_TRUE(PumpUntil([&] { return RegText(LinkKey(2), "CommPort") == "COM1"; }));
    ASSERT_EQ(3, GetCommLinkCount());
    const char* expected[] = {"COM2", "COM3", "COM1"};
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(expected[n], RegText(LinkKey(n), "CommPort")) << n;

    // Deleting two and OK removes the two highest stored indexes.
    Select(hDlg, 2);
    Click(hDlg, IDC_LINK_DELETE);
    ASSERT_TRUE(PumpUntil([&] { return ListLines(hDlg).size() == 2; }));
    Select(hDlg, 0);
    Click(hDlg, IDC_LINK_DELETE);
    ASSERT_TRUE(PumpUntil([&] { return ListLines(hDlg).size() == 1; }));
    EXPECT_EQ(3, GetCommLinkCount()); // nothing stored before OK
    CloseWith(hDlg, IDOK);
    EXPECT_EQ(1, GetCommLinkCount());
    EXPECT_EQ("COM3", RegText(LinkKey(0), "CommPort"));
    EXPECT_EQ(20u, RegDword("Software\\VexoLabs\\Vorta2\\Comms", "MessageTimeout"));
}

TEST_F(LinkDialogTest, SingleLinkModeKeepsOneLinkActive)
{
    const HWND hDlg = OpenListOfThree();
    ASSERT_TRUE(hDlg);
    CCommsLinkDialog* dialog = ListDialog(hDlg);
    ASSERT_TRUE(dialog);
    auto active = [&] {
        std::string flags;
        for (const CCommPortData& record : dialog->GetLinks())
            flags += record.m_nActive ? '1' : '0';
        return flags;
    };
    // Not single: the setting is off in a fresh registry.
    EXPECT_FALSE(::IsDlgButtonChecked(hDlg, IDC_LINK_SINGLE));
    // Turning it on with the selected line unchecked keeps the first
    // checked link.
    Select(hDlg, 1);
    Click(hDlg, IDC_LINK_SINGLE);
    ASSERT_TRUE(PumpUntil([&] { return active() == "100"; }));
    // Checking a second link unchecks the first.
    Select(hDlg, 2);
    ::SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDC_LINK_LIST, CLBN_CHKCHANGE),
                   reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, IDC_LINK_LIST)));
    EXPECT_EQ("001", active());
    CloseWith(hDlg, IDOK);
    EXPECT_EQ(1u, RegDword("Software\\VexoLabs\\Vorta2\\Comms", "SelectSingleLink"));
    EXPECT_EQ(0u, RegDword(LinkKey(0), "Active"));
    EXPECT_EQ(1u, RegDword(LinkKey(2), "Active"));
}

TEST_F(LinkDialogTest, ATimeoutOutOfRangeIsRefusedAndNothingIsStored)
{
    StoreSerial(0, "COM1");
    const HWND hDlg = OpenList();
    ASSERT_TRUE(hDlg);
    ::SetDlgItemTextA(hDlg, IDC_LINK_TIMEOUT, "121");
    Click(hDlg, IDOK);
    ASSERT_TRUE(PumpUntil([&] { return !m_prompts.Records().empty(); }));
    PumpUntil([] { return false; }, 100);
    EXPECT_TRUE(::IsWindow(hDlg));
    EXPECT_EQ(0xFFFFFFFFu, RegDword("Software\\VexoLabs\\Vorta2\\Comms", "MessageTimeout"));
    ::SetDlgItemTextA(hDlg, IDC_LINK_TIMEOUT, "120");
    CloseWith(hDlg, IDOK);
    EXPECT_EQ(120u, RegDword("Software\\VexoLabs\\Vorta2\\Comms", "MessageTimeout"));
}

TEST_F(LinkDialogTest, EditingAnEthernetLinkNormalisesDottedAddressesAndKeepsHostNames)
{
    struct Case {
        const char* typed;
        const char* stored;
    } cases[] = {{"192.168.001.010", "192.168.1.10"}, {"plc-1", "plc-1"}, {" 10.0.0.7 ", "10.0.0.7"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        CCommPortData record;
        record.SetLinkDefaults("", LINK_TYPE_ETHERNET);
        ASSERT_EQ(1, SetCommLink(0, record));
        const HWND hDlg = OpenList();
        ASSERT_TRUE(hDlg);
        const HWND hConfig = EditLine(hDlg, 0);
        ASSERT_TRUE(hConfig);
        // The type of a stored link cannot change.
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(hConfig, IDC_LINK_TYPE)));
        const HWND hPage = ::FindWindowExA(hConfig, nullptr, nullptr, "Comms Parameters: NONE");
        ASSERT_TRUE(hPage);
        EXPECT_EQ("192.168.0.250", WindowText(::GetDlgItem(hPage, IDC_ETHERNET_HOST)));
        EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(hPage, IDOK)));
        ::SetWindowTextA(::GetDlgItem(hPage, IDC_ETHERNET_HOST), c.typed);
        ASSERT_EQ(c.typed, WindowText(::GetDlgItem(hPage, IDC_ETHERNET_HOST)));
        Click(hConfig, IDOK);
        ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(hConfig); }));
        ASSERT_TRUE(PumpUntil(
            [&] { return ListLines(hDlg) == std::vector<std::string>{std::string("Ethernet:") + c.stored + ":23"}; }));
        EXPECT_TRUE(PumpUntil([&] { return RegText(LinkKey(0), "Address") == c.stored; }))
            << RegText(LinkKey(0), "Address");
        CloseWith(hDlg, IDCANCEL);
    }
}

TEST(EthernetHostTest, DottedAddressesAreCheckedAndHostNamesKept)
{
    struct Case {
        const char* typed;
        bool ok;
        const char* host;
    } cases[] = {
        {"192.168.001.010", true, "192.168.1.10"},
        {"0.0.0.0", true, "0.0.0.0"},
        {"255.255.255.255", true, "255.255.255.255"},
        {"256.1.1.1", false, ""},
        {"1.2.3", false, ""},
        {"1.2.3.4.5", false, ""},
        {"plc-1", true, "plc-1"},
        {"", false, ""},
        {"0.0.0", false, ""},
    };
    for (const Case& c : cases) {
        CString host;
        EXPECT_EQ(c.ok, CEthernetOptionsDialog::NormaliseHost(c.typed, host) != FALSE) << c.typed;
        if (c.ok) {
            EXPECT_EQ(c.host, std::string(host.GetString())) << c.typed;
        }
    }
}

// The pages on their own, as the configuration dialog's pages are.
class OptionPageTest : public testing::Test {
protected:
    RegistrySandbox m_sandbox;
    ScriptedPrompts m_prompts;
    TestWindow m_parent{"pages"};
};

TEST_F(OptionPageTest, TheSerialPageShowsOddRecordsAsItStoresThem)
{
    CCommPortData record;
    record.SetLinkDefaults("Line", LINK_TYPE_SERIAL);
    record.SetSerial("COM7", 57600, 8, LINK_STOP_BITS_1, LINK_PARITY_MARK);
    CSerialCommsOptionsDialog page(CWnd::FromHandle(m_parent), &record, FALSE);
    ASSERT_TRUE(page.CreateEmbedded(CWnd::FromHandle(m_parent)));
    EXPECT_EQ("Comms Parameters: Line", WindowText(page));
    EXPECT_TRUE(page.IsDlgButtonChecked(IDC_BAUD_9600));
    EXPECT_TRUE(page.IsDlgButtonChecked(IDC_PARITY_EVEN));
    EXPECT_TRUE(page.IsDlgButtonChecked(IDC_DATA_8));
    EXPECT_TRUE(page.IsDlgButtonChecked(IDC_STOP_1));
    EXPECT_EQ("COM7", WindowText(::GetDlgItem(page, IDC_SERIAL_PORT)));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_SERIAL_PORT)));
    EXPECT_EQ(253, ::SendDlgItemMessageA(page, IDC_SERIAL_PORT, CB_GETCOUNT, 0, 0));
    ASSERT_TRUE(page.StoreToRecord());
    EXPECT_EQ(9600u, record.m_data.serial.m_nBaudRate);
    EXPECT_EQ(LINK_PARITY_EVEN, record.m_data.serial.m_nParity);
    EXPECT_STREQ("COM7", record.m_data.serial.m_szPort);

    // The default buttons set the radios.
    page.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_SERIAL_FAST, BN_CLICKED), 0);
    ASSERT_TRUE(page.StoreToRecord());
    EXPECT_EQ(38400u, record.m_data.serial.m_nBaudRate);
    EXPECT_EQ(8, record.m_data.serial.m_nDataBits);
    EXPECT_EQ(LINK_STOP_BITS_1, record.m_data.serial.m_nStopBits);
    page.DestroyWindow();
}

TEST_F(OptionPageTest, AnEthernetPageRefusesABadPortAndKeepsTheRecord)
{
    CCommPortData record;
    record.SetLinkDefaults("Net", LINK_TYPE_ETHERNET);
    CEthernetOptionsDialog page(CWnd::FromHandle(m_parent), &record, TRUE);
    ASSERT_TRUE(page.CreateEmbedded(CWnd::FromHandle(m_parent)));
    EXPECT_TRUE(page.GetStyle() & WS_CHILD);
    EXPECT_FALSE(page.GetStyle() & WS_CAPTION);
    for (const char* port : {"0", "65536", "x1", ""}) {
        page.SetDlgItemText(IDC_ETHERNET_PORT, port);
        EXPECT_FALSE(page.StoreToRecord()) << port;
    }
    page.SetDlgItemText(IDC_ETHERNET_PORT, "65535");
    page.SetDlgItemText(IDC_ETHERNET_HOST, "300.1.1.1");
    EXPECT_FALSE(page.StoreToRecord());
    EXPECT_STREQ("192.168.0.250", record.m_data.ethernet.m_szAddress);
    EXPECT_EQ(23u, record.m_data.ethernet.m_nPort);
    EXPECT_EQ(5u, m_prompts.Records().size());
    page.SetDlgItemText(IDC_ETHERNET_HOST, "127.0.0.1");
    EXPECT_TRUE(page.StoreToRecord());
    EXPECT_EQ(65535u, record.m_data.ethernet.m_nPort);
    page.DestroyWindow();
}

TEST_F(LinkDialogTest, SwitchingTheTypeStartsTheNewPageFromItsDefaults)
{
    CCommPortData record;
    record.SetDefault();
    // The configuration dialog is modal: run it on a thread of its own.
    std::thread runner([&] {
        CCommsLinkConfigDialog dialog(nullptr, 4, &record);
        dialog.DoModal();
    });
    const HWND hConfig = WaitForWindow("Comunications Link Configuration");
    ASSERT_TRUE(hConfig);
    EXPECT_EQ("4", WindowText(::GetDlgItem(hConfig, IDC_LINK_NUMBER)));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(hConfig, IDC_LINK_TYPE)));
    auto choose = [&](int index) {
        ::SendDlgItemMessageA(hConfig, IDC_LINK_TYPE, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ::SendMessageA(hConfig, WM_COMMAND, MAKEWPARAM(IDC_LINK_TYPE, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(::GetDlgItem(hConfig, IDC_LINK_TYPE)));
    };
    HWND hPage = ::FindWindowExA(hConfig, nullptr, nullptr, "Comms Parameters: NONE");
    ASSERT_TRUE(hPage);
    ::SendDlgItemMessageA(hPage, IDC_SERIAL_PORT, CB_SETCURSEL, 4, 0); // COM5
    ::CheckRadioButton(hPage, IDC_BAUD_9600, IDC_BAUD_115200, IDC_BAUD_115200);
    choose(1); // Ethernet
    hPage = ::FindWindowExA(hConfig, nullptr, nullptr, "Comms Parameters: NONE");
    ASSERT_TRUE(hPage);
    EXPECT_EQ("192.168.0.250", WindowText(::GetDlgItem(hPage, IDC_ETHERNET_HOST)));
    choose(0); // and back: the serial defaults again
    hPage = ::FindWindowExA(hConfig, nullptr, nullptr, "Comms Parameters: NONE");
    ASSERT_TRUE(hPage);
    EXPECT_EQ("COM1", WindowText(::GetDlgItem(hPage, IDC_SERIAL_PORT)));
    EXPECT_TRUE(::IsDlgButtonChecked(hPage, IDC_BAUD_9600));
    ::PostMessageA(hConfig, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    runner.join();
    EXPECT_EQ(LINK_TYPE_SERIAL, record.m_nType);
    EXPECT_EQ("Serial:COM1:9600,7,e,2", std::string(record.FormatDescription(true).GetString()));
}

TEST_F(LinkDialogTest, TheChooserHandsTheChosenLinkToTheProjectWindow)
{
    StoreThree();
    m_project.SetAnswer(WM_GET_CHOOSER_CODE, 1042);
    const HWND hDlg = OpenChooser();
    ASSERT_TRUE(hDlg);
    EXPECT_EQ("Choose communications link", WindowText(hDlg));
    EXPECT_EQ((std::vector<std::string>{"Serial:COM1:9600,7,e,2", "Serial:COM3:9600,7,e,2"}), ListLines(hDlg));
    Click(hDlg, IDC_SHOW_ALL);
    ASSERT_TRUE(PumpUntil([&] { return ListLines(hDlg).size() == 3; }));
    ::SendDlgItemMessageA(hDlg, IDC_LINK_LIST, LB_SETCURSEL, 1, 0);
    CloseWith(hDlg, IDOK);
    const auto chosen = m_project.Received(WM_SET_CHOSEN_LINK);
    ASSERT_EQ(1u, chosen.size());
    EXPECT_EQ(1, chosen[0].lParam);
    ASSERT_TRUE(m_project.WaitFor(WM_APP + 0x14C).has_value());
    const auto opened = m_project.Received(WM_APP + 0x14C);
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(1042u, opened[0].wParam);
    EXPECT_EQ(1, opened[0].lParam);
    EXPECT_EQ(1u, m_project.Received(WM_LINK_CHOOSER_CLOSED).size());
    EXPECT_EQ(1u, RegDword("Software\\VexoLabs\\Vorta2\\Comms", "ShowAllLinks"));
}

TEST_F(LinkDialogTest, TheChooserStopsAtAnUnreadableLinkAndSendsMinusOneForNothing)
{
    StoreSerial(0, "COM1");
    StoreSerial(1, "COM2");
    StoreSerial(2, "COM3");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, LinkKey(2).c_str(), 0, KEY_SET_VALUE, &key));
    ::RegSetValueExA(key, "Type", 0, REG_SZ, reinterpret_cast<const BYTE*>("Carrier pigeon"), 15);
    ::RegCloseKey(key);
    const HWND hDlg = OpenChooser();
    ASSERT_TRUE(hDlg);
    EXPECT_EQ(2u, ListLines(hDlg).size());
    ::SendDlgItemMessageA(hDlg, IDC_LINK_LIST, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    CloseWith(hDlg, IDOK);
    const auto chosen = m_project.Received(WM_SET_CHOSEN_LINK);
    ASSERT_EQ(1u, chosen.size());
    EXPECT_EQ(-1, chosen[0].lParam);
    // Any other code is not posted back.
    EXPECT_TRUE(m_project.Received(WM_APP + 0x14C).empty());
}

TEST_F(LinkDialogTest, MovingALinkStoresBothAtTheirNewPlacesAndKeepsItSelected)
{
    const HWND hDlg = OpenListOfThree();
    ASSERT_TRUE(hDlg);
    // The move buttons show arrows and tell what they do.
    CCommsLinkDialog* dialog = ListDialog(hDlg);
    ASSERT_TRUE(dialog);
    for (int id : {IDC_LINK_UP, IDC_LINK_DOWN})
        EXPECT_TRUE(::SendDlgItemMessageA(hDlg, id, BM_GETIMAGE, IMAGE_BITMAP, 0)) << id;
    const struct {
        int id;
        const char* tip;
    } tips[] = {{IDC_LINK_UP, "Move up"}, {IDC_LINK_DOWN, "Move down"}};
    for (const auto& t : tips) {
        CString text;
        dialog->GetToolTips().GetText(text, CWnd::FromHandle(::GetDlgItem(hDlg, t.id)));
        EXPECT_EQ(t.tip, std::string(text.GetString()));
    }

    auto enabled = [&](int id) { return ::IsWindowEnabled(::GetDlgItem(hDlg, id)) != FALSE; };
    auto selected = [&] { return static_cast<int>(::SendDlgItemMessageA(hDlg, IDC_LINK_LIST, LB_GETCURSEL, 0, 0)); };
    auto active = [&](int line) { return dialog->GetLinks()[line].m_nActive != 0; };
    // The first line is selected at the start: up is grayed.
    EXPECT_EQ(0, selected());
    EXPECT_FALSE(enabled(IDC_LINK_UP));
    EXPECT_TRUE(enabled(IDC_LINK_DOWN));

    // COM1 down: stored at once at 1, COM2 at 0; the moved line stays
    // selected with its check.
    Click(hDlg, IDC_LINK_DOWN);
    ASSERT_TRUE(PumpUntil([&] { return StoredPorts() == "COM2,COM1,COM3"; })) << StoredPorts();
    EXPECT_EQ(0u, RegDword(LinkKey(0), "Active"));
    EXPECT_EQ(1u, RegDword(LinkKey(1), "Active"));
    EXPECT_EQ((std::vector<std::string>{"Serial:COM2:9600,7,e,2", "Serial:COM1:9600,7,e,2", "Serial:COM3:9600,7,e,2"}),
              ListLines(hDlg));
    EXPECT_EQ(1, selected());
    EXPECT_TRUE(active(1));
    EXPECT_FALSE(active(0));

    // Down again to the last line: down is grayed, up goes back.
    Click(hDlg, IDC_LINK_DOWN);
    ASSERT_TRUE(PumpUntil([&] { return StoredPorts() == "COM2,COM3,COM1"; })) << StoredPorts();
    EXPECT_EQ(2, selected());
    EXPECT_FALSE(enabled(IDC_LINK_DOWN));
    EXPECT_TRUE(enabled(IDC_LINK_UP));
    Click(hDlg, IDC_LINK_UP);
    ASSERT_TRUE(PumpUntil([&] { return StoredPorts() == "COM2,COM1,COM3"; })) << StoredPorts();
    EXPECT_EQ(1, selected());
    // What was moved stays stored after Cancel.
    CloseWith(hDlg, IDCANCEL);
    EXPECT_EQ("COM2,COM1,COM3", StoredPorts());
}

TEST_F(LinkDialogTest, EditingAStoredLinkKeepsItsTypeAndStoresItAtItsPlace)
{
    StoreSerial(0, "COM1");
    StoreSerial(1, "COM4", false);
    const HWND hDlg = OpenList();
    ASSERT_TRUE(hDlg);
    const HWND hConfig = EditLine(hDlg, 1);
    ASSERT_TRUE(hConfig);
    EXPECT_EQ("1", WindowText(::GetDlgItem(hConfig, IDC_LINK_NUMBER)));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(hConfig, IDC_LINK_TYPE)));
    EXPECT_EQ("Serial", WindowText(::GetDlgItem(hConfig, IDC_LINK_TYPE)));
    const HWND hPage = ::FindWindowExA(hConfig, nullptr, nullptr, "Comms Parameters: NONE");
    ASSERT_TRUE(hPage);
    // A serial link keeps its port; its settings change.
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(hPage, IDC_SERIAL_PORT)));
    Click(hPage, IDC_SERIAL_FAST);
    Click(hConfig, IDOK);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(hConfig); }));
    // The dialog's thread stores the record's values one after another.
    ASSERT_TRUE(PumpUntil([&] {
        return RegDword(LinkKey(1), "BaudRate") == 38400u && RegText(LinkKey(1), "StopBits") == "1";
    })) << RegText(LinkKey(1), "StopBits");
    EXPECT_EQ("COM4", RegText(LinkKey(1), "CommPort"));
    EXPECT_EQ("COM1", RegText(LinkKey(0), "CommPort"));
    EXPECT_EQ((std::vector<std::string>{"Serial:COM1:9600,7,e,2", "Serial:COM4:38400,8,e,1"}), ListLines(hDlg));
    EXPECT_EQ(1, ::SendDlgItemMessageA(hDlg, IDC_LINK_LIST, LB_GETCURSEL, 0, 0));
    CloseWith(hDlg, IDCANCEL);
}

// The configuration dialog on a thread of its own (it is modal), with the
// record given, until OK.
class ConfigDialogRun {
public:
    ConfigDialogRun(CCommPortData& record) : m_thread([&record] {
        CCommsLinkConfigDialog dialog(nullptr, 0, &record);
        dialog.DoModal();
    })
    {
        m_hWnd = WaitForWindow("Comunications Link Configuration");
    }
    ~ConfigDialogRun()
    {
        if (::IsWindow(m_hWnd))
            ::PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        m_thread.join();
    }
    HWND Handle() const { return m_hWnd; }

private:
    std::thread m_thread;
    HWND m_hWnd = nullptr;
};

TEST_F(LinkDialogTest, NumberedMediaPagesListTheirNumbersAndTakeTheChoiceAtOnce)
{
    const struct {
        int type;
        int entry; // in the type list
        std::vector<std::string> numbers;
    } cases[] = {
        {LINK_TYPE_USB, 2, {"0"}},
        {LINK_TYPE_PCI, 3, {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        CCommPortData record;
        record.SetDefault();
        {
            ConfigDialogRun run(record);
            const HWND hConfig = run.Handle();
            ASSERT_TRUE(hConfig);
            ::SendDlgItemMessageA(hConfig, IDC_LINK_TYPE, CB_SETCURSEL, static_cast<WPARAM>(c.entry), 0);
            ::SendMessageA(hConfig, WM_COMMAND, MAKEWPARAM(IDC_LINK_TYPE, CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(::GetDlgItem(hConfig, IDC_LINK_TYPE)));
            const HWND hPage = ::FindWindowExA(hConfig, nullptr, nullptr, "Comms Parameters: NONE");
            ASSERT_TRUE(hPage);
            const HWND hList = ::GetDlgItem(hPage, IDC_DEVICE_NUMBER);
            std::vector<std::string> listed;
            for (int i = 0; i < static_cast<int>(::SendMessageA(hList, CB_GETCOUNT, 0, 0)); ++i) {
                char text[8] = {};
                ::SendMessageA(hList, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
                listed.push_back(text);
            }
            EXPECT_EQ(c.numbers, listed);
            EXPECT_EQ(0, ::SendMessageA(hList, CB_GETCURSEL, 0, 0));
            EXPECT_EQ(c.type, record.m_nType);
            // A choice goes into the record at once.
            const int last = static_cast<int>(c.numbers.size()) - 1;
            ::SendMessageA(hList, CB_SETCURSEL, static_cast<WPARAM>(last), 0);
            ::SendMessageA(hPage, WM_COMMAND, MAKEWPARAM(IDC_DEVICE_NUMBER, CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(hList));
            EXPECT_EQ(last, record.m_data.number.m_nNumber);
        }
        EXPECT_EQ(c.type, record.m_nType);
    }

    // The simulator page makes a simulator link of number 0.
    CCommPortData record;
    record.SetDefault();
    {
        ConfigDialogRun run(record);
        ASSERT_TRUE(run.Handle());
        ::SendDlgItemMessageA(run.Handle(), IDC_LINK_TYPE, CB_SETCURSEL, 4, 0);
        ::SendMessageA(run.Handle(), WM_COMMAND, MAKEWPARAM(IDC_LINK_TYPE, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(::GetDlgItem(run.Handle(), IDC_LINK_TYPE)));
    }
    EXPECT_EQ(LINK_TYPE_SIMULATOR, record.m_nType);
    EXPECT_EQ(0, record.m_data.number.m_nNumber);
}

TEST_F(LinkDialogTest, AFinsLinkHasNoPageAndOKKeepsIt)
{
    CCommPortData record;
    record.SetLinkDefaults("Fins", LINK_TYPE_FINS);
    record.SetFinsConfig("node 7");
    const CCommPortData before = record;
    {
        ConfigDialogRun run(record);
        ASSERT_TRUE(run.Handle());
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(run.Handle(), IDC_LINK_TYPE)));
        EXPECT_EQ(nullptr, ::FindWindowExA(run.Handle(), nullptr, "#32770", nullptr));
    }
    EXPECT_EQ(0, std::memcmp(&before, &record, sizeof record));
}

} // namespace

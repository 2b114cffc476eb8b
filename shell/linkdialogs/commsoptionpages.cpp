#include "shell/linkdialogs/commsoptionpages.h"

#include <cstdlib>

#include "foundation/textutil.h"
#include "framework/controls.h"
#include "framework/prompt.h"
#include "shell/linkdialogs/linkdialogs_resource.h"
#include "link/serialcomms.h"
#include "settings/vqregistry.h"

IMPLEMENT_DYNAMIC(CCommsCommonConfigDialog, CDialog)
IMPLEMENT_DYNAMIC(CSerialCommsOptionsDialog, CCommsCommonConfigDialog)
IMPLEMENT_DYNAMIC(CEthernetOptionsDialog, CCommsCommonConfigDialog)
IMPLEMENT_DYNAMIC(CDeviceNumberOptionsDialog, CCommsCommonConfigDialog)
IMPLEMENT_DYNAMIC(CWinCommsOptions, CCommsCommonConfigDialog)

// --- CCommsCommonConfigDialog ----------------------------------------------------------------

CCommsCommonConfigDialog::CCommsCommonConfigDialog(UINT nIDTemplate, CWnd* pParent, CCommPortData* pRecord,
                                                   BOOL bEmbedded)
    : CDialog(nIDTemplate, pParent), m_pRecord(pRecord), m_bEmbedded(bEmbedded), m_nIDTemplate(nIDTemplate)
{
}

BOOL CCommsCommonConfigDialog::CreateEmbedded(CWnd* pParent)
{
    if (!Create(m_nIDTemplate, pParent))
        return FALSE;
    if (m_bEmbedded) {
        ModifyStyle(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | DS_MODALFRAME, WS_CHILD);
        ModifyStyleEx(WS_EX_DLGMODALFRAME, WS_EX_CONTROLPARENT);
        ::SetParent(m_hWnd, pParent ? pParent->GetSafeHwnd() : nullptr);
        SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    }
    return TRUE;
}

BOOL CCommsCommonConfigDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    const int show = m_bEmbedded ? SW_HIDE : SW_SHOW;
    for (int id : {IDOK, IDCANCEL})
        if (HWND hWndButton = GetDlgItemHwnd(id))
            ::ShowWindow(hWndButton, show);
    return TRUE;
}

void CCommsCommonConfigDialog::OnOK()
{
    if (!StoreToRecord())
        return;
    SaveExtraSettings();
    CDialog::OnOK();
}

void CCommsCommonConfigDialog::SetRecordCaption()
{
    CString caption;
    caption.Format("Comms Parameters: %s", m_pRecord ? m_pRecord->m_szName : "");
    SetWindowText(caption);
}

// --- Serial ----------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CSerialCommsOptionsDialog, CCommsCommonConfigDialog)
ON_BN_CLICKED(IDC_SERIAL_NORMAL, OnNormal)
ON_BN_CLICKED(IDC_SERIAL_FAST, OnFast)
END_MESSAGE_MAP()

CSerialCommsOptionsDialog::CSerialCommsOptionsDialog(CWnd* pParent, CCommPortData* pRecord, BOOL bEmbedded)
    : CCommsCommonConfigDialog(IDD_SERIAL_OPTIONS, pParent, pRecord, bEmbedded)
{
}

BOOL CSerialCommsOptionsDialog::OnInitDialog()
{
    CCommsCommonConfigDialog::OnInitDialog();
    for (int port = 1; port <= SERIAL_HIGHEST_PORT; ++port) {
        CString name;
        name.Format("COM%d", port);
        SendDlgItemMessage(IDC_SERIAL_PORT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.GetString()));
    }
    if (!m_pRecord) {
        SendDlgItemMessage(IDC_SERIAL_PORT, CB_SETCURSEL, 0);
        ShowSettings(DEFAULT_BAUD_RATE, 7, LINK_PARITY_EVEN, LINK_STOP_BITS_2);
        return TRUE;
    }
    const bool namedPort = m_pRecord->m_nType == LINK_TYPE_SERIAL && m_pRecord->m_data.serial.m_szPort[0] != '\0';
    if (m_pRecord->m_nType != LINK_TYPE_SERIAL)
        m_pRecord->SetTypeDefaults(LINK_TYPE_SERIAL);
    // A link keeps the port it was made for.
    if (namedPort)
        ::EnableWindow(GetDlgItemHwnd(IDC_SERIAL_PORT), FALSE);
    const SerialLinkData& serial = m_pRecord->m_data.serial;
    ShowSettings(serial.m_nBaudRate, serial.m_nDataBits, serial.m_nParity, serial.m_nStopBits);
    SetRecordCaption();
    const LRESULT index = SendDlgItemMessage(IDC_SERIAL_PORT, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(serial.m_szPort));
    SendDlgItemMessage(IDC_SERIAL_PORT, CB_SETCURSEL, index == CB_ERR ? 0 : static_cast<WPARAM>(index));
    return TRUE;
}

void CSerialCommsOptionsDialog::ShowSettings(std::uint32_t baud, int dataBits, int parity, int stopBits)
{
    const int baudId = baud == 19200    ? IDC_BAUD_19200
                       : baud == 38400  ? IDC_BAUD_38400
                       : baud == 115200 ? IDC_BAUD_115200
                                        : IDC_BAUD_9600;
    CheckRadioButton(IDC_BAUD_9600, IDC_BAUD_115200, baudId);
    CheckRadioButton(IDC_DATA_7, IDC_DATA_8, dataBits == 8 ? IDC_DATA_8 : IDC_DATA_7);
    CheckRadioButton(IDC_PARITY_EVEN, IDC_PARITY_ODD,
                     parity == LINK_PARITY_NONE  ? IDC_PARITY_NONE
                     : parity == LINK_PARITY_ODD ? IDC_PARITY_ODD
                                                 : IDC_PARITY_EVEN);
    CheckRadioButton(IDC_STOP_1, IDC_STOP_2, stopBits == LINK_STOP_BITS_1 ? IDC_STOP_1 : IDC_STOP_2);
}

void CSerialCommsOptionsDialog::OnNormal()
{
    ShowSettings(9600, 7, LINK_PARITY_EVEN, LINK_STOP_BITS_2);
}

void CSerialCommsOptionsDialog::OnFast()
{
    ShowSettings(38400, 8, LINK_PARITY_EVEN, LINK_STOP_BITS_1);
}

void CSerialCommsOptionsDialog::LoadExtraSettings()
{
    CheckDlgButton(IDC_SERIAL_PACKET, CVQRegistry().GetPacket() ? BST_CHECKED : BST_UNCHECKED);
}

void CSerialCommsOptionsDialog::SaveExtraSettings()
{
    CVQRegistry().SetPacket(IsDlgButtonChecked(IDC_SERIAL_PACKET) == BST_CHECKED);
}

BOOL CSerialCommsOptionsDialog::StoreToRecord()
{
    if (!m_pRecord)
        return TRUE;
    CString port;
    const int index = static_cast<int>(SendDlgItemMessage(IDC_SERIAL_PORT, CB_GETCURSEL));
    char text[16] = {};
    if (index >= 0)
        SendDlgItemMessage(IDC_SERIAL_PORT, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    const std::uint32_t baud = IsDlgButtonChecked(IDC_BAUD_19200)    ? 19200
                               : IsDlgButtonChecked(IDC_BAUD_38400)  ? 38400
                               : IsDlgButtonChecked(IDC_BAUD_115200) ? 115200
                                                                     : 9600;
    const int dataBits = IsDlgButtonChecked(IDC_DATA_8) ? 8 : 7;
    const int stopBits = IsDlgButtonChecked(IDC_STOP_1) ? LINK_STOP_BITS_1 : LINK_STOP_BITS_2;
    const int parity = IsDlgButtonChecked(IDC_PARITY_NONE)  ? LINK_PARITY_NONE
                       : IsDlgButtonChecked(IDC_PARITY_ODD) ? LINK_PARITY_ODD
                                                            : LINK_PARITY_EVEN;
    m_pRecord->m_nType = LINK_TYPE_SERIAL;
    m_pRecord->SetSerial(text, baud, dataBits, stopBits, parity);
    return TRUE;
}

// --- Ethernet --------------------------------------------------------------------------------

CEthernetOptionsDialog::CEthernetOptionsDialog(CWnd* pParent, CCommPortData* pRecord, BOOL bEmbedded)
    : CCommsCommonConfigDialog(IDD_ETHERNET_OPTIONS, pParent, pRecord, bEmbedded)
{
}

BOOL CEthernetOptionsDialog::OnInitDialog()
{
    CCommsCommonConfigDialog::OnInitDialog();
    SendDlgItemMessage(IDC_ETHERNET_HOST, EM_LIMITTEXT, ETHERNET_ADDRESS_SIZE - 1);
    if (!m_pRecord) {
        ::EnableWindow(GetDlgItemHwnd(IDOK), FALSE);
        return TRUE;
    }
    if (m_pRecord->m_nType != LINK_TYPE_ETHERNET)
        m_pRecord->SetTypeDefaults(LINK_TYPE_ETHERNET);
    SetDlgItemText(IDC_ETHERNET_HOST, m_pRecord->m_data.ethernet.m_szAddress);
    SetDlgItemInt(IDC_ETHERNET_PORT, m_pRecord->m_data.ethernet.m_nPort, FALSE);
    SetRecordCaption();
    return TRUE;
}

BOOL CEthernetOptionsDialog::NormaliseHost(LPCSTR text, CString& host)
{
    CString typed = text ? text : "";
    typed.Trim();
    // Only digits, dots and spaces make a dotted address; anything else is
    // a host name for the link to resolve.
    bool dotted = !typed.IsEmpty();
    for (int i = 0; i < typed.GetLength(); ++i) {
        const char c = typed[i];
        if (!(c >= '0' && c <= '9') && c != '.' && c != ' ')
            dotted = false;
    }
    if (!dotted) {
        host = typed;
        return !typed.IsEmpty();
    }
    host = NormaliseIPv4Text(typed);
    // "0.0.0.0" is the normaliser's answer to malformed text: believed only
    // when it was typed as such.
    if (host == "0.0.0.0") {
        int parts = 1;
        for (int i = 0; i < typed.GetLength(); ++i) {
            if (typed[i] == '.')
                ++parts;
            else if (typed[i] != '0' && typed[i] != ' ')
                return FALSE;
        }
        return parts == 4;
    }
    return TRUE;
}

BOOL CEthernetOptionsDialog::StoreToRecord()
{
    if (!m_pRecord)
        return TRUE;
    CString typed;
    GetDlgItemText(IDC_ETHERNET_HOST, typed);
    CString host;
    if (!NormaliseHost(typed, host)) {
        CString text;
        text.LoadString(IDS_BAD_IP_ADDRESS);
        AfxGetPromptService().Prompt(m_hWnd, text, "Ethernet Options", MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    CString portText;
    GetDlgItemText(IDC_ETHERNET_PORT, portText);
    portText.Trim();
    char* end = nullptr;
    const unsigned long port = portText.IsEmpty() ? 0 : std::strtoul(portText, &end, 10);
    if (portText.IsEmpty() || (end && *end) || port < 1 || port > 65535 || portText.GetLength() > 5) {
        CString text;
        text.LoadString(IDS_BAD_IP_PORT);
        AfxGetPromptService().Prompt(m_hWnd, text, "Ethernet Options", MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    m_pRecord->m_nType = LINK_TYPE_ETHERNET;
    m_pRecord->SetEthernet(host, static_cast<std::uint32_t>(port));
    return TRUE;
}

// --- USB and PCI -----------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CDeviceNumberOptionsDialog, CCommsCommonConfigDialog)
ON_CBN_SELCHANGE(IDC_DEVICE_NUMBER, OnSelChange)
END_MESSAGE_MAP()

CDeviceNumberOptionsDialog::CDeviceNumberOptionsDialog(UINT nIDTemplate, int nLinkType, int nNumbers, CWnd* pParent,
                                                       CCommPortData* pRecord, BOOL bEmbedded)
    : CCommsCommonConfigDialog(nIDTemplate, pParent, pRecord, bEmbedded), m_nLinkType(nLinkType), m_nNumbers(nNumbers)
{
}

BOOL CDeviceNumberOptionsDialog::OnInitDialog()
{
    CCommsCommonConfigDialog::OnInitDialog();
    for (int number = 0; number < m_nNumbers; ++number) {
        CString text;
        text.Format("%d", number);
        SendDlgItemMessage(IDC_DEVICE_NUMBER, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.GetString()));
    }
    int selected = 0;
    if (m_pRecord) {
        if (m_pRecord->m_nType != m_nLinkType)
            m_pRecord->SetTypeDefaults(m_nLinkType);
        selected = m_pRecord->m_data.number.m_nNumber;
        if (selected >= m_nNumbers)
            selected = 0;
        SetRecordCaption();
    }
    SendDlgItemMessage(IDC_DEVICE_NUMBER, CB_SETCURSEL, static_cast<WPARAM>(selected));
    return TRUE;
}

void CDeviceNumberOptionsDialog::OnSelChange()
{
    const int index = static_cast<int>(SendDlgItemMessage(IDC_DEVICE_NUMBER, CB_GETCURSEL));
    if (m_pRecord && index >= 0)
        m_pRecord->SetNumber(static_cast<std::uint16_t>(index));
}

CUSBOptionsDialog::CUSBOptionsDialog(CWnd* pParent, CCommPortData* pRecord, BOOL bEmbedded)
    : CDeviceNumberOptionsDialog(IDD_USB_OPTIONS, LINK_TYPE_USB, 1, pParent, pRecord, bEmbedded)
{
}

CPCIOptionsDialog::CPCIOptionsDialog(CWnd* pParent, CCommPortData* pRecord, BOOL bEmbedded)
    : CDeviceNumberOptionsDialog(IDD_PCI_OPTIONS, LINK_TYPE_PCI, 10, pParent, pRecord, bEmbedded)
{
}

// --- Simulator -------------------------------------------------------------------------------

CWinCommsOptions::CWinCommsOptions(CWnd* pParent, CCommPortData* pRecord, BOOL bEmbedded)
    : CCommsCommonConfigDialog(IDD_WIN_COMMS_OPTIONS, pParent, pRecord, bEmbedded)
{
}

BOOL CWinCommsOptions::OnInitDialog()
{
    CCommsCommonConfigDialog::OnInitDialog();
    if (m_pRecord && m_pRecord->m_nType != LINK_TYPE_SIMULATOR)
        m_pRecord->SetTypeDefaults(LINK_TYPE_SIMULATOR);
    return TRUE;
}

CCommsCommonConfigDialog* CreateCommsOptionPage(int nLinkType, CWnd* pParent, CCommPortData* pRecord, BOOL bEmbedded)
{
    switch (nLinkType) {
    case LINK_TYPE_SERIAL:
        return new CSerialCommsOptionsDialog(pParent, pRecord, bEmbedded);
    case LINK_TYPE_USB:
        return new CUSBOptionsDialog(pParent, pRecord, bEmbedded);
    case LINK_TYPE_SIMULATOR:
        return new CWinCommsOptions(pParent, pRecord, bEmbedded);
    case LINK_TYPE_ETHERNET:
        return new CEthernetOptionsDialog(pParent, pRecord, bEmbedded);
    case LINK_TYPE_PCI:
        return new CPCIOptionsDialog(pParent, pRecord, bEmbedded);
    default:
        return nullptr;
    }
}

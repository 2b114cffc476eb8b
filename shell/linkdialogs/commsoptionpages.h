// The option pages of the links: one small dialog per medium that edits the
// medium's part of a link record. Each runs either embedded in the link
// configuration dialog (without caption, OK and Cancel) or on its own with
// its own OK and Cancel.
#pragma once

#include <windows.h>

#include "framework/dialog.h"
#include "link/commportdata.h"

class CCommsCommonConfigDialog : public CDialog {
    DECLARE_DYNAMIC(CCommsCommonConfigDialog)
public:
    // pRecord: the record edited (may be null); it must outlive the dialog.
    CCommsCommonConfigDialog(UINT nIDTemplate, CWnd* pParent, CCommPortData* pRecord, BOOL bEmbedded);

    // Creates the page modelessly under pParent; embedded, it becomes a
    // child window without caption, system menu and minimise box.
    virtual BOOL CreateEmbedded(CWnd* pParent);
    // Settings kept outside the record (the serial page's packet mode).
    virtual void LoadExtraSettings() {}
    virtual void SaveExtraSettings() {}
    // Writes the page into the record. FALSE when an entry is refused (the
    // user has been told; the record is unchanged).
    virtual BOOL StoreToRecord() { return TRUE; }

    BOOL IsEmbedded() const { return m_bEmbedded; }
    UINT GetTemplateID() const { return m_nIDTemplate; }

protected:
    BOOL OnInitDialog() override;
    // On its own: the record is stored, then the dialog ends.
    void OnOK() override;
    void SetRecordCaption();

    CCommPortData* m_pRecord;
    BOOL m_bEmbedded;
    UINT m_nIDTemplate;
};

class CSerialCommsOptionsDialog : public CCommsCommonConfigDialog {
    DECLARE_DYNAMIC(CSerialCommsOptionsDialog)
public:

    CSerialCommsOptionsDialog(CWnd* pParent, CCommPortData* pRecord, BOOL bEmbedded);

    void LoadExtraSettings() override;
    void SaveExtraSettings() override;
    BOOL StoreToRecord() override;

protected:
    BOOL OnInitDialog() override;
    void OnNormal();
    void OnFast();
    DECLARE_MESSAGE_MAP()

private:
    void ShowSettings(std::uint32_t baud, int dataBits, int parity, int stopBits);
};

class CEthernetOptionsDialog : public CCommsCommonConfigDialog {
    DECLARE_DYNAMIC(CEthernetOptionsDialog)
public:
    CEthernetOptionsDialog(CWnd* pParent, CCommPortData* pRecord, BOOL bEmbedded);

    // A dotted address is normalised ("192.168.001.010" is stored as
    // "192.168.1.10") and a host name kept as typed (the link resolves
    // names); a malformed dotted address or a port outside 1..65535 is
    // refused.
    BOOL StoreToRecord() override;

    // The host text as it is stored; FALSE for a malformed dotted address.
    static BOOL NormaliseHost(LPCSTR text, CString& host);

protected:
    BOOL OnInitDialog() override;
};

// The USB device (only 0) or PCI board (0 to 9) of a link.
class CDeviceNumberOptionsDialog : public CCommsCommonConfigDialog {
    DECLARE_DYNAMIC(CDeviceNumberOptionsDialog)
public:
    CDeviceNumberOptionsDialog(UINT nIDTemplate, int nLinkType, int nNumbers, CWnd* pParent, CCommPortData* pRecord,
                               BOOL bEmbedded);

protected:
    BOOL OnInitDialog() override;
    void OnSelChange();
    DECLARE_MESSAGE_MAP()

private:
    int m_nLinkType;
    int m_nNumbers;
};

class CUSBOptionsDialog : public CDeviceNumberOptionsDialog {
public:
    CUSBOptionsDialog(CWnd* pParent, CCommPortData* pRecord, BOOL bEmbedded);
};

class CPCIOptionsDialog : public CDeviceNumberOptionsDialog {
public:
    CPCIOptionsDialog(CWnd* pParent, CCommPortData* pRecord, BOOL bEmbedded);
};

// The simulator window link has nothing to set.
class CWinCommsOptions : public CCommsCommonConfigDialog {
    DECLARE_DYNAMIC(CWinCommsOptions)
public:
    CWinCommsOptions(CWnd* pParent, CCommPortData* pRecord, BOOL bEmbedded);

protected:
    BOOL OnInitDialog() override;
};

// The page of a link type (1 serial, 2 USB, 3 simulator, 4 Ethernet, 5 PCI);
// null for FINS and anything else.
CCommsCommonConfigDialog* CreateCommsOptionPage(int nLinkType, CWnd* pParent, CCommPortData* pRecord, BOOL bEmbedded);

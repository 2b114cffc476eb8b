// CPrintPageSetupDialog: the program editor's print margins. The settings
// keep whole numbers: 1/40 cm with the metric flag, else 1/100 inch; the
// dialog shows and takes them in cm or inch, each from 0 to 100.
#pragma once

#include <windows.h>

#include "framework/dialog.h"
#include "settings/vqregistry.h"

class CPrintPageSetupDialog : public CDialog {
public:
    enum Unit { Centimetres = 0, Inches = 1 };

    explicit CPrintPageSetupDialog(CWnd* pParent = nullptr);

    double m_dLeft = 0;
    double m_dTop = 0;
    double m_dRight = 0;
    double m_dBottom = 0;
    int m_nUnit = Centimetres;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* pDX) override;
};

// The margins as stored (nothing stored: 75 each, in inches) shown in their
// unit, and shown margins in a unit as stored: each rounded to the nearest
// stored step, so 0.29 inch is 29, not 28.
void MarginsToShown(const VQPrintMargins& stored, double shown[4], int& unit);
VQPrintMargins ShownToMargins(const double shown[4], int unit);
VQPrintMargins DefaultPrintMargins();

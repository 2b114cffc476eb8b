#include "shell/pagesetupdialog.h"

#include <cmath>

#include "shell/visual_resource.h"

namespace {

// Stored steps per shown unit.
double StepsPerUnit(int unit)
{
    return unit == CPrintPageSetupDialog::Centimetres ? 40.0 : 100.0;
}

} // namespace

VQPrintMargins DefaultPrintMargins()
{
    return VQPrintMargins{75, 75, 75, 75, 0};
}

void MarginsToShown(const VQPrintMargins& stored, double shown[4], int& unit)
{
    unit = stored.metric ? CPrintPageSetupDialog::Centimetres : CPrintPageSetupDialog::Inches;
    const double steps = StepsPerUnit(unit);
    const LONG values[4] = {stored.left, stored.top, stored.right, stored.bottom};
    for (int i = 0; i < 4; ++i)
        shown[i] = values[i] / steps;
}

VQPrintMargins ShownToMargins(const double shown[4], int unit)
{
    const double steps = StepsPerUnit(unit);
    LONG values[4];
    for (int i = 0; i < 4; ++i)
        values[i] = static_cast<LONG>(std::lround(shown[i] * steps));
    return VQPrintMargins{values[0], values[1], values[2], values[3],
                          static_cast<DWORD>(unit == CPrintPageSetupDialog::Centimetres ? 1 : 0)};
}

CPrintPageSetupDialog::CPrintPageSetupDialog(CWnd* pParent) : CDialog(IDD_PAGE_SETUP, pParent) {}

void CPrintPageSetupDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_MARGIN_LEFT, m_dLeft);
    DDV_MinMaxDouble(pDX, m_dLeft, 0, 100);
    DDX_Text(pDX, IDC_MARGIN_TOP, m_dTop);
    DDV_MinMaxDouble(pDX, m_dTop, 0, 100);
    DDX_Text(pDX, IDC_MARGIN_RIGHT, m_dRight);
    DDV_MinMaxDouble(pDX, m_dRight, 0, 100);
    DDX_Text(pDX, IDC_MARGIN_BOTTOM, m_dBottom);
    DDV_MinMaxDouble(pDX, m_dBottom, 0, 100);
    DDX_Radio(pDX, IDC_UNIT_CM, m_nUnit);
}

BOOL CPrintPageSetupDialog::OnInitDialog()
{
    VQPrintMargins stored = DefaultPrintMargins();
    CVQRegistry().GetPrintMargins(stored);
    double shown[4];
    MarginsToShown(stored, shown, m_nUnit);
    m_dLeft = shown[0];
    m_dTop = shown[1];
    m_dRight = shown[2];
    m_dBottom = shown[3];
    return CDialog::OnInitDialog();
}

void CPrintPageSetupDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    const double shown[4] = {m_dLeft, m_dTop, m_dRight, m_dBottom};
    CVQRegistry().SetPrintMargins(ShownToMargins(shown, m_nUnit));
    EndDialog(IDOK);
}

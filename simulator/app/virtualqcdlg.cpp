#include "simulator/app/virtualqcdlg.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "foundation/versioninfo.h"
#include "framework/prompt.h"

#include "simulator/app/diagnosticdialog.h"
#include "simulator/app/resource.h"
#include "simulator/app/splashfile.h"
#include "simulator/app/userdialog.h"
#include "simulator/app/simlog.h"
#include "simulator/runtime/axis.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/motion.h"
#include "simulator/runtime/power_up.h"
#include "simulator/runtime/scheduler.h"

namespace {

// The version the simulated controller reports.
constexpr float kControllerSoftwareVersion = 1.65f;

std::string LoadText(UINT id)
{
    char text[512] = {};
    ::LoadStringA(AfxGetInstanceHandle(), id, text, sizeof text);
    return text;
}

void WriteMainWindowTarget()
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\VexoLabs\\WinTargets\\QCSimulation", 0, nullptr, 0, KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    static const char name[] = "QC Simulation";
    RegSetValueExA(key, "MainWindow", 0, REG_SZ, reinterpret_cast<const BYTE*>(name), sizeof name);
    RegCloseKey(key);
}

COLORREF Mix(COLORREF a, COLORREF b)
{
    return RGB((GetRValue(a) + GetRValue(b)) / 2, (GetGValue(a) + GetGValue(b)) / 2,
               (GetBValue(a) + GetBValue(b)) / 2);
}

} // namespace

std::string MoveTypeText(long code)
{
    switch (code) {
    case 0: return "--";
    case 1: return "MO";
    case 2: return "MA";
    case 3: return "MH";
    case 4: return "MC";
    case 5: return "MM";
    case 10: return "MF";
    case 11: return "MR";
    case 12: return "DT";
    case 13: return "CM";
    case 14: return "JF";
    case 15: return "JR";
    case 20: return "CB";
    case 21: return "CT";
    case 22: return "LK";
    default: {
        char text[24];
        std::snprintf(text, sizeof text, "%02ld", code);
        return text;
    }
    }
}

std::string DemandPositionText(int32_t position, float units)
{
    char text[64];
    std::snprintf(text, sizeof text, "%0.4f", static_cast<double>(static_cast<float>(position) / units));
    return text;
}

std::string SystemVersionText(float version)
{
    const int n = static_cast<int>((version + 0.00001) * 10000);
    const double x = static_cast<double>(n / 100) / 100.0;
    const int d = n % 100;
    char text[64];
    if (d <= 0)
        std::snprintf(text, sizeof text, "(Sys: %.2f)", x);
    else
        std::snprintf(text, sizeof text, "(Sys: %.2f, dev: %02d)", x, d);
    return text;
}

AboutTexts ReadAboutTexts(const char* programFile)
{
    const CVersionInfo info(programFile);
    AboutTexts texts;
    char line[160];
    std::snprintf(line, sizeof line, "Version: %s  %s", static_cast<LPCSTR>(info.GetVersionText(FALSE)),
                  SystemVersionText(kControllerSoftwareVersion).c_str());
    texts.version = line;
    texts.copyright = static_cast<LPCSTR>(info.GetCopyright());
    return texts;
}

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length < MAX_PATH ? length : 0);
    const size_t slash = folder.find_last_of('\\');
    return slash == std::string::npos ? std::string() : folder.substr(0, slash);
}

HBITMAP LoadBackground(const std::string& folder, HWND owner)
{
    const std::string enciphered = folder + "\\QCSGraphic.teg", plain = folder + "\\QCSGTemp.bmp";
    HBITMAP picture = nullptr;
    if (!folder.empty() && ::GetFileAttributesA(enciphered.c_str()) != INVALID_FILE_ATTRIBUTES &&
        qcsim::CSplashEncrypt::Decipher(enciphered, plain, owner)) {
        picture = static_cast<HBITMAP>(
            ::LoadImageA(nullptr, plain.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        ::DeleteFileA(plain.c_str());
    }
    if (!picture)
        picture = static_cast<HBITMAP>(::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDB_BACKGROUND),
                                                    IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    return picture;
}

bool WantsResetDialog(const char* commandLine)
{
    std::string line = commandLine ? commandLine : "";
    std::transform(line.begin(), line.end(), line.begin(), [](unsigned char c) { return std::tolower(c); });
    return line.find("-reset") != std::string::npos;
}

BEGIN_MESSAGE_MAP(CVirtualQCDlg, CDialog)
ON_WM_DESTROY()
ON_WM_TIMER()
ON_WM_PAINT()
ON_WM_SYSCOMMAND()
ON_WM_DRAWITEM()
ON_MESSAGE(WM_QUERYDRAGICON, OnQueryDragIcon)
ON_MESSAGE(WM_QUERYENDSESSION, OnQueryEndSession)
ON_MESSAGE(WM_ENDSESSION, OnEndSession)
ON_MESSAGE(WM_SIM_WRITE_OUTPUTS, OnWriteOutputs)
ON_MESSAGE(qcsim::WM_MIMIC_SET_POINT, OnSetPoint)
ON_BN_CLICKED(IDC_MOTION_SIM, OnMotionSim)
ON_BN_CLICKED(IDC_DUMP, OnDump)
ON_COMMAND(ID_VIEW_AXES, OnViewAxes)
ON_COMMAND(ID_RESET_IMAGES, OnResetImages)
ON_COMMAND(ID_RESET_DUMP_SEQUENCE, OnResetDumpSequence)
ON_COMMAND(ID_APP_EXIT_SIM, OnExit)
ON_COMMAND(ID_HELP_ABOUT, OnAbout)
ON_COMMAND(ID_OPTIONS_DEBUGGING, OnDebugging)
END_MESSAGE_MAP()

CVirtualQCDlg::CVirtualQCDlg(CWnd* pParent) : CDialog(IDD_VIRTUALQC_DIALOG, pParent)
{
    m_icon = ::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    WriteMainWindowTarget();
}

CVirtualQCDlg::~CVirtualQCDlg()
{
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(m_background), static_cast<HGDIOBJ>(m_pointFont),
                           static_cast<HGDIOBJ>(m_headingFont), static_cast<HGDIOBJ>(m_warningFont)}) {
        if (object)
            DeleteObject(object);
    }
}

BOOL CVirtualQCDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    const std::string about = LoadText(IDS_ABOUTBOX);
    if (HMENU system = ::GetSystemMenu(m_hWnd, FALSE); system && !about.empty()) {
        AppendMenuA(system, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(system, MF_STRING, IDM_ABOUTBOX, about.c_str());
    }
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    ::SetWindowTextA(m_hWnd, "QC Simulation");
    if (m_instance)
        m_instance->MarkMainWindow(m_hWnd);
    m_background = LoadBackground(ProgramFolder(), m_hWnd);

    if (!m_link.CreateLinkWindow(this, IDC_LINK_WINDOW)) {
        // The user chose to quit rather than start without the memory.
        EndDialog(IDCANCEL);
        return TRUE;
    }
    m_link.SetDialogWindow(m_hWnd);
    ::PostMessageA(m_link.m_hWnd, WM_SIM_START, 0, 0);

    HWND list = ::GetDlgItem(m_hWnd, IDC_AXIS_LIST);
    const std::string heading = LoadText(IDS_DEMAND_POSITION);
    const char* headings[3] = {"", heading.c_str(), ""};
    for (int c = 0; c < 3; ++c) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<char*>(headings[c]);
        ::SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
    }
    for (int row = 0; row < qcrt::kAxisCount; ++row) {
        char text[8];
        std::snprintf(text, sizeof text, "%d", row);
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = text;
        ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES, LVS_EX_GRIDLINES);
    SizeAxisColumns(list);

    // The mimic fills the area left of the list and below the check box.
    RECT client, background, check, listBox;
    ::GetClientRect(m_hWnd, &client);
    ::GetWindowRect(::GetDlgItem(m_hWnd, IDC_BACKGROUND), &background);
    ::GetWindowRect(::GetDlgItem(m_hWnd, IDC_MOTION_SIM), &check);
    ::GetWindowRect(list, &listBox);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&background), 2);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&check), 2);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&listBox), 2);
    m_margin = background.top;
    const RECT area = {m_margin, check.bottom + m_margin, listBox.left - m_margin, client.bottom - m_margin};
    m_mimic.CreateMimic(area, this, IDC_IO_MIMIC, 0, kMimicPoints);
    HFONT dialogFont = reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
    LOGFONTA logFont{};
    if (!dialogFont || GetObjectA(dialogFont, sizeof logFont, &logFont) != sizeof logFont)
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof logFont, &logFont);
    logFont.lfWeight = FW_NORMAL;
    m_pointFont = CreateFontIndirectA(&logFont);
    logFont.lfWeight = FW_BOLD;
    m_headingFont = CreateFontIndirectA(&logFont);
    logFont.lfHeight = 24;
    m_warningFont = CreateFontIndirectA(&logFont);
    m_mimic.SetPointFont(m_pointFont);
    m_mimic.SetHeadingFont(m_headingFont);

    m_showAxes = ReadSimSettingDword("\\Config", "ShowAxes", 0) != 0;
    LayoutForAxes();

    qcrt::g_MotionEnabled.store(static_cast<int>(ReadSimSettingDword("\\Config", "MotionSim", 0)));
    ::CheckDlgButton(m_hWnd, IDC_MOTION_SIM, qcrt::g_MotionEnabled.load() ? BST_CHECKED : BST_UNCHECKED);
    ::ShowWindow(::GetDlgItem(m_hWnd, IDC_DUMP), SW_HIDE);
    qcrt::PublishInputs(InputWord());
    SetTimer(kAxisTimer, 500);
    return TRUE;
}

void SizeAxisColumns(HWND list)
{
    // The columns share the width left beside the vertical scroll bar the
    // rows need, so no horizontal one appears.
    RECT box;
    ::GetClientRect(list, &box);
    int w = box.right;
    const LRESULT rows = ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    const LRESULT shown = ::SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0);
    if (rows > shown && !(::GetWindowLongA(list, GWL_STYLE) & WS_VSCROLL))
        w -= ::GetSystemMetrics(SM_CXVSCROLL);
    const int widths[3] = {w / 5, w - w / 6 - w / 5 - 1, w / 6};
    for (int c = 0; c < 3; ++c)
        ::SendMessageA(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c), MAKELPARAM(widths[c], 0));
}

void CVirtualQCDlg::LayoutForAxes()
{
    HWND list = ::GetDlgItem(m_hWnd, IDC_AXIS_LIST);
    ::ShowWindow(list, m_showAxes ? SW_SHOW : SW_HIDE);
    RECT reference;
    ::GetWindowRect(m_showAxes ? list : m_mimic.m_hWnd, &reference);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&reference), 2);
    RECT window, client;
    ::GetWindowRect(m_hWnd, &window);
    ::GetClientRect(m_hWnd, &client);
    const int frame = (window.right - window.left) - client.right;
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, reference.right + m_margin + frame, window.bottom - window.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (HMENU menu = ::GetMenu(m_hWnd))
        ::CheckMenuItem(menu, ID_VIEW_AXES, MF_BYCOMMAND | (m_showAxes ? MF_CHECKED : MF_UNCHECKED));
}

uint32_t CVirtualQCDlg::InputWord() const
{
    uint32_t word = 0;
    const int points = std::min(m_mimic.GetPointCount(), 32);
    for (int n = points - 1; n >= 0; --n)
        word = (word << 1) | (m_mimic.GetPoint(n) ? 1u : 0u);
    return word;
}

void CVirtualQCDlg::RefreshAxes()
{
    HWND list = ::GetDlgItem(m_hWnd, IDC_AXIS_LIST);
    for (int axis = 0; axis < qcrt::kAxisCount; ++axis) {
        const qcrt::AxisRecord& record = qcrt::g_AxisRecords[axis];
        const std::string position =
            DemandPositionText(record.GetInt(qcrt::kAxisDpos), record.GetFloat(qcrt::kAxisUnits));
        const std::string type = MoveTypeText(record.GetInt(qcrt::kAxisMtype));
        LVITEMA item{};
        item.iSubItem = 1;
        item.pszText = const_cast<char*>(position.c_str());
        ::SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(axis), reinterpret_cast<LPARAM>(&item));
        item.iSubItem = 2;
        item.pszText = const_cast<char*>(type.c_str());
        ::SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(axis), reinterpret_cast<LPARAM>(&item));
    }
}

void CVirtualQCDlg::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == kAxisTimer)
        RefreshAxes();
    else
        CDialog::OnTimer(nIDEvent);
}

LRESULT CVirtualQCDlg::OnQueryDragIcon(WPARAM, LPARAM)
{
    // The minimised dialog is dragged as its icon.
    return reinterpret_cast<LRESULT>(m_icon);
}

LRESULT CVirtualQCDlg::OnQueryEndSession(WPARAM, LPARAM)
{
    return TRUE; // the images are saved when the end comes
}

LRESULT CVirtualQCDlg::OnEndSession(WPARAM wParam, LPARAM)
{
    // Logging off or shutting down: the program may be ended without a
    // close, so the memory is saved now, as closing would.
    if (wParam && m_link.m_hWnd)
        m_link.SaveForSessionEnd();
    return 0;
}

LRESULT CVirtualQCDlg::OnWriteOutputs(WPARAM wParam, LPARAM)
{
    const uint32_t word = static_cast<uint32_t>(wParam);
    const int last = std::min(m_mimic.GetPointCount(), 32);
    for (int n = 8; n < last; ++n) {
        const int state = (word >> n) & 1u;
        if (m_mimic.GetPoint(n) != state)
            m_mimic.SetPoint(n, state);
    }
    return 0;
}

LRESULT CVirtualQCDlg::OnSetPoint(WPARAM wParam, LPARAM lParam)
{
    // Only the first eight points are the controller's inputs.
    if (wParam < 8) {
        m_mimic.SetPoint(static_cast<int>(wParam), static_cast<int>(lParam));
        qcrt::PublishInputs(InputWord());
    }
    return 0;
}

void CVirtualQCDlg::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT draw)
{
    if (nIDCtl != IDC_BACKGROUND || !draw) {
        CDialog::OnDrawItem(nIDCtl, draw);
        return;
    }
    const RECT& box = draw->rcItem;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    HBRUSH faceBrush = CreateSolidBrush(face);
    FillRect(draw->hDC, &box, faceBrush);
    DeleteObject(faceBrush);
    const bool logging = SimLog().IsEnabled();
    BITMAP info{};
    if (m_background && GetObjectA(m_background, sizeof info, &info)) {
        HDC source = CreateCompatibleDC(draw->hDC);
        HGDIOBJ oldSource = SelectObject(source, m_background);
        HDC memory = CreateCompatibleDC(draw->hDC);
        HBITMAP copy = CreateCompatibleBitmap(draw->hDC, info.bmWidth, info.bmHeight);
        HGDIOBJ oldMemory = SelectObject(memory, copy);
        BitBlt(memory, 0, 0, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
        // The bottom-right pixel's colour is transparent: it becomes the
        // face colour; with logging on the rest is faded twice toward it.
        const COLORREF transparent = GetPixel(memory, info.bmWidth - 1, info.bmHeight - 1);
        for (int y = 0; y < info.bmHeight; ++y) {
            for (int x = 0; x < info.bmWidth; ++x) {
                const COLORREF pixel = GetPixel(memory, x, y);
                if (pixel == transparent)
                    SetPixelV(memory, x, y, face);
                else if (logging)
                    SetPixelV(memory, x, y, Mix(Mix(pixel, face), face));
            }
        }
        SetStretchBltMode(draw->hDC, COLORONCOLOR);
        StretchBlt(draw->hDC, box.left, box.top, box.right - box.left, box.bottom - box.top, memory, 0, 0,
                   info.bmWidth, info.bmHeight, SRCCOPY);
        SelectObject(memory, oldMemory);
        DeleteObject(copy);
        DeleteDC(memory);
        SelectObject(source, oldSource);
        DeleteDC(source);
    }
    if (logging) {
        const std::string warning = LoadText(IDS_WARNING), note = LoadText(IDS_LOGGING_ENABLED);
        // The warning's font as large as fits the picture: the two lines
        // side by side in its width, one above the other in its height.
        LOGFONTA logFont{};
        GetObjectA(m_warningFont, sizeof logFont, &logFont);
        HFONT font = nullptr;
        for (int height = logFont.lfHeight; height >= 8; height -= 2) {
            logFont.lfHeight = height;
            HFONT candidate = CreateFontIndirectA(&logFont);
            HGDIOBJ previous = SelectObject(draw->hDC, candidate);
            SIZE first{}, second{};
            GetTextExtentPoint32A(draw->hDC, warning.c_str(), static_cast<int>(warning.size()), &first);
            GetTextExtentPoint32A(draw->hDC, note.c_str(), static_cast<int>(note.size()), &second);
            SelectObject(draw->hDC, previous);
            if (font)
                DeleteObject(font);
            font = candidate;
            if (std::max(first.cx, second.cx) <= box.right - box.left - 4 &&
                first.cy + second.cy <= box.bottom - box.top)
                break;
        }
        HGDIOBJ old = SelectObject(draw->hDC, font ? static_cast<HGDIOBJ>(font) : static_cast<HGDIOBJ>(m_warningFont));
        SetTextColor(draw->hDC, RGB(255, 0, 0));
        SetBkMode(draw->hDC, TRANSPARENT);
        RECT top = box;
        DrawTextA(draw->hDC, warning.c_str(), -1, &top, DT_CENTER | DT_SINGLELINE | DT_CALCRECT);
        const int band = top.bottom - top.top;
        top = {box.left, box.top, box.right, box.top + band};
        DrawTextA(draw->hDC, warning.c_str(), -1, &top, DT_CENTER | DT_SINGLELINE);
        RECT rest = {box.left, box.top + band, box.right, box.bottom};
        DrawTextA(draw->hDC, note.c_str(), -1, &rest, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(draw->hDC, old);
        if (font)
            DeleteObject(font);
    }
}

void CVirtualQCDlg::OnPaint()
{
    if (::IsIconic(m_hWnd)) {
        PAINTSTRUCT paint;
        HDC dc = ::BeginPaint(m_hWnd, &paint);
        RECT client;
        ::GetClientRect(m_hWnd, &client);
        DrawIcon(dc, (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2,
                 (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2, m_icon);
        ::EndPaint(m_hWnd, &paint);
        return;
    }
    CDialog::OnPaint();
}

void CVirtualQCDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX)
        OnAbout();
    else
        CDialog::OnSysCommand(nID, lParam);
}

void CVirtualQCDlg::OnMotionSim()
{
    const int on = qcrt::g_MotionEnabled.load() ? 0 : 1;
    qcrt::g_MotionEnabled.store(on);
    ::CheckDlgButton(m_hWnd, IDC_MOTION_SIM, on ? BST_CHECKED : BST_UNCHECKED);
    WriteSimSettingDword("\\Config", "MotionSim", static_cast<DWORD>(on));
}

void CVirtualQCDlg::OnDump()
{
    m_link.DumpImage();
}

void CVirtualQCDlg::OnViewAxes()
{
    m_showAxes = !m_showAxes;
    WriteSimSettingDword("\\Config", "ShowAxes", m_showAxes ? 1 : 0);
    LayoutForAxes();
}

void CVirtualQCDlg::OnResetImages()
{
    const std::string caption = LoadText(IDS_RESET_MEMORY_CAPTION), text = LoadText(IDS_RESET_MEMORY_TEXT);
    if (AfxGetPromptService().Prompt(m_hWnd, text.c_str(), caption.c_str(),
                                     MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) != IDYES)
        return;
    m_link.SetDeleteOnExit(true);
    Close();
}

void CVirtualQCDlg::OnResetDumpSequence()
{
    WriteSimSettingDword("\\Config", "DumpSequence", 0);
}

void CVirtualQCDlg::Close()
{
    EndDialog(IDOK);
}

void CVirtualQCDlg::OnExit()
{
    Close();
}

void CVirtualQCDlg::OnOK()
{
    Close();
}

void CVirtualQCDlg::OnCancel()
{
    Close();
}

void CVirtualQCDlg::OnAbout()
{
    class CAboutDlg : public CDialog {
    public:
        CAboutDlg(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent) {}
        BOOL OnInitDialog() override
        {
            CDialog::OnInitDialog();
            char file[MAX_PATH] = {};
            ::GetModuleFileNameA(nullptr, file, MAX_PATH);
            const AboutTexts texts = ReadAboutTexts(file);
            ::SetDlgItemTextA(m_hWnd, IDC_ABOUT_VERSION, texts.version.c_str());
            char line[160];
            std::snprintf(line, sizeof line, "Built on %s at %s", __DATE__, __TIME__);
            ::SetDlgItemTextA(m_hWnd, IDC_ABOUT_BUILT, line);
            ::SetDlgItemTextA(m_hWnd, IDC_ABOUT_COPYRIGHT, texts.copyright.c_str());
            return TRUE;
        }
    };
    CAboutDlg about(this);
    about.DoModal();
}

void CVirtualQCDlg::OnDebugging()
{
    CDiagnosticDialog dialog(this);
    dialog.DoModal();
}

void CVirtualQCDlg::OnDestroy()
{
    KillTimer(kAxisTimer);
    CDialog::OnDestroy();
    if (m_link.m_hWnd)
        ::SendMessageA(m_link.m_hWnd, WM_SIM_SHUTDOWN, 0, 0);
}

// --- reset dialog -----------------------------------------------------------------

CResetSimulatorDialog::CResetSimulatorDialog(CWnd* pParent) : CDialog(IDD_RESET_SIMULATOR, pParent)
{
    m_icon = ::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDI_RESET));
}

BOOL CResetSimulatorDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    return TRUE;
}

std::string CResetSimulatorDialog::DeleteImages(const std::string& folder)
{
    std::string failed;
    if (folder.empty())
        return failed;
    for (const char* name : {"Flash.img", "BB_RAM.img"}) {
        const std::string path = folder + name;
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES && !DeleteFileA(path.c_str()))
            failed += path + "\n";
    }
    return failed;
}

void CResetSimulatorDialog::OnOK()
{
    const std::string failed = DeleteImages(SimulatorDataFolder(true));
    size_t start = 0;
    while (start < failed.size()) {
        const size_t end = failed.find('\n', start);
        char text[MAX_PATH + 64];
        std::snprintf(text, sizeof text, "Error deleting file %s", failed.substr(start, end - start).c_str());
        AfxGetPromptService().Prompt(m_hWnd, text, "Reset Simulator", MB_OK | MB_ICONERROR);
        start = end + 1;
    }
    EndDialog(IDOK);
}

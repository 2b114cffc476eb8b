// The project window's halt of running programs and its store of the
// controller's programs in EPROM (with the power-up setting that runs them
// from there), and the offer to store changed programs before a
// disconnect.
#include "project/projectwnd.h"

#include <memory>

#include "framework/prompt.h"
#include "project/programeprom.h"
#include "settings/vqregistry.h"
#include "ui/progress.h"

namespace {

const int kHaltCommand = 7;   // "HALT"
const int kEpromCommand = 15; // "EPROM"
const int kPowerUpQuery = 33; // "?POWER_UP[0];"
const int kPowerUpSet = 36;   // "POWER_UP=%i"
const DWORD kAfterHaltMs = 1000;
const UINT kPanelProgramsStored = WM_APP + 0x18F; // to the control panel, with an empty text
const UINT kPanelChangedQuery = WM_APP + 0x198;   // to the control panel: changes not yet stored
const char kManagerCaption[] = "Project Manager"; // 659
const char kHaltQuestion[] =
    "This operation cannot be performed with programs running.\n\nDo you wish to halt all running programs"; // 316
const char kStoreTitle[] = "Store programs in EPROM";                                                        // 773
const char kStoring[] = "Storing programs in EPROM";                                                         // 428
const char kStoreFailed[] = "Error storing programs in EPROM";                                               // 1078

} // namespace

BOOL CProjectWnd::HaltProgramsIfRunning(LPCSTR title)
{
    CBusy busy(*this);
    if (GetProcesses().empty())
        return TRUE;
    CString text;
    if (title && *title) {
        text = title;
        text += "\n\n";
    }
    text += kHaltQuestion;
    if (AfxGetPromptService().Prompt(m_hWnd, text, kManagerCaption, MB_YESNO | MB_DEFBUTTON1) != IDYES)
        return FALSE;
    // A HALT the controller did not take leaves the programs running: the
    // operation that asked must not go ahead as if they had stopped.
    if (!RunControllerCommands({Command(kHaltCommand)}))
        return FALSE;
    WaitServing([] { return false; }, kAfterHaltMs);
    return TRUE;
}

BOOL CProjectWnd::StoreProgramsInEprom(BOOL showWaitDialog)
{
    std::unique_ptr<CWaiting> wait;
    if (showWaitDialog) {
        wait = std::make_unique<CWaiting>(this, kStoring);
        wait->Show();
    }
    if (!HaltProgramsIfRunning(kStoreTitle))
        return FALSE;

    {
        std::lock_guard<std::mutex> lock(m_valuesLock);
        m_values.lastEpromReply.Empty();
    }
    BOOL stored = RunControllerCommands({Command(kEpromCommand)});
    if (stored) {
        CString reply = GetReplyValues().lastEpromReply;
        reply.MakeUpper();
        stored = reply.Find("VERIFYING") >= 0 && reply.Find("ERROR") < 0 ? TRUE : FALSE;
    }
    if (stored) {
        // What is in EPROM now matches RAM, whatever the power-up step does.
        for (const CProgramData& program : m_pConnection->GetPrograms())
            if (CProgramData* record = m_pConnection->FindProgram(program.m_strName))
                record->m_nChanged = 0;
        SendToControlPanel(kPanelProgramsStored, 0, reinterpret_cast<LPARAM>(""));
        if (m_pConnection->GetModel().m_nPowerUpCapable) {
            stored = RunControllerCommands({Command(kPowerUpSet, 1), Command(kPowerUpQuery)});
            if (stored && IsProjectOpen()) {
                if (m_pConnection->IsPowerUpActive())
                    m_projectFile.WriteString("Controller", "Run", "EPROM");
                else
                    m_projectFile.DeleteKey("Controller", "Run");
            }
        }
    }
    if (!stored)
        AfxGetPromptService().PromptDetached(kStoreFailed, kStoreTitle);
    return stored;
}

void CProjectWnd::OfferEPROMStore(int)
{
    bool changed = false;
    for (const CProgramData& program : m_pConnection->GetPrograms())
        changed = changed || program.m_nChanged != 0;
    if (!changed && SendToControlPanel(kPanelChangedQuery) == 0)
        return;
    const BOOL battery = m_pConnection->GetModel().m_nPowerUpCapable ? TRUE : FALSE;
    if (!battery && CVQRegistry().GetAutoEPROM()) {
        StoreProgramsInEprom(TRUE);
        return;
    }
    CProgramChangedEPROMDialog dialog(nullptr, m_hWnd, TRUE, 0, battery);
    dialog.RunModal(nullptr);
}

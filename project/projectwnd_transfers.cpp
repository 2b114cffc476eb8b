// The project window's program transfers and program operations: each runs
// a CProgramTransfer with the window as its host, on the window's thread.
#include "project/programtransfer.h"
#include "project/projectwnd.h"

#include "link/programdata.h"
#include "project/kwproject.h"
#include "project/programtypes.h"
#include "shell/betafeatures.h"
#include "settings/vqregistry.h"

namespace {

// Asks an editor frame to send its pending lines and save.
const UINT PWM_EDITOR_SAVE_REQUEST = WM_APP + 0x135;
// The controller takes a program file in blocks (LOAD_PROJECT).
const int kFeatureFastProgramLoad = 27;

} // namespace

struct CProjectWnd::CTransferHost : public ITransferHost {
    explicit CTransferHost(CProjectWnd& window) : m_window(window) {}

    CControllerConnection* GetConnection() override { return m_window.m_pConnection.get(); }
    CProjectFile* GetProjectFile() override { return &m_window.m_projectFile; }
    HWND GetControlPanelWindow() override { return m_window.m_hWndControlPanel; }
    BOOL RunCommand(int commandId, int integer, LPCSTR text) override
    {
        return m_window.RunControllerCommand(commandId, integer, text);
    }
    CString TakeSelectCompileReport() override
    {
        std::lock_guard<std::mutex> lock(m_window.m_replySinkLock);
        const CString program(m_window.m_selectCompileProgram.c_str());
        m_window.m_selectCompileProgram.clear();
        return program;
    }
    void SetReplySink(std::function<void(const ControllerMessage&)> sink) override
    {
        std::lock_guard<std::mutex> lock(m_window.m_replySinkLock);
        m_window.m_replySink = std::move(sink);
    }
    std::unique_ptr<IHubProgress> StartProgress(LPCSTR caption) override
    {
        return StartGaugeProgress(m_window.m_hWnd, caption);
    }
    void RaiseBusy() override { ++m_window.m_nBusy; }
    void LowerBusy() override
    {
        int current = m_window.m_nBusy.load();
        while (current > 0 && !m_window.m_nBusy.compare_exchange_weak(current, current - 1)) {
        }
    }
    // While programs run, a change goes ahead when every program it touches
    // may be changed while running (the controller allows it, the user's
    // setting too, and the directory marks the program so); otherwise the
    // user is asked to halt the programs first.
    BOOL PermitProgramOperation(const std::vector<std::string>& programs) override
    {
        bool allowed = !programs.empty();
        for (const std::string& program : programs)
            allowed = allowed && m_window.CanOperateOnProgram(program.c_str());
        return allowed ? TRUE : m_window.HaltProgramsIfRunning(nullptr);
    }
    void CloseEditors(LPCSTR program) override
    {
        if (program)
            m_window.CloseEditor(program);
        else
            m_window.CloseToolWindowsOfId(TOOL_EDITOR);
    }
    void ProgramsChanged() override { m_window.RefreshProgramListSoon(); }
    // A model that keeps no programs over a power cycle (no battery-backed
    // store) gets them stored in flash after each change when the user
    // wants that (AutoEPROM).
    void StoreProgramsIfNeeded() override
    {
        if (!m_window.m_pConnection->GetModel().m_nPowerUpCapable && CVQRegistry().GetAutoEPROM())
            m_window.StoreProgramsInEprom(FALSE);
    }
    void SaveEditors(LPCSTR program) override
    {
        m_window.Broadcast(PWM_EDITOR_SAVE_REQUEST, 0, 0, TOOL_EDITOR, program);
    }
    // The IEC project is made again from the coded file the transfer read
    // from the controller (the IEC system expands it into the project
    // folder, replacing the old one without asking).
    BOOL ExportIECProgram(LPCSTR program) override
    {
        if (!program || !IsProgramFileName(program))
            return FALSE;
        if (!m_window.m_pIECProject)
            m_window.m_pIECProject = new CKWProject();
        const CString coded = m_window.m_projectFile.GetDirectory() + program + "." +
                              GetProgramTypeTransferExtension(PROGRAM_TYPE_IEC_PROJECT);
        if (!m_window.m_pIECProject->ImportProject(coded, TRUE)) {
            m_window.AddErrorText(m_window.m_pIECProject->GetLastError());
            return FALSE;
        }
        return TRUE;
    }
    BOOL FastLoadProgram(LPCSTR name, LPCSTR path, int type) override
    {
        return m_window.FastLoadProgram(name, path, type);
    }
    // The whole file in blocks through tool window 1057 where the
    // controller's system software takes it, the user has not forced the
    // line load and the feature is switched on.
    BOOL UseFastProgramLoad() override
    {
        return m_window.m_pConnection->IsFeatureSupported(kFeatureFastProgramLoad) &&
                       !CVQRegistry().GetForceSlowProgramLoad() && IsBetaFeatureEnabled(BETA_FAST_PROGRAM_LOAD)
                   ? TRUE
                   : FALSE;
    }

private:
    CProjectWnd& m_window;
};

namespace {

// The program's type in the controller's list, else in the project.
int ProgramType(CProjectWnd& window, LPCSTR name)
{
    const int type = window.GetConnection().GetProgramType(name);
    return type != PROGRAM_TYPE_NONE ? type : window.GetProjectFile().GetProgramType(name);
}

} // namespace

int CProjectWnd::ReadTable(CTableList& table, long first, long last)
{
    CTransferHost host(*this);
    return CProgramTransfer(host).ReadTable(table, first, last);
}

int CProjectWnd::ReadVariables(std::vector<std::string>& lines, int first, int last)
{
    CTransferHost host(*this);
    return CProgramTransfer(host).ReadVariables(lines, first, last);
}

int CProjectWnd::LoadProgramText(LPCSTR name, LPCSTR path, int type, BOOL resetCancel)
{
    CTransferHost host(*this);
    return CProgramTransfer(host).LoadProgramText(name, path, type, resetCancel);
}

BOOL CProjectWnd::SaveProgramToDisk(LPCSTR name, BOOL intoControllerFolder)
{
    CTransferHost host(*this);
    return CProgramTransfer(host).SaveProgramToDisk(name, ProgramType(*this, name), intoControllerFolder);
}

BOOL CProjectWnd::SaveAllProgramsToDisk(std::vector<std::string>* saved)
{
    CTransferHost host(*this);
    return CProgramTransfer(host).SaveAllProgramsToDisk(saved);
}

int CProjectWnd::ExportProgramFile(LPCSTR name, LPCSTR destination, BOOL force)
{
    CTransferHost host(*this);
    return CProgramTransfer(host).ExportProgramFile(name, destination, force);
}

BOOL CProjectWnd::LoadProgramToController(LPCSTR name, BOOL resetCancel)
{
    CTransferHost host(*this);
    return CProgramTransfer(host).LoadProgramToController(name, ProgramType(*this, name), resetCancel);
}

int CProjectWnd::DeletePrograms(LPCSTR names)
{
    CTransferHost host(*this);
    return CProgramTransfer(host).DeletePrograms(names);
}

BOOL CProjectWnd::CopyProgram(LPCSTR source, LPCSTR destination)
{
    CTransferHost host(*this);
    return CProgramTransfer(host).CopyProgram(source, destination);
}

BOOL CProjectWnd::RenameProgram(LPCSTR source, LPCSTR destination)
{
    CTransferHost host(*this);
    return CProgramTransfer(host).RenameProgram(source, destination);
}

LRESULT CProjectWnd::OnDeletePrograms(WPARAM wParam, LPARAM)
{
    const LPCSTR names = reinterpret_cast<LPCSTR>(wParam);
    return DeletePrograms(names ? names : "*");
}

LRESULT CProjectWnd::OnExportProgram(WPARAM, LPARAM lParam)
{
    const LPCSTR name = reinterpret_cast<LPCSTR>(lParam);
    if (!name || !*name || !m_pConnection->HasProgram(name) || m_projectFile.GetFilePath().IsEmpty())
        return 0;
    CTransferHost host(*this);
    const int type = ProgramType(*this, name);
    CProgramTransfer transfer(host);
    if (type == PROGRAM_TYPE_IEC_PROJECT)
        return transfer.SaveIECProgram(name);
    return transfer.ExportProgramFile(name, transfer.ProgramFilePath(name, type), TRUE);
}

// The project window as the program transfers see it, for their tests and
// benchmark: the test hub (its window is the connection's project window,
// its command runner the connection's synchronous transaction) with the
// transfer host's calls recorded as events and answered as set.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "project/programtransfer.h"
#include "project/tests/test_hub.h"

class TransferHost : public TestHub, public ITransferHost {
public:
    // How the host answers.
    BOOL permit = TRUE;
    BOOL fastLoad = FALSE;
    BOOL fastLoadResult = TRUE;

    // "permit A,B", "close A" ("close *" every editor), "changed", "store",
    // "fast A <path>" in order.
    std::vector<std::string> TransferEvents() const
    {
        std::lock_guard<std::mutex> guard(m_transferLock);
        return m_transferEvents;
    }

    CControllerConnection* GetConnection() override { return TestHub::GetConnection(); }
    CProjectFile* GetProjectFile() override { return TestHub::GetProjectFile(); }
    HWND GetControlPanelWindow() override { return TestHub::GetControlPanelWindow(); }
    // Called after each command the runner sent, before the runner returns
    // (a reply to another command may arrive then).
    std::function<void(int id)> afterCommand;
    BOOL RunCommand(int commandId, int integer = 0, LPCSTR text = nullptr) override
    {
        const BOOL done = TestHub::RunCommand(commandId, integer, text);
        if (afterCommand)
            afterCommand(commandId);
        return done;
    }
    void SetReplySink(std::function<void(const ControllerMessage&)> sink) override
    {
        std::lock_guard<std::mutex> guard(m_transferLock);
        m_sink = std::move(sink);
    }
    std::unique_ptr<IHubProgress> StartProgress(LPCSTR caption) override { return TestHub::StartProgress(caption); }
    void RaiseBusy() override { TestHub::RaiseBusy(); }
    void LowerBusy() override { TestHub::LowerBusy(); }
    BOOL PermitProgramOperation(const std::vector<std::string>& programs) override
    {
        std::string names;
        for (const std::string& program : programs)
            names += (names.empty() ? "" : ",") + program;
        Record("permit " + names);
        return permit;
    }
    void CloseEditors(LPCSTR program) override { Record(std::string("close ") + (program ? program : "*")); }
    void ProgramsChanged() override { Record("changed"); }
    void StoreProgramsIfNeeded() override { Record("store"); }
    void SaveEditors(LPCSTR program) override { Record(std::string("save ") + program); }
    BOOL iecExportResult = TRUE;
    BOOL ExportIECProgram(LPCSTR program) override
    {
        Record(std::string("iec ") + program);
        return iecExportResult;
    }
    BOOL FastLoadProgram(LPCSTR name, LPCSTR path, int) override
    {
        Record(std::string("fast ") + name + " " + path);
        return fastLoadResult;
    }
    BOOL UseFastProgramLoad() override { return fastLoad; }

    // The programs the connection's status lines named, as "process:name".
    std::vector<std::string> ProgramStatuses() const
    {
        std::lock_guard<std::mutex> guard(m_transferLock);
        return m_programStatuses;
    }
    void SetProgramStatusByName(int process, LPCSTR program) override
    {
        std::lock_guard<std::mutex> guard(m_transferLock);
        m_programStatuses.push_back(std::to_string(process) + ":" + (program ? program : ""));
    }

    void OnControllerReply(ControllerMessage* message) override
    {
        TestHub::OnControllerReply(message);
        std::function<void(const ControllerMessage&)> sink;
        {
            std::lock_guard<std::mutex> guard(m_transferLock);
            sink = m_sink;
        }
        if (message && sink)
            sink(*message);
    }

private:
    void Record(const std::string& event)
    {
        std::lock_guard<std::mutex> guard(m_transferLock);
        m_transferEvents.push_back(event);
    }

    mutable std::mutex m_transferLock;
    std::function<void(const ControllerMessage&)> m_sink;
    std::vector<std::string> m_transferEvents;
    std::vector<std::string> m_programStatuses;
};

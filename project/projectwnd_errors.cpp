// Controller error reports: the three report forms the controller answers
// a failing command with (project/controllerreport.h reads them), the line
// marked in the program's editor and the control panel, and the entry of
// the error list.
#include <cstring>

#include "foundation/logline.h"
#include "project/controllerreport.h"
#include "project/projectwnd.h"

void CProjectWnd::OnCompileMessage(LPCSTR text, int commandId)
{
    const std::string line = text ? text : "";
    const std::string command = commandId >= 0 ? m_pConnection->GetActiveCommandText().str() : std::string();
    ControllerReport report = ParseControllerReport(command, line);
    // BREAK_LIST's answers are no errors.
    if (commandId == 151)
        return;
    if (commandId >= 0)
        ++m_nCommandReports;
    // SELECT (and SELECT with a type) compiles the program edited before
    // it: a compile report there is that program's, not the selection's.
    const bool onSelect = commandId == 19 || commandId == 20;
    if (onSelect && report.kind != ControllerReport::General && report.kind != ControllerReport::Compile)
        return;
    if (report.kind != ControllerReport::None) {
        if (report.program.empty())
            report.program = m_pConnection->GetSelectedProgram().str();
        if (onSelect && report.kind == ControllerReport::Compile) {
            std::lock_guard<std::mutex> lock(m_replySinkLock);
            m_selectCompileProgram = report.program.empty() ? std::string("?") : report.program;
        }
        if (report.line >= 0 && !report.program.empty() && report.kind != ControllerReport::General) {
            // Posted: this is the link's receive thread.
            for (const CToolRecord& record : GetToolRecords()) {
                if (record.toolId == static_cast<int>(TOOL_EDITOR) &&
                    _stricmp(record.name, report.program.c_str()) == 0) {
                    ::PostMessageA(record.hWnd, PWM_MARK_LINE, 0, report.line);
                    break;
                }
            }
            PostToControlPanel(PWM_MARK_LINE, 0, report.line);
        }
        if (report.kind == ControllerReport::General && m_bSuppressReport.exchange(FALSE))
            return;
    }
    const std::string entry = FormatControllerReport(command, line, report);
    if (entry.empty())
        return;
    AddErrorText(entry.c_str());
    GlobalLogLine(entry.c_str(), LOG_STATUS_ERRORS);
}

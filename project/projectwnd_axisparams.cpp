// The project window's export of axis parameters for the STARTUP program:
// each chosen axis's AXISVALUES lines are matched against a fixed table of
// parameter patterns and rewritten as BASIC assignments.
#include "project/projectwnd.h"

#include <cmath>

#include "foundation/helpers.h"
#include "framework/prompt.h"

namespace {

const int kAxisValuesCommand = 30; // "AXISVALUES(%i,%i)"

enum ParameterKind { KIND_INTEGER = 0, KIND_REAL = 1 };

struct AxisParameter {
    const char* reply;  // pattern of the controller's line
    const char* format; // the BASIC line
    int kind;
};

const AxisParameter kAxisParameters[] = {
    {"AXISi=%li", "BASE(%i)", KIND_INTEGER},      {"P_GAINf=%f", "P_GAIN=%.4f", KIND_REAL},
    {"I_GAINf=%f", "I_GAIN=%.4f", KIND_REAL},     {"D_GAINf=%f", "D_GAIN=%.4f", KIND_REAL},
    {"OV_GAINf=%f", "OV_GAIN=%.4f", KIND_REAL},   {"VFF_GAINf=%f", "VFF_GAIN=%.4f", KIND_REAL},
    {"UNITSu=%f", "UNITS=%.4f", KIND_REAL},       {"SPEEDf=%f", "SPEED=%.4f", KIND_REAL},
    {"ACCELf=%f", "ACCEL=%.4f", KIND_REAL},       {"DECELf=%f", "DECEL=%.4f", KIND_REAL},
    {"CREEPf=%f", "CREEP=%.4f", KIND_REAL},       {"JOGSPEEDf=%f", "JOGSPEED=%.4f", KIND_REAL},
    {"FELIMITf=%f", "FE_LIMIT=%.4f", KIND_REAL},  {"DACi=%li", "DAC=%i", KIND_INTEGER},
    {"SERVOi=%li", "SERVO=%i", KIND_INTEGER},     {"REPDISTf=%f", "REP_DIST=%.4f", KIND_REAL},
    {"FWD_INi=%li", "FWD_IN=%i", KIND_INTEGER},   {"REV_INi=%li", "REV_IN=%i", KIND_INTEGER},
    {"DAT_INi=%li", "DATUM_IN=%i", KIND_INTEGER}, {"FH_INi=%li", "FHOLD_IN=%i", KIND_INTEGER},
    {"FSLIMITf=%f", "FS_LIMIT=%.4f", KIND_REAL},  {"RSLIMITf=%f", "RS_LIMIT=%.4f", KIND_REAL},
};

// One reply line as a STARTUP line; error is set for a line that matches
// no pattern.
CString FormatAxisParameter(const char* line, bool& error)
{
    CString text;
    for (const AxisParameter& row : kAxisParameters) {
        if (row.kind == KIND_INTEGER) {
            int value = 0;
            if (!ScanFormatted(line, row.reply, &value))
                continue;
            text.Format(row.format, value);
        } else {
            double value = 0.0;
            if (!ScanFormatted(line, row.reply, &value))
                continue;
            // A whole number keeps one decimal, any other four.
            CString format(row.format);
            format.SetAt(format.GetLength() - 2, value == std::floor(value) ? '1' : '4');
            text.Format(format, value);
        }
        return " " + text;
    }
    error = true;
    text.Format("' Import error for: %s", line);
    return text;
}

} // namespace

BOOL CProjectWnd::ExportAxisParameters(CStringList& output, const std::vector<int>& axes)
{
    CBusy busy(*this);
    output.AddTail("' Axis Parameters");
    std::unique_ptr<IHubProgress> gauge = StartGaugeProgress(m_hWnd, "Reading axis parameters");
    m_nCancel = 0;
    auto cancelled = [&] { return m_nCancel.load() != 0 || (gauge && gauge->IsCancelled()); };
    bool error = false;
    const int count = static_cast<int>(axes.size());
    int k = 0;
    for (int axis : axes) {
        if (cancelled())
            break;
        ++k;
        if (gauge)
            gauge->SetPercent(100 * k / count);
        {
            std::lock_guard<std::mutex> lock(m_valuesLock);
            m_values.axisValueLines.clear();
        }
        CString argument;
        argument.Format("%d,0", axis);
        // A failed read leaves no lines: the axis gives its empty line only.
        RunControllerCommands({Command(kAxisValuesCommand, argument.GetString())});
        for (const std::string& line : GetReplyValues().axisValueLines) {
            if (line.empty() || cancelled())
                break;
            output.AddTail(FormatAxisParameter(line.c_str(), error));
        }
        output.AddTail("");
    }
    if (gauge)
        gauge->Close();
    if (error)
        AfxGetPromptService().PromptDetached("Error getting parameters, see STARTUP program", "STARTUP");
    return cancelled() ? FALSE : TRUE;
}

#include "testsupport/scripted_print_dialogs.h"

#include <cstring>

ScriptedPrintDialogs::ScriptedPrintDialogs()
{
    AfxSetPrintDialogService(this);
}

ScriptedPrintDialogs::~ScriptedPrintDialogs()
{
    AfxSetPrintDialogService(nullptr);
}

void ScriptedPrintDialogs::Choose(const std::string& printer)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_answers.emplace_back(printer);
}

void ScriptedPrintDialogs::Cancel()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_answers.emplace_back(std::nullopt);
}

std::vector<ScriptedPrintDialogs::Record> ScriptedPrintDialogs::Records() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_records;
}

std::string ScriptedPrintDialogs::PrinterOf(HGLOBAL hDevMode)
{
    if (!hDevMode)
        return {};
    const auto* pDevMode = static_cast<const DEVMODEA*>(GlobalLock(hDevMode));
    if (!pDevMode)
        return {};
    std::string name(reinterpret_cast<const char*>(pDevMode->dmDeviceName),
                     strnlen(reinterpret_cast<const char*>(pDevMode->dmDeviceName), CCHDEVICENAME));
    GlobalUnlock(hDevMode);
    return name;
}

INT_PTR ScriptedPrintDialogs::Run(PRINTDLGA& pd)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_records.push_back({pd.hwndOwner, pd.Flags, PrinterOf(pd.hDevMode), pd.hDevNames != nullptr});
    if (m_answers.empty() || !m_answers.front()) {
        if (!m_answers.empty())
            m_answers.pop_front();
        return IDCANCEL;
    }
    const std::string printer = *m_answers.front();
    m_answers.pop_front();
    if (pd.hDevMode)
        GlobalFree(pd.hDevMode);
    if (pd.hDevNames)
        GlobalFree(pd.hDevNames);
    pd.hDevMode = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DEVMODEA));
    if (auto* pDevMode = static_cast<DEVMODEA*>(GlobalLock(pd.hDevMode))) {
        pDevMode->dmSize = sizeof(DEVMODEA);
        lstrcpynA(reinterpret_cast<char*>(pDevMode->dmDeviceName), printer.c_str(), CCHDEVICENAME);
        GlobalUnlock(pd.hDevMode);
    }
    // DEVNAMES: the offsets of driver, device and port, then the strings.
    const std::string strings = std::string("winspool") + '\0' + printer + '\0' + "LPT1:" + '\0';
    pd.hDevNames = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DEVNAMES) + strings.size());
    if (auto* pNames = static_cast<DEVNAMES*>(GlobalLock(pd.hDevNames))) {
        pNames->wDriverOffset = sizeof(DEVNAMES);
        pNames->wDeviceOffset = static_cast<WORD>(sizeof(DEVNAMES) + 9);
        pNames->wOutputOffset = static_cast<WORD>(sizeof(DEVNAMES) + 9 + printer.size() + 1);
        std::memcpy(reinterpret_cast<char*>(pNames) + sizeof(DEVNAMES), strings.data(), strings.size());
        GlobalUnlock(pd.hDevNames);
    }
    return IDOK;
}

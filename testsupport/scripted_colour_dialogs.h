// A colour chooser service for tests: answers with the queued colours
// (first in, first out), cancels when none is queued, and records the
// colour and flags each chooser started with. Installed for the lifetime
// of the object; safe from any thread.
#pragma once

#include <windows.h>

#include <deque>
#include <mutex>
#include <vector>

#include "framework/colordialog.h"

class ScriptedColourDialogs : public IColorDialogService {
public:
    struct Record {
        COLORREF initial;
        DWORD flags;
    };

    ScriptedColourDialogs() { AfxSetColorDialogService(this); }
    ~ScriptedColourDialogs() override { AfxSetColorDialogService(nullptr); }
    ScriptedColourDialogs(const ScriptedColourDialogs&) = delete;
    ScriptedColourDialogs& operator=(const ScriptedColourDialogs&) = delete;

    void Choose(COLORREF colour)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_answers.push_back(colour);
    }
    std::vector<Record> Records() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_records;
    }

    INT_PTR Run(CHOOSECOLORA& cc) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_records.push_back({cc.rgbResult, cc.Flags});
        if (m_answers.empty())
            return IDCANCEL;
        cc.rgbResult = m_answers.front();
        m_answers.pop_front();
        return IDOK;
    }

private:
    mutable std::mutex m_lock;
    std::deque<COLORREF> m_answers;
    std::vector<Record> m_records;
};

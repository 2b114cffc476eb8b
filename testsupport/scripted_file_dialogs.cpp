#include "testsupport/scripted_file_dialogs.h"

ScriptedFileDialogs::ScriptedFileDialogs()
{
    AfxSetFileDialogService(this);
}

ScriptedFileDialogs::~ScriptedFileDialogs()
{
    AfxSetFileDialogService(nullptr);
}

void ScriptedFileDialogs::Choose(const std::string& path)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_answers.emplace_back(path);
}

void ScriptedFileDialogs::Cancel()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_answers.emplace_back(std::nullopt);
}

std::vector<ScriptedFileDialogs::Record> ScriptedFileDialogs::Records() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_records;
}

INT_PTR ScriptedFileDialogs::Run(const CFileDialogRequest& request, CString& rPathName)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_records.push_back({request.bOpenFileDialog != FALSE, std::string(request.strDefExt),
                         std::string(request.strFileName), std::string(request.strFilter), request.dwFlags});
    if (m_answers.empty() || !m_answers.front()) {
        if (!m_answers.empty())
            m_answers.pop_front();
        return IDCANCEL;
    }
    rPathName = m_answers.front()->c_str();
    m_answers.pop_front();
    return IDOK;
}

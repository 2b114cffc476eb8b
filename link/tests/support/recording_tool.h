// RecordingTool: a tool window's reply part for tests; it keeps every
// reply that reaches it (on the link's receive thread).
#pragma once

#include <mutex>
#include <vector>

#include "link/controllermessage.h"
#include "link/vexoreply.h"

class RecordingTool : public CVexoReply {
public:
    void OnReply(ControllerMessage* message) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_replies.push_back(*message);
    }
    std::vector<ControllerMessage> Replies()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_replies;
    }

private:
    std::mutex m_lock;
    std::vector<ControllerMessage> m_replies;
};

// CVexoReply: the part of a tool window through which the controller
// connection hands it the replies to its requests. OnReply is called on the
// link's receive thread; the reply text crosses threads only through
// SetReply and GetReply, under the mix-in's critical section. A tool that
// starts to close calls SetClosing (replies are ignored from then on) and
// unregisters before it is deleted.
#pragma once

#include <atomic>

#include "framework/cstring.h"
#include "framework/sync.h"

class ControllerMessage;

class CVexoReply {
public:
    CVexoReply() = default;
    virtual ~CVexoReply() = default;
    CVexoReply(const CVexoReply&) = delete;
    CVexoReply& operator=(const CVexoReply&) = delete;

    virtual void SetReply(const CString& text)
    {
        CSingleLock lock(&m_replyLock, TRUE);
        m_strReply = text;
    }
    // Each tool window's own handler; called on the link's receive thread.
    virtual void OnReply(ControllerMessage* message) = 0;
    virtual void SetClosing() { m_bClosing = true; }
    virtual CString GetReply()
    {
        CSingleLock lock(&m_replyLock, TRUE);
        return m_strReply;
    }
    bool IsClosing() const { return m_bClosing.load(); }

private:
    std::atomic<bool> m_bClosing{false};
    CString m_strReply;
    CCriticalSection m_replyLock;
};

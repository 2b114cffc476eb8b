// The document's line commands to the controller: each goes as a sequence
// of its own through a message sender labelled "EditDoc", on behalf of the
// frame window (registered with the project window), with the frame's reply
// part as the receiver of the echo.
#pragma once
#include <windows.h>

#include "editor/editdoc.h"
#include "link/messagesender.h"

class CVexoReply;

namespace editor {

class CLineCommandSender : public ILineCommandSink {
public:
    CLineCommandSender(HWND window, CVexoReply* reply) : m_hWnd(window), m_pReply(reply) { m_sender.SetText("EditDoc"); }
    void SendLineCommand(int commandId, const std::string& argument) override;

private:
    HWND m_hWnd;
    CVexoReply* m_pReply;
    CMessageSender m_sender;
};

} // namespace editor

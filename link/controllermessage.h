// ControllerMessage: one request to the controller, or one reply or run of
// received bytes coming back from it.
//
// A tool window builds a record naming a row of the controller command
// table (link/commandtable.h) with its argument; the project window and the
// controller connection carry it to the link; the reply travels back to the
// requester in a record of the same type.
//
// The record always owns its argument bytes: setting an argument copies the
// bytes into a buffer of the record's own, with a NUL after the last byte,
// and copying a record copies that buffer. Copying or destroying a record
// therefore never touches the requester's memory. Integer and real values
// travel in fields of their own beside the bytes.
//
// This header includes no Win32 header.
#pragma once

#include <cstdint>

#include "framework/types.h"

// The window handle type as <windows.h> declares it under STRICT.
struct HWND__;
typedef HWND__* HWND;

class CVexoReply;

// Controller channels a record travels on.
const int CHANNEL_NOT_SET = -101; // not yet chosen
const int CHANNEL_DIRECT = -99;   // the command line, no channel selection
const int CHANNEL_COMMAND = 8;    // the command channel of channel mode
const int CHANNEL_STATUS = 9;     // controller status lines in channel mode

// Command ids with a meaning of their own.
const int COMMAND_ID_NONE = -1;
const int COMMAND_ID_RAW = 8;      // raw bytes written as they stand
const int COMMAND_ID_RECEIVED = 9; // bytes received from the controller

class ControllerMessage {
public:
    ControllerMessage();
    ControllerMessage(const ControllerMessage& other);
    ControllerMessage(ControllerMessage&& other) noexcept;
    ControllerMessage& operator=(const ControllerMessage& other);
    ControllerMessage& operator=(ControllerMessage&& other) noexcept;
    virtual ~ControllerMessage();

    // Argument or reply block.
    // Copies length bytes and adds a NUL; null bytes or a length below 1
    // leave an empty argument. Integer and real values are cleared.
    void SetArgument(const void* bytes, int length);
    // Copies a NUL-terminated text (null: empty argument).
    void SetArgumentText(LPCSTR text);
    // An integer argument (argument kind 2) or integer reply; no bytes.
    void SetInteger(std::int32_t value);
    // A real reply value; no bytes.
    void SetReal(double value);
    // No bytes, integer and real value 0.
    void ClearArgument();

    // The argument bytes, NUL-terminated; an empty text when there are none.
    LPCSTR GetText() const { return m_pArgument ? m_pArgument : ""; }
    const BYTE* GetBytes() const { return reinterpret_cast<const BYTE*>(GetText()); }
    // Bytes held (0 for integer, real and empty arguments).
    int GetLength() const { return m_nArgumentLength; }
    bool HasBytes() const { return m_nArgumentLength > 0; }
    std::int32_t GetInteger() const { return m_nValue; }
    double GetReal() const { return m_dValue; }

    // The program name, cut to 15 characters (null: empty).
    void SetProgramName(LPCSTR name);
    LPCSTR GetProgramName() const { return m_szProgramName; }

    static const int kProgramNameSize = 16;

    HWND m_hReplyWnd = nullptr; // the requester's window; null = none
    int m_nCommandId = COMMAND_ID_NONE;
    char m_szProgramName[kProgramNameSize] = {};
    int m_nSequence = 0;    // given when the connection starts the request
    int m_nLineEndedCR = 0; // the received line ended with a carriage return
    int m_nIncomplete = 0;  // the reply is incomplete or failed
    int m_nReplyState = 0;  // kept for the reply path
    int m_nChannel = CHANNEL_NOT_SET;
    CVexoReply* m_pReplyReceiver = nullptr; // not owned

private:
    void CopyFrom(const ControllerMessage& other);
    void MoveFrom(ControllerMessage& other);
    // Everything but the argument block.
    void CopyFields(const ControllerMessage& other);

    char* m_pArgument = nullptr; // owned, m_nArgumentLength bytes and a NUL
    int m_nArgumentLength = 0;
    std::int32_t m_nValue = 0;
    double m_dValue = 0.0;
};

// The same record as an element of reply lists.
class CVexoExtendedMessageData : public ControllerMessage {
public:
    using ControllerMessage::ControllerMessage;
    CVexoExtendedMessageData() = default;
    CVexoExtendedMessageData(const ControllerMessage& other) : ControllerMessage(other) {}
};

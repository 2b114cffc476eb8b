#include "link/controllermessage.h"

#include <cstring>
#include <utility>

#include "foundation/textutil.h"

ControllerMessage::ControllerMessage() = default;

ControllerMessage::ControllerMessage(const ControllerMessage& other)
{
    CopyFrom(other);
}

ControllerMessage::ControllerMessage(ControllerMessage&& other) noexcept
{
    MoveFrom(other);
}

ControllerMessage& ControllerMessage::operator=(const ControllerMessage& other)
{
    if (this != &other) {
        ClearArgument();
        CopyFrom(other);
    }
    return *this;
}

ControllerMessage& ControllerMessage::operator=(ControllerMessage&& other) noexcept
{
    if (this != &other) {
        ClearArgument();
        MoveFrom(other);
    }
    return *this;
}

ControllerMessage::~ControllerMessage()
{
    delete[] m_pArgument;
}

void ControllerMessage::CopyFrom(const ControllerMessage& other)
{
    CopyFields(other);
    SetArgument(other.m_pArgument, other.m_nArgumentLength);
    m_nValue = other.m_nValue;
    m_dValue = other.m_dValue;
}

void ControllerMessage::MoveFrom(ControllerMessage& other)
{
    CopyFields(other);
    m_pArgument = std::exchange(other.m_pArgument, nullptr);
    m_nArgumentLength = std::exchange(other.m_nArgumentLength, 0);
    m_nValue = other.m_nValue;
    m_dValue = other.m_dValue;
}

void ControllerMessage::CopyFields(const ControllerMessage& other)
{
    m_hReplyWnd = other.m_hReplyWnd;
    m_nCommandId = other.m_nCommandId;
    std::memcpy(m_szProgramName, other.m_szProgramName, sizeof m_szProgramName);
    m_szProgramName[kProgramNameSize - 1] = '\0';
    m_nSequence = other.m_nSequence;
    m_nLineEndedCR = other.m_nLineEndedCR;
    m_nIncomplete = other.m_nIncomplete;
    m_nReplyState = other.m_nReplyState;
    m_nChannel = other.m_nChannel;
    m_pReplyReceiver = other.m_pReplyReceiver;
}

void ControllerMessage::SetArgument(const void* bytes, int length)
{
    char* copy = nullptr;
    if (bytes && length > 0) {
        copy = new char[static_cast<std::size_t>(length) + 1];
        std::memcpy(copy, bytes, static_cast<std::size_t>(length));
        copy[length] = '\0';
    }
    delete[] m_pArgument; // after the copy: bytes may point into it
    m_pArgument = copy;
    m_nArgumentLength = copy ? length : 0;
    m_nValue = 0;
    m_dValue = 0.0;
}

void ControllerMessage::SetArgumentText(LPCSTR text)
{
    SetArgument(text, text ? static_cast<int>(std::strlen(text)) : 0);
}

void ControllerMessage::SetInteger(std::int32_t value)
{
    ClearArgument();
    m_nValue = value;
}

void ControllerMessage::SetReal(double value)
{
    ClearArgument();
    m_dValue = value;
}

void ControllerMessage::ClearArgument()
{
    delete[] m_pArgument;
    m_pArgument = nullptr;
    m_nArgumentLength = 0;
    m_nValue = 0;
    m_dValue = 0.0;
}

void ControllerMessage::SetProgramName(LPCSTR name)
{
    std::memset(m_szProgramName, 0, sizeof m_szProgramName);
    if (name)
        CopyTextBounded(m_szProgramName, kProgramNameSize, name, kProgramNameSize - 1);
}

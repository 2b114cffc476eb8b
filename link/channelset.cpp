#include "link/channelset.h"

#include <cstring>

#include "foundation/textutil.h"

void CChannelSet::Clear()
{
    for (std::int32_t& channel : m_nChannels)
        channel = CHANNEL_NOT_SET;
}

bool CChannelSet::Contains(int channel) const
{
    if (channel == CHANNEL_NOT_SET)
        return false;
    for (std::int32_t slot : m_nChannels) {
        if (slot == channel)
            return true;
    }
    return false;
}

CWindowData& CWindowData::operator=(const CWindowData& other)
{
    if (this == &other)
        return *this;
    m_hWnd = other.m_hWnd;
    m_nToolId = other.m_nToolId;
    m_nKind = other.m_nKind;
    m_nFlag = other.m_nFlag;
    m_channels = other.m_channels;
    char name[kNameSize + 1] = {};
    std::memcpy(name, other.m_szName, kNameSize);
    SetName(name);
    m_nValue1 = other.m_nValue1;
    m_nValue2 = other.m_nValue2;
    m_nValue3 = other.m_nValue3;
    m_nValue4 = other.m_nValue4;
    return *this;
}

void CWindowData::SetName(LPCSTR name)
{
    std::memset(m_szName, 0, sizeof m_szName);
    if (name)
        CopyTextBounded(m_szName, kNameSize, name, kNameSize - 1);
}

SWindowParameters::SWindowParameters() : m_nHead{}, m_nTail{} {}

#include "link/syncpacket.h"

#include "foundation/crc.h"

void CSyncPacket::CheckCharacters(const char* bytes, int count, char out[3])
{
    CCrcCalculator crc;
    crc.SelectModel("CRC-16");
    crc.Reset();
    if (count > 0)
        crc.Update(bytes, static_cast<std::size_t>(count));
    const std::uint32_t value = crc.GetValue();
    out[0] = static_cast<char>(((value >> 10) & 63) | 64);
    out[1] = static_cast<char>(((value >> 4) & 63) | 64);
    out[2] = static_cast<char>((value & 15) | 64);
}

CString CSyncPacket::Build(LPCSTR payload)
{
    CString body(payload ? payload : "");
    body += ETX;
    char check[3];
    CheckCharacters(body.GetString(), body.GetLength(), check);
    m_text = CString(STX) + body;
    m_text.Append(check, 3);
    return m_text;
}

bool CSyncPacket::IsFramed() const
{
    const int length = m_text.GetLength();
    return length >= 5 && m_text[0] == STX && m_text[length - 4] == ETX;
}

bool CSyncPacket::Check() const
{
    if (!IsFramed())
        return false;
    const int length = m_text.GetLength();
    char check[3];
    CheckCharacters(m_text.GetString() + 1, length - 4, check);
    return check[0] == m_text[length - 3] && check[1] == m_text[length - 2] && check[2] == m_text[length - 1];
}

CString CSyncPacket::GetPayload() const
{
    const int length = m_text.GetLength();
    return length >= 5 ? m_text.Mid(1, length - 5) : CString();
}

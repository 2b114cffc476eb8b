#include "foundation/ip4address.h"

BOOL CIP4Address::SetAddressText(LPCSTR text)
{
    m_address = 0;
    if (!text)
        return FALSE;
    DWORD address = 0;
    const char* p = text;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (*p != '.')
                return FALSE;
            ++p;
        }
        unsigned value = 0;
        int digits = 0;
        for (; *p >= '0' && *p <= '9'; ++p) {
            if (++digits > 3)
                return FALSE;
            value = value * 10 + static_cast<unsigned>(*p - '0');
        }
        if (digits == 0 || value > 255)
            return FALSE;
        address = (address << 8) | value;
    }
    if (*p != '\0')
        return FALSE;
    m_address = address;
    return TRUE;
}

CString CIP4Address::GetAddressText() const
{
    CString text;
    text.Format("%lu.%lu.%lu.%lu", static_cast<unsigned long>((m_address >> 24) & 0xFF),
                static_cast<unsigned long>((m_address >> 16) & 0xFF),
                static_cast<unsigned long>((m_address >> 8) & 0xFF), static_cast<unsigned long>(m_address & 0xFF));
    return text;
}

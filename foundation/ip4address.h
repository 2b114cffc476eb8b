// CIP4Address: an IPv4 address parsed from dotted text. a.b.c.d is held as
// a * 2^24 + b * 2^16 + c * 2^8 + d.
#pragma once

#include "framework/cstring.h"

class CIP4Address {
public:
    // 127.0.0.1.
    CIP4Address() = default;
    explicit CIP4Address(DWORD address) : m_address(address) {}
    CIP4Address(const CIP4Address&) = default;
    CIP4Address& operator=(const CIP4Address&) = default;
    virtual ~CIP4Address() = default;

    // Exactly four decimal numbers of one to three digits (leading zeros
    // allowed), each at most 255, joined by three dots, with nothing else
    // anywhere. Stores the address and returns TRUE; stores 0 and returns
    // FALSE for any other text.
    BOOL SetAddressText(LPCSTR text);
    // "a.b.c.d" without leading zeros.
    CString GetAddressText() const;

    DWORD GetAddress() const { return m_address; }
    void SetAddress(DWORD address) { m_address = address; }

private:
    DWORD m_address = 0x7F000001;
};

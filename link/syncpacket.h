// CSyncPacket: the CRC packet that wraps one command line in the packet
// form of channel mode. On the wire: STX, the payload, ETX and three check
// characters made from the "CRC-16" value of the payload and the ETX:
// ((crc >> 10) & 63) | 64, ((crc >> 4) & 63) | 64, (crc & 15) | 64, so
// every check character is printable (64 to 127).
//
// This header includes no Win32 header.
#pragma once

#include "framework/cstring.h"

const char STX = 0x02;
const char ETX = 0x03;
const char ACK = 0x06;
const char NAK = 0x15;
const char DC2 = 0x12;
const char DC4 = 0x14;

class CSyncPacket {
public:
    CSyncPacket() = default;
    virtual ~CSyncPacket() = default;

    // Frames payload, keeps the packet and returns it.
    CString Build(LPCSTR payload);
    // Keeps a received text.
    void SetText(const CString& text) { m_text = text; }
    const CString& GetText() const { return m_text; }

    // At least 5 bytes, STX first and ETX fourth from the end.
    bool IsFramed() const;
    // Framed, and the check characters fit the payload and ETX.
    bool Check() const;
    // The text without its STX and its ETX and check characters.
    CString GetPayload() const;

    // The three check characters of bytes (the payload and the ETX).
    static void CheckCharacters(const char* bytes, int count, char out[3]);

private:
    CString m_text;
};

// The packet framing and check: any received text is judged without
// reading outside it; any payload framed by Build checks and gives the
// payload back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "link/syncpacket.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    CSyncPacket received;
    received.SetText(CString(std::string_view(bytes)));
    if (received.Check() && !received.IsFramed())
        __builtin_trap();
    received.GetPayload();

    const std::string payload = bytes.substr(0, bytes.find('\0'));
    CSyncPacket sent;
    const CString packet = sent.Build(payload.c_str());
    CSyncPacket back;
    back.SetText(packet);
    if (!back.IsFramed() || !back.Check() || back.GetPayload() != CString(payload.c_str()))
        __builtin_trap();
    return 0;
}

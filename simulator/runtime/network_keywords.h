// The network keywords ETHERNET, ETHERNET_IP and FINS_COMMS. The simulator
// has no network: the handlers take their arguments, FINS_COMMS checks them,
// and nothing is sent or printed.
#pragma once

#include <cstdint>

namespace qcrt {

void KeywordEthernet(const uint8_t* text, int& position, int limit, int process);
void KeywordEthernetIp(const uint8_t* text, int& position, int limit, int process);
void KeywordFinsComms(const uint8_t* text, int& position, int limit, int process);

} // namespace qcrt

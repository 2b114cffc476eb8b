// The link's control codes as the tests write them into byte strings.
#pragma once

#include <string>

namespace testbytes {

inline const std::string E = "\x1b"; // ESC
constexpr char SOH = 1;
constexpr char STX = 2;
constexpr char ETX = 3;
constexpr char EOT = 4;
constexpr char ENQ = 5;
constexpr char ACK = 6;
constexpr char DC4 = 20;
constexpr char NAK = 21;
constexpr char FS = 28;

} // namespace testbytes

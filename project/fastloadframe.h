// The framing of the fast program and project load: control bytes, the
// three-character check number, header and check frames, and the way a
// program file is cut into blocks. Plain C++ over bytes.
//
// A program goes out as a header frame (SOH, name FS type, ETX, the check
// of the header text, STX), its text with every line feed removed, and a
// check frame (ETX and the check of that text). The check is the CRC
// engine's "CRC-16", written as three printable characters.
#pragma once

#include <cstdint>
#include <string>

namespace FastLoad {

const char SOH = 0x01;
const char STX = 0x02;
const char ETX = 0x03;
const char EOT = 0x04;
const char ENQ = 0x05;
const char ACK = 0x06;
const char NAK = 0x15;
const char FS = 0x1C;

// The most bytes a block of the program load holds.
const int kBlockSize = 1024;
// The most file bytes the project load writes in one piece.
const int kPieceSize = 32;
// The longest header text the project load sends.
const int kMaxHeaderText = 25;

// ((v >> 12) & 15) + 32, ((v >> 6) & 63) + 32, (v & 63) + 32.
std::string EncodeNumber(std::uint16_t value);
// The CRC-16 of the bytes.
std::uint16_t Crc16(const std::string& bytes);
// name FS type ("%s%c%d").
std::string HeaderText(const std::string& name, int type);
// SOH, the text, ETX, its check, STX.
std::string HeaderFrame(const std::string& headerText);
// ETX and the check.
std::string CheckFrame(std::uint16_t crc);
// The bytes without their line feeds.
std::string WithoutLineFeeds(const std::string& bytes);

// Cuts the bytes at hand of the program load into the block to send and
// the bytes to carry into the next pass. With last, the whole text (line
// feeds removed) is the block; otherwise the text before the last line
// feed, and what follows it is carried; without a line feed the whole
// text is the block and nothing is carried.
struct Block {
    std::string text;  // line feeds removed
    std::string carry; // file bytes behind the block's last line feed
};
Block CutBlock(const std::string& atHand, bool last);

// "RUNTYPE name,1[,value]" CR for an auto-run value; empty for 0.
std::string RunTypeLine(const std::string& name, int autoRun);

// The bytes that take the controller out of a broken load: ESC "0" ETX
// "VQE(0)" and four CRs.
std::string AbortSequence();

} // namespace FastLoad

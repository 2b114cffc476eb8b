#include "project/fastloadframe.h"

#include "foundation/crc.h"

namespace FastLoad {

std::string EncodeNumber(std::uint16_t value)
{
    std::string text(3, ' ');
    text[0] = static_cast<char>(((value >> 12) & 15) + 32);
    text[1] = static_cast<char>(((value >> 6) & 63) + 32);
    text[2] = static_cast<char>((value & 63) + 32);
    return text;
}

std::uint16_t Crc16(const std::string& bytes)
{
    CCrcCalculator crc;
    crc.SelectModel("CRC-16");
    crc.Reset();
    crc.Update(bytes.data(), bytes.size());
    return static_cast<std::uint16_t>(crc.GetValue());
}

std::string HeaderText(const std::string& name, int type)
{
    return name + FS + std::to_string(type);
}

std::string HeaderFrame(const std::string& headerText)
{
    return SOH + headerText + ETX + EncodeNumber(Crc16(headerText)) + STX;
}

std::string CheckFrame(std::uint16_t crc)
{
    return ETX + EncodeNumber(crc);
}

std::string WithoutLineFeeds(const std::string& bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        if (c != '\n')
            text += c;
    }
    return text;
}

Block CutBlock(const std::string& atHand, bool last)
{
    Block block;
    const std::size_t lastLineFeed = atHand.rfind('\n');
    if (last || lastLineFeed == std::string::npos) {
        block.text = WithoutLineFeeds(atHand);
        return block;
    }
    block.text = WithoutLineFeeds(atHand.substr(0, lastLineFeed));
    block.carry = atHand.substr(lastLineFeed + 1);
    return block;
}

std::string RunTypeLine(const std::string& name, int autoRun)
{
    if (autoRun == 0)
        return std::string();
    std::string line = "RUNTYPE " + name + ",1";
    if (autoRun > 0)
        line += "," + std::to_string(autoRun);
    return line + "\r";
}

std::string AbortSequence()
{
    return std::string("\x1b" "0\x03" "VQE(0)\r\r\r\r");
}

} // namespace FastLoad

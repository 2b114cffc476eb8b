#include "project/programcrc.h"

#include <cstdio>
#include <memory>

#include "foundation/crc.h"

std::uint32_t ProgramTextCrc(const std::string& text)
{
    CCrcCalculator crc;
    crc.SelectModel("CRC-16");
    crc.Reset();
    std::size_t start = 0;
    bool anyLine = false;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const std::size_t next = end == std::string::npos ? text.size() : end + 1;
        if (end == std::string::npos)
            end = text.size();
        std::size_t length = end - start;
        if (length > 0 && text[start + length - 1] == '\r')
            --length;
        crc.Update(text.data() + start, length);
        const unsigned char mark = 0xAA;
        crc.Update(&mark, 1);
        anyLine = true;
        start = next;
    }
    if (!anyLine)
        crc.UpdateString("");
    return crc.GetValue();
}

bool ProgramFileCrc(const char* path, std::uint32_t& crc)
{
    if (!path || !*path)
        return false;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rb"), &std::fclose);
    if (!file)
        return false;
    std::string text;
    char block[4096];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, file.get())) > 0)
        text.append(block, got);
    if (std::ferror(file.get()))
        return false;
    crc = ProgramTextCrc(text);
    return true;
}

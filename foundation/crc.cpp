#include "foundation/crc.h"

#include <cstring>

const CrcModel g_crcModels[] = {
    {"X25", 16, 0x1021, 0xFFFF, 0, 0},
    {"CRC-16", 16, 0x8005, 0x0000, 0, 0},
    {"ARC", 16, 0x8005, 0x0000, 1, 1},
    {"XMODEM", 16, 0x8408, 0x0000, 1, 1},
    {"CRC-32", 32, 0x04C11DB7, 0xFFFFFFFF, 1, 1},
    {"", 0, 0, 0, 0, 0},
};

namespace {

// The low bits of value in reverse order.
std::uint32_t Reflect(std::uint32_t value, std::uint32_t bits)
{
    std::uint32_t out = 0;
    for (std::uint32_t i = 0; i < bits; ++i) {
        out = (out << 1) | (value & 1);
        value >>= 1;
    }
    return out;
}

std::uint32_t WidthMask(std::uint32_t width)
{
    return width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1;
}

} // namespace

CCrcCalculator::CCrcCalculator() : m_model(&g_crcModels[0])
{
    BuildTable();
    Reset();
}

BOOL CCrcCalculator::SelectModel(LPCSTR name)
{
    if (!name)
        return FALSE;
    for (const CrcModel* model = g_crcModels; model->name[0]; ++model) {
        if (std::strncmp(model->name, name, sizeof model->name) == 0 && std::strlen(name) < sizeof model->name) {
            m_model = model;
            BuildTable();
            return TRUE;
        }
    }
    return FALSE;
}

void CCrcCalculator::BuildTable()
{
    const std::uint32_t width = m_model->width;
    const std::uint32_t top = 1u << (width - 1);
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t r = (m_model->reflectInput ? Reflect(i, 8) : i) << (width - 8);
        for (int bit = 0; bit < 8; ++bit)
            r = (r & top) ? (r << 1) ^ m_model->polynomial : r << 1;
        if (m_model->reflectInput)
            r = Reflect(r, width);
        m_table[i] = r & WidthMask(width);
    }
}

void CCrcCalculator::Reset()
{
    m_register = m_model->initialValue;
}

CCrcCalculator& CCrcCalculator::Update(const void* bytes, std::size_t count)
{
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    const std::uint32_t shift = m_model->width - 8;
    for (std::size_t i = 0; p && i < count; ++i) {
        const std::uint32_t b = p[i];
        if (m_model->reflectInput)
            m_register = ((b << shift) | (m_register >> 8)) ^ m_table[m_register & 0xFF];
        else
            m_register = (((m_register & 0xFFFFFF) << 8) | b) ^ m_table[(m_register >> shift) & 0xFF];
    }
    return *this;
}

CCrcCalculator& CCrcCalculator::UpdateString(LPCSTR text)
{
    if (text)
        Update(text, std::strlen(text));
    const unsigned char tail = 0xAA;
    return Update(&tail, 1);
}

std::uint32_t CCrcCalculator::GetValue() const
{
    const std::uint32_t width = m_model->width;
    const std::uint32_t shift = width - 8;
    std::uint32_t r = m_register;
    for (std::uint32_t i = 0; i < width / 8; ++i) {
        if (m_model->reflectInput)
            r = (r >> 8) ^ m_table[r & 0xFF];
        else
            r = (r << 8) ^ m_table[(r >> shift) & 0xFF];
    }
    return m_model->reflectOutput ? Reflect(r, width) & WidthMask(width) : r & WidthMask(width);
}

std::uint16_t ProgramLinesCrc(const std::vector<std::string>& lines)
{
    CCrcCalculator crc;
    crc.SelectModel("CRC-16");
    crc.Reset();
    if (lines.empty())
        crc.UpdateString("");
    for (const std::string& line : lines)
        crc.UpdateString(line.c_str());
    return static_cast<std::uint16_t>(crc.GetValue());
}

#include "simulator/app/memoryimage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

CMemoryImage::CMemoryImage(uint32_t size, int fill) : m_fill(static_cast<uint8_t>(fill < 0 ? 0 : fill)), m_fillValid(fill >= 0)
{
    if (size != 0)
        Resize(size);
}

CMemoryImage::~CMemoryImage()
{
    if (m_deleteOnExit && !m_fileName.empty())
        std::remove(m_fileName.c_str());
}

void CMemoryImage::Resize(uint32_t size)
{
    if (size == m_size)
        return;
    std::unique_ptr<uint8_t[]> data(new uint8_t[size]);
    const uint32_t kept = std::min(size, m_size);
    if (kept)
        std::memcpy(data.get(), m_data.get(), kept);
    if (size > kept)
        std::memset(data.get() + kept, m_fillValid ? m_fill : 0, size - kept);
    m_data = std::move(data);
    m_size = size;
}

bool CMemoryImage::Load()
{
    if (m_fileName.empty() || !m_data)
        return false;
    FILE* file = std::fopen(m_fileName.c_str(), "rb");
    if (!file)
        return false;
    const size_t read = std::fread(m_data.get(), 1, m_size, file);
    std::fclose(file);
    if (read < m_size)
        std::memset(m_data.get() + read, m_fillValid ? m_fill : 0, m_size - read);
    return true;
}

bool CMemoryImage::SaveAs(const std::string& name) const
{
    if (name.empty() || !m_data)
        return false;
    FILE* file = std::fopen(name.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(m_data.get(), 1, m_size, file) == m_size;
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

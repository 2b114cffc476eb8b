#include "simulator/app/memoryimage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "foundation/safefile.h"

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

void CMemoryImage::Blank()
{
    if (m_data)
        std::memset(m_data.get(), m_fillValid ? m_fill : 0, m_size);
}

CMemoryImage::LoadResult CMemoryImage::Load()
{
    if (m_fileName.empty() || !m_data)
        return LoadResult::Missing;
    std::string bytes;
    BOOL exists = FALSE;
    // Kept from writers while it is read: a file another program is still
    // writing is no image to start from.
    if (!ReadWholeFileBytes(m_fileName.c_str(), bytes, &exists, TRUE)) {
        Blank();
        return exists ? LoadResult::Unreadable : LoadResult::Missing;
    }
    if (bytes.size() != m_size) {
        Blank();
        return LoadResult::WrongSize;
    }
    std::memcpy(m_data.get(), bytes.data(), m_size);
    return LoadResult::Loaded;
}

bool CMemoryImage::SaveAs(const std::string& name) const
{
    if (name.empty() || !m_data)
        return false;
    return ReplaceFileContents(name.c_str(), m_data.get(), m_size) != FALSE;
}

bool CMemoryImage::KeepAsBackup() const
{
    if (m_fileName.empty())
        return false;
    const std::string backup = m_fileName + ".bak";
    return MoveFileExA(m_fileName.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
           FALSE;
}

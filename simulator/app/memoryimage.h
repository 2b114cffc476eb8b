// One block of memory mirrored in a file: the simulator's flash and
// battery-backed RAM. The file is read once when it is named and written
// at the end of the program.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class CMemoryImage {
public:
    // fill < 0: no fill byte (new bytes are 0).
    explicit CMemoryImage(uint32_t size, int fill = -1);
    virtual ~CMemoryImage();
    CMemoryImage(const CMemoryImage&) = delete;
    CMemoryImage& operator=(const CMemoryImage&) = delete;

    void Resize(uint32_t size);
    // Reads the named file into the image. A file longer than the image
    // fills it; a shorter one fills its length, and the rest of the image
    // reads as the fill byte (as erased flash does), or 0 without one.
    // False when the file could not be read; the data then stays as it was.
    bool Load();
    bool SaveAs(const std::string& name) const;
    bool Save() const { return SaveAs(m_fileName); }

    uint32_t GetSize() const { return m_size; }
    uint8_t* GetData() const { return m_data.get(); }
    const std::string& GetFileName() const { return m_fileName; }
    void SetFileName(const std::string& name) { m_fileName = name; }
    void SetDeleteOnExit(bool on) { m_deleteOnExit = on; }
    bool GetDeleteOnExit() const { return m_deleteOnExit; }

private:
    uint32_t m_size = 0;
    std::string m_fileName;
    std::unique_ptr<uint8_t[]> m_data;
    uint8_t m_fill = 0;
    bool m_fillValid = false;
    bool m_deleteOnExit = false;
};

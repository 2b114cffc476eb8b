// One block of memory mirrored in a file: the simulator's flash and
// battery-backed RAM. The file is read once when it is named and written
// at the end of the program, through a temporary file that replaces it in
// one step, so a failed or interrupted save leaves the last good image.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class CMemoryImage {
public:
    // What reading the image's file found.
    enum class LoadResult {
        Loaded,     // the file filled the image
        Missing,    // no file yet: the image stays blank
        Unreadable, // the file exists but could not be read (held open, no access)
        WrongSize,  // the file is not the image's size (cut short, empty, too long)
    };

    // fill < 0: no fill byte (new bytes are 0).
    explicit CMemoryImage(uint32_t size, int fill = -1);
    virtual ~CMemoryImage();
    CMemoryImage(const CMemoryImage&) = delete;
    CMemoryImage& operator=(const CMemoryImage&) = delete;

    void Resize(uint32_t size);
    // Reads the named file into the image. Only a file of exactly the
    // image's size is taken; otherwise the data stays blank (the fill byte,
    // as erased flash reads, or 0 without one) and the result says why.
    LoadResult Load();
    // Writes the image through a temporary file in the same folder and an
    // atomic replace; false (the old file kept) when that fails.
    bool SaveAs(const std::string& name) const;
    bool Save() const { return SaveAs(m_fileName); }
    // Moves the file aside to its name with ".bak" added (replacing an
    // older one); false when that fails.
    bool KeepAsBackup() const;

    uint32_t GetSize() const { return m_size; }
    uint8_t* GetData() const { return m_data.get(); }
    const std::string& GetFileName() const { return m_fileName; }
    void SetFileName(const std::string& name) { m_fileName = name; }
    void SetDeleteOnExit(bool on) { m_deleteOnExit = on; }
    bool GetDeleteOnExit() const { return m_deleteOnExit; }

private:
    void Blank();

    uint32_t m_size = 0;
    std::string m_fileName;
    std::unique_ptr<uint8_t[]> m_data;
    uint8_t m_fill = 0;
    bool m_fillValid = false;
    bool m_deleteOnExit = false;
};

// Scratch folders and whole-file reads and writes for tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A fresh folder under the temporary folder, removed with everything in it
// when the object goes.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return m_path; }
    // Path() + "\" + name.
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

void RemoveTree(const std::string& folder);
// The names in a folder besides "." and ".." (temporary files must not
// stay behind); empty when it cannot be listed.
std::vector<std::string> FilesIn(const std::string& folder);
// The whole file, bytes as they are; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& content);

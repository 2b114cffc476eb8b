#include "testsupport/scratch_folder.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

ScratchFolder::ScratchFolder()
{
    static std::atomic<int> counter{0};
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char name[MAX_PATH + 64];
    std::snprintf(name, sizeof name, "%svx%lu-%d", temp, GetCurrentProcessId(), counter++);
    m_path = name;
    RemoveTree(m_path);
    if (!CreateDirectoryA(m_path.c_str(), nullptr))
        ADD_FAILURE() << "cannot create " << m_path;
}

ScratchFolder::~ScratchFolder()
{
    RemoveTree(m_path);
}

void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            // A link is removed itself, never walked into.
            if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryA(path.c_str())
                                                                   : DeleteFileA(path.c_str());
            else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(h, &data));
        FindClose(h);
    }
    RemoveDirectoryA(folder.c_str());
}

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return names;
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool WriteWholeFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out);
}

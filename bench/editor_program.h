// The generated program the editor's benchmarks open: a 20,000-line
// program has every kind of line (labels, comments, blocks, moves, prints,
// VR arithmetic, GOTOs) and INCLUDEs "LIB".
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

inline std::string TempFolder(const char* prefix)
{
    char path[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, path);
    std::string folder = std::string(path) + prefix + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

inline void WriteProgram(const std::string& path, int lines)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return;
    std::fprintf(f, "INCLUDE \"LIB\"\r\n");
    for (int i = 1; i < lines; ++i) {
        switch (i % 8) {
        case 0: std::fprintf(f, "lbl%d: ' step %d of the program\r\n", i, i); break;
        case 1: std::fprintf(f, "  IF speed%d > limit THEN\r\n", i % 50); break;
        case 2: std::fprintf(f, "    MOVE(dist_%d * 2.5, -100) AXIS(%d)\r\n", i % 97, i % 4); break;
        case 3: std::fprintf(f, "    PRINT #5, \"pos \"; MPOS AXIS(0), value%d\r\n", i % 31); break;
        case 4: std::fprintf(f, "  ELSE\r\n"); break;
        case 5: std::fprintf(f, "    VR(%d) = VR(%d) + $FF AND mask\r\n", i % 1000, (i + 1) % 1000); break;
        case 6: std::fprintf(f, "  ENDIF\r\n"); break;
        default: std::fprintf(f, "  GOTO lbl%d\r\n", (i / 8) * 8); break;
        }
    }
    std::fclose(f);
}

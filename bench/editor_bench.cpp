// Time to open a large program in the editor: read a generated program of
// 20,000 lines from disk into line records (tokenizing every line for its
// colours) and gather its labels and variable names, including one
// INCLUDEd program. Wall time, best of five runs; the target is at most
// one second.
//
// Prints "editor_open_20000_lines: <ms> ms" and "editor_open_lines: <n>
// lines/s".
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "editor/programlines.h"

namespace {

std::string TempFolder()
{
    char path[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, path);
    std::string folder = std::string(path) + "editor_bench_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void WriteProgram(const std::string& path, int lines)
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

} // namespace

int main()
{
    const std::string folder = TempFolder();
    const std::string main = folder + "\\MAIN.BAS";
    const std::string lib = folder + "\\LIB.BAS";
    const int lineCount = 20000;
    WriteProgram(main, lineCount);
    WriteProgram(lib, 200);

    double best = 1e9;
    size_t names = 0;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        editor::CEditRDocLines lines;
        lines.m_fileType = editor::FileTypeOfPath(main);
        lines.SetFilePath(main, editor::DiskProgramFiles());
        lines.ReadFile(editor::DiskProgramFiles());
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        names = lines.m_names.size();
        if (static_cast<int>(lines.m_lines.size()) != lineCount) {
            std::fprintf(stderr, "read %d lines, expected %d\n", static_cast<int>(lines.m_lines.size()), lineCount);
            return 1;
        }
        if (ms < best)
            best = ms;
    }
    DeleteFileA(main.c_str());
    DeleteFileA(lib.c_str());
    RemoveDirectoryA(folder.c_str());
    std::printf("editor_open_20000_lines: %.1f ms\n", best);
    std::printf("editor_open_lines: %.0f lines/s\n", lineCount / (best / 1000.0));
    std::printf("editor_open_names: %d names\n", static_cast<int>(names));
    return 0;
}

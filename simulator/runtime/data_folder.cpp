#include "simulator/runtime/data_folder.h"

#include <cstring>

#include "simulator/runtime/host.h"

namespace qcrt {

namespace {

// The shell hands out paths of at most MAX_PATH characters.
constexpr size_t kMaxPath = 260;

} // namespace

std::string GetSimulatorDataFolder(bool create)
{
    RuntimeHost* host = GetRuntimeHost();
    std::string base;
    if (!host || !host->GetLocalAppDataFolder(base) || base.empty() || base.size() >= kMaxPath)
        return {};

    // A root such as "C:\" keeps its own backslash; the levels below it are
    // joined with exactly one.
    std::string joined = base;
    while (!joined.empty() && joined.back() == '\\')
        joined.pop_back();
    const std::string levels[] = {base, joined + "\\VexoLabs", joined + "\\VexoLabs\\QCSimulator"};

    if (create) {
        for (const std::string& level : levels) {
            if (host->DirectoryExists(level))
                continue;
            if (!host->MakeDirectory(level)) {
                host->ShowPrompt("Error creating directory " + level);
                return {};
            }
        }
    }
    return levels[2];
}

int CopyBounded(void* dest, int destLength, const void* source, int sourceLength)
{
    if (!dest || !source || destLength < 1 || sourceLength < 1)
        return 0;
    int count = sourceLength < destLength ? sourceLength : destLength;
    std::memmove(dest, source, static_cast<size_t>(count));
    return sourceLength <= destLength ? 1 : 0;
}

} // namespace qcrt

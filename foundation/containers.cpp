#include "foundation/containers.h"

#include <atomic>

#include "foundation/logline.h"

namespace {

std::atomic<DWORD> g_defaultListLockTimeout{CTLIST_LOCK_TIMEOUT_MS};

} // namespace

IMPLEMENT_DYNAMIC(CExtendedStringList, CStringList)

void LogListLockTimeout(DWORD timeoutMs)
{
    GlobalLogFormat(LOG_STATUS_ERRORS, "List lock timed out after %lu ms", static_cast<unsigned long>(timeoutMs));
}

DWORD SetDefaultListLockTimeout(DWORD timeoutMs)
{
    return g_defaultListLockTimeout.exchange(timeoutMs);
}

DWORD GetDefaultListLockTimeout()
{
    return g_defaultListLockTimeout.load();
}

#include "simulator/runtime/lock.h"

#include <atomic>

#include "simulator/runtime/checksums.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/flash.h"
#include "simulator/runtime/message_pool.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/program_store.h"
#include "simulator/runtime/resources.h"
#include "simulator/runtime/tokens.h"
#include "simulator/runtime/values.h"

namespace qcrt {

namespace {

constexpr int32_t kErrNotLocked = 73;
constexpr int32_t kErrAlreadyLocked = 74;
constexpr const char* kLockSalt = "bel rosamund quincey harrowby";

// Shared by every process; only a restart clears it.
std::atomic<int32_t> g_UnlockFailures{0};

// The bracketed code after the token: the open bracket, the expression,
// truncated, and the closing bracket. False with the process's error set.
bool ReadCode(const uint8_t* text, int& position, int limit, int process, int32_t& code)
{
    if (position >= limit || text[position] != kTokOpenBracket) {
        SetProcessError(process, kErrOperandExpected);
        return false;
    }
    ++position;
    float value = EvaluateExpression(text, position, limit, process);
    if (GetProcessError(process) != 0)
        return false;
    code = TruncateToInt32(value);
    if (position >= limit || text[position] != kTokCloseBracket) {
        SetProcessError(process, kErrCloseBracketExpected);
        return false;
    }
    return true;
}

bool LockedUnder(int process)
{
    return ReadSetting(kSettingUnlocked, process) == 0;
}

} // namespace

std::string LockCodeText(int32_t code)
{
    static const char digits[] = "0123456789ABCDEF";
    uint32_t value = static_cast<uint32_t>(code);
    std::string text;
    for (int n = 0; n < 8; ++n, value >>= 4)
        text += digits[value & 15];
    return text;
}

uint32_t LockKeyOf(int32_t code)
{
    return LockChecksum(LockCodeText(code), kLockSalt);
}

bool ControllerLocked(int process)
{
    ResourceClaim claim(process, kResourceFlash, kResourceFlashSettingsBit);
    return LockedUnder(process);
}

int32_t UnlockFailures()
{
    return g_UnlockFailures.load();
}

void ResetUnlockFailures()
{
    g_UnlockFailures.store(0);
}

void KeywordLock(const uint8_t* text, int& position, int limit, int process)
{
    ++position; // the token
    ResourceClaim claim(process, kResourceFlash, kResourceFlashSettingsBit);
    if (position >= limit || text[position] != kTokOpenBracket) {
        // The print form: the key of a locked controller, nothing otherwise.
        if (LockedUnder(process))
            PrintFormatted(process, "%x\r\n", static_cast<int32_t>(ReadSetting(kSettingLockKey, process)));
        return;
    }
    if (LockedUnder(process)) {
        SetProcessError(process, kErrAlreadyLocked);
        return;
    }
    int32_t code = 0;
    if (!ReadCode(text, position, limit, process, code))
        return;
    if (code < 0 || code > kLockCodeMaximum) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    // The key goes first: a flash write that fails between the two leaves
    // the controller unlocked, never locked with the key of an older code.
    if (!WriteSetting(static_cast<int32_t>(LockKeyOf(code)), kSettingLockKey, process))
        return;
    if (!WriteSetting(0, kSettingUnlocked, process))
        return;
    SetMemoryProtection(true);
    ++position; // the closing bracket
}

void KeywordUnlock(const uint8_t* text, int& position, int limit, int process)
{
    ++position; // the token
    ResourceClaim claim(process, kResourceFlash, kResourceFlashSettingsBit);
    if (position < limit && text[position] == kTokOpenBracket && !LockedUnder(process)) {
        SetProcessError(process, kErrNotLocked);
        return;
    }
    int32_t code = 0;
    if (!ReadCode(text, position, limit, process, code))
        return;
    ++position; // the closing bracket
    if (static_cast<uint32_t>(ReadSetting(kSettingLockKey, process)) == LockKeyOf(code)) {
        if (WriteSetting(1, kSettingUnlocked, process))
            SetMemoryProtection(false);
        return;
    }
    if (g_UnlockFailures.fetch_add(1) + 1 > kUnlockFailureLimit) {
        // The process executes nothing more until the runtime restarts.
        PrintFormatted(process, "%r%c", PoolAdd("Unlock failed too many times. Please reboot"), kEndOfLineCr);
        if (ProcessRecord* record = GetProcessRecord(process))
            record->stopRequest.store(1);
        return;
    }
    SetProcessError(process, kErrValueIncorrect);
}

} // namespace qcrt

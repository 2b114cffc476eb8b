// The controller lock: LOCK and UNLOCK.
//
// The lock lives in the flash settings store, so it survives a restart: the
// unlocked flag (setting 1, 0 while locked) and the lock key (setting 2, the
// salted CRC-32 of the code written as 8 hexadecimal digits, least
// significant first). The flag is the one truth; the program store's write
// protection follows it whenever LOCK or UNLOCK changes it (and at
// power-up). A third wrong code since power-up stops the process that gave
// it, until the runtime restarts.
#pragma once

#include <cstdint>
#include <string>

namespace qcrt {

constexpr int32_t kLockCodeMaximum = 9999999;
constexpr int kUnlockFailureLimit = 2; // the third wrong code blocks

// The code text the lock key is computed over ("C3B2A100" for 0x1A2B3C).
std::string LockCodeText(int32_t code);
uint32_t LockKeyOf(int32_t code);

// True while the flash setting says locked (a setting never written is
// unlocked).
bool ControllerLocked(int process);

// Wrong codes given since power-up.
int32_t UnlockFailures();
void ResetUnlockFailures();

void KeywordLock(const uint8_t* text, int& position, int limit, int process);
void KeywordUnlock(const uint8_t* text, int& position, int limit, int process);

} // namespace qcrt

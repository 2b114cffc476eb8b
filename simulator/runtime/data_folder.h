// The simulator's data folder, which holds its memory images, and its bounded
// byte copy.
#pragma once

#include <cstdint>
#include <string>

namespace qcrt {

// The user's local application-data folder followed by "\VexoLabs" and
// "\QCSimulator", without a trailing backslash; "" when the shell cannot give
// the folder. With create true every missing level is created in turn; a
// level that cannot be created is reported to the user ("Error creating
// directory <level>") and the answer is "". With create false nothing is
// tested or created.
std::string GetSimulatorDataFolder(bool create);

// Copies min(destLength, sourceLength) bytes and answers 1 when the whole
// source fitted, 0 when it was cut. Null pointers or a length below 1 copy
// nothing and answer 0. No terminating zero is written.
int CopyBounded(void* dest, int destLength, const void* source, int sourceLength);

} // namespace qcrt

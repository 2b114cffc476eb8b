// The runtime's message pool: one block of zero-terminated texts (keyword
// names, messages, banner and listing texts) addressed by the byte offset of
// a text's first character. The formatted print's %r prints a pool text by
// its offset. Offset 0 holds "Command not recognized".
//
// Texts are added once (PoolAdd answers the offset of an equal text already
// in the pool) and never move, so a text's address stays valid for the life
// of the program.
#pragma once

#include <cstdint>
#include <string_view>

namespace qcrt {

using PoolOffset = int32_t;

PoolOffset PoolAdd(std::string_view text);

// The text at an offset; "" for an offset outside the pool.
const char* PoolText(PoolOffset offset);

// Bytes in use.
uint32_t PoolSize();

} // namespace qcrt

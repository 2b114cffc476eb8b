// The live tools the project window's launcher can open: Vorta2's start
// registers them all here, one line per tool.
#pragma once

namespace tools {

void RegisterLiveTools();

} // namespace tools

// The native build's program log (logsink.cpp): lines are kept only while
// a capture is on (captures nest); TakeNativeLogText gives the lines kept
// since its last call.
#pragma once

#include <string>

void CaptureNativeLog(bool on);
std::string TakeNativeLogText();

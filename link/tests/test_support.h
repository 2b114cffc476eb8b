// What several link tests share: the receiver that records what a link
// delivers (recording_receiver.h) and the in-memory global log
// (testsupport/memory_log.h).
#pragma once

#include <windows.h>

#include "testsupport/memory_log.h"
#include "recording_receiver.h"

// The command ids of the framework's standard commands. Plain definitions,
// so resource scripts can include this file too.
#pragma once

#define ID_FILE_PRINT_SETUP 0xE106
#define ID_APP_ABOUT 0xE140

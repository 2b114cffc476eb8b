// Resource ids of the editor frame.
#pragma once

#define IDR_EDITOR_CONTEXT 103
#define IDR_EDITOR_ACCEL 104
#define IDI_EDITOR_FRAME 209

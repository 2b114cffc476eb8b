// Resource ids of the editor frame.
#pragma once

#define IDR_EDITOR_CONTEXT 103

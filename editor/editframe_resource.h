// Resource ids of the editor frame.
#pragma once

#define IDR_EDITOR_CONTEXT 103
#define IDR_EDITOR_ACCEL 104
#define IDI_EDITOR_FRAME 209
// The toolbar's true-colour images, 19 pixels wide, one per button in
// order (made by editor/res/make_editor_toolbar.py).
#define IDB_EDITOR_TOOLBAR 1253

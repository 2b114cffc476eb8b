// The framework in one include, for code written in the familiar manner.
#pragma once

#include <windows.h>

#include "framework/cstring.h"
#include "framework/object.h"
#include "framework/collections.h"
#include "framework/exceptions.h"
#include "framework/file.h"
#include "framework/datetime.h"
#include "framework/sync.h"
#include "framework/thread.h"
#include "framework/geometry.h"
#include "framework/cmdtarget.h"
#include "framework/cmdui.h"
#include "framework/wnd.h"
#include "framework/dialog.h"
#include "framework/propsheet.h"
#include "framework/app.h"
#include "framework/prompt.h"
#include "framework/resources.h"
#include "framework/clock.h"
#include "framework/gdi.h"
#include "framework/menu.h"
#include "framework/controls.h"
#include "framework/toolbar.h"

// Libraries in the resource chain, and the framework a library shares with
// the program that loads it.
//
// Library modules are searched after the language library and the program
// (by string loads and by AfxFindResourceHandle), in the order they were
// added.
//
// A library that links its own copy of the framework joins the framework
// of the program that loaded it, so one process has one prompt service, one
// clock, one file dialog service and one resource chain: from its attach
// on, the library's prompts, file dialogs and waits go to the program's
// services, and its resources are found by
// the program's lookups. The program offers its framework through the
// exported entry AfxGetHostServices.
#pragma once

#include <windows.h>

// Adding a module twice keeps one entry.
void AfxAddResourceModule(HINSTANCE module);
void AfxRemoveResourceModule(HINSTANCE module);

// Called from a library's attach. FALSE when the library runs in a program
// that offers no framework (it then keeps its own services; its resources
// are still found by its own lookups).
BOOL AfxJoinHostFramework(HINSTANCE library);
// Called at the library's detach: takes its resources out of the program's
// chain and puts the library's own services back.
void AfxLeaveHostFramework(HINSTANCE library);

class IPromptService;
class IClock;
class IFileDialogService;
// What a program offers the libraries it loads.
struct AfxHostServices {
    IPromptService& (*prompts)();
    IClock& (*clock)();
    IFileDialogService& (*fileDialogs)();
    void (*addResourceModule)(HINSTANCE module);
    void (*removeResourceModule)(HINSTANCE module);
};
extern "C" __declspec(dllexport) const AfxHostServices* AfxGetHostServices();

// MergeToolSetup.exe: installs the file-compare tool and registers it for
// the development environment.
#include "setup/mergetoolsetup.h"
#include "setup/setupapp.h"

namespace {

class CMergeToolSetupApp : public CSetupApp {
public:
    CMergeToolSetupApp() : CSetupApp("MergeToolSetup", RunMergeToolSetup) {}
};

CMergeToolSetupApp theApp;

} // namespace

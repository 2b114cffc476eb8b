// DrvPackSetup.exe: installs the driver package of the machine's
// architecture.
#include "setup/drvpacksetup.h"
#include "setup/setupapp.h"

namespace {

class CDrvPackSetupApp : public CSetupApp {
public:
    CDrvPackSetupApp() : CSetupApp("DrvPackSetup", RunDrvPackSetup) {}
};

CDrvPackSetupApp theApp;

} // namespace

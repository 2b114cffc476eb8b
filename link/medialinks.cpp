// The link object of each medium, for the controller connection's default
// link factory.
#include "link/ethercomms.h"

#include "link/controllerconnection.h"
#include "link/serialcomms.h"
#include "link/usbcomms.h"
#include "link/vexopcicomms.h"
#include "link/wincomms.h"

CComms* CreateMediaLink(int linkType)
{
    switch (linkType) {
    case LINK_TYPE_SERIAL:
        return new CSerialComms();
    case LINK_TYPE_USB:
        return new CUsbComms();
    case LINK_TYPE_SIMULATOR:
        return new CWinComms();
    case LINK_TYPE_ETHERNET:
        return new CEtherComms();
    case LINK_TYPE_PCI:
        return new CVexoPCIComms();
    default:
        return nullptr;
    }
}

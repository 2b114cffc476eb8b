// The controller connection's default link factory: the link object of each
// medium, none for the others. Nothing is opened.
#include "link/ethercomms.h"

#include <typeindex>

#include <gtest/gtest.h>

#include "link/controllerconnection.h"
#include "link/serialcomms.h"
#include "link/usbcomms.h"
#include "link/vexopcicomms.h"
#include "link/wincomms.h"
#include "testsupport/registry_sandbox.h"

namespace {

using MediaLinkTest = RegistrySandboxTest;

TEST_F(MediaLinkTest, WithoutAnInstalledFactoryEachMediumHasItsOwnLink)
{
    CControllerConnection connection;
    // A factory of the tests' own, then the default again.
    connection.SetLinkFactory([](int) -> CComms* { return nullptr; });
    connection.CreateLink(LINK_TYPE_SERIAL);
    EXPECT_EQ(nullptr, connection.GetLink());
    connection.SetLinkFactory(nullptr);
    struct Case {
        int type;
        std::type_index link;
    };
    const Case cases[] = {
        {LINK_TYPE_SERIAL, typeid(CSerialComms)}, {LINK_TYPE_USB, typeid(CUsbComms)},
        {LINK_TYPE_SIMULATOR, typeid(CWinComms)}, {LINK_TYPE_ETHERNET, typeid(CEtherComms)},
        {LINK_TYPE_PCI, typeid(CVexoPCIComms)},
    };
    for (const Case& c : cases) {
        connection.CreateLink(c.type);
        CComms* link = connection.GetLink();
        ASSERT_NE(nullptr, link) << c.type;
        EXPECT_EQ(c.link, std::type_index(typeid(*link))) << c.type;
        EXPECT_FALSE(link->GetOpenFlag()) << c.type;
    }
    const int noLink[] = {LINK_TYPE_NONE, LINK_TYPE_FINS, 7, -1};
    for (int type : noLink) {
        connection.CreateLink(type);
        EXPECT_EQ(nullptr, connection.GetLink()) << type;
    }
}

} // namespace

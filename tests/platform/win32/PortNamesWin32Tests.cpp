#include "platform/PortNames.h"

#include <gtest/gtest.h>

using platform::ResolvePortName;

TEST(PortNamesWin32, ComNamesOpenThroughTheDeviceNamespace) {
    EXPECT_EQ(ResolvePortName("com1"), "\\\\.\\COM1");
    EXPECT_EQ(ResolvePortName("COM3"), "\\\\.\\COM3");
    EXPECT_EQ(ResolvePortName("cOm9"), "\\\\.\\COM9");
}

// The bare DOS names stop at COM9: without the prefix a reader on com10..com15
// could never be opened, so the scan would never find it there.
TEST(PortNamesWin32, PortsFromTenUpStillResolve) {
    for (int n = 10; n <= 15; ++n)
        EXPECT_EQ(ResolvePortName("com" + std::to_string(n)), "\\\\.\\COM" + std::to_string(n)) << n;
    EXPECT_EQ(ResolvePortName("COM255"), "\\\\.\\COM255");
    EXPECT_EQ(ResolvePortName("com007"), "\\\\.\\COM7");
}

TEST(PortNamesWin32, OtherNamesStandForNoPort) {
    for (const char* name : {"", "com", "com0", "comA", "com1x", "lpt1", "COM 1", "com-1", "com123456"})
        EXPECT_EQ(ResolvePortName(name), "") << '"' << name << '"';
}

TEST(PortNamesWin32, PathsAreUsedAsGiven) {
    EXPECT_EQ(ResolvePortName("\\\\.\\COM20"), "\\\\.\\COM20");
    EXPECT_EQ(ResolvePortName("\\\\?\\usb#vid_067b"), "\\\\?\\usb#vid_067b");
    EXPECT_EQ(ResolvePortName("//./COM4"), "//./COM4");
}

TEST(PortNamesWin32, NoPortTableFolder) { EXPECT_EQ(platform::PortTableFolder(), ""); }

TEST(PortNamesWin32, EnumeratedNamesAreComNamesInNaturalOrder) {
    const auto names = platform::EnumerateSerialDevices();
    long previous = 0;
    for (const auto& name : names) {
        ASSERT_GE(name.size(), 4u) << name;
        ASSERT_EQ(name.substr(0, 3), "COM") << name;
        const long n = std::stol(name.substr(3));
        EXPECT_GT(n, previous) << name;
        previous = n;
    }
}

#include "platform/SerialPort.h"

#include <windows.h>

#include <gtest/gtest.h>

TEST(SerialPortWin32, MissingPortExplainsWhy) {
    const platform::OpenResult result = platform::OpenSerialPort("com250");
    EXPECT_EQ(result.port, nullptr);
    EXPECT_EQ(result.device, "\\\\.\\COM250");
    EXPECT_NE(result.error.find("(error "), std::string::npos) << result.error;
}

TEST(SerialPortWin32, UnknownNameOpensNothing) {
    const platform::OpenResult result = platform::OpenSerialPort("printer");
    EXPECT_EQ(result.port, nullptr);
    EXPECT_EQ(result.device, "");
    EXPECT_FALSE(result.error.empty());
}

// A file is no serial device: the open must fail on the line settings, not hand
// out a port that the link would then poll forever.
TEST(SerialPortWin32, PlainFileIsNoSerialDevice) {
    char folder[MAX_PATH];
    char file[MAX_PATH];
    ASSERT_TRUE(::GetTempPathA(MAX_PATH, folder));
    ASSERT_TRUE(::GetTempFileNameA(folder, "cfm", 0, file));
    const platform::OpenResult result = platform::OpenSerialPort(file);
    EXPECT_EQ(result.port, nullptr);
    EXPECT_EQ(result.device, file);
    EXPECT_NE(result.error.find("not a serial device"), std::string::npos) << result.error;
    ::DeleteFileA(file);
}

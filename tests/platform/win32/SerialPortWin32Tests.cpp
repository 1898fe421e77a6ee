#include "platform/SerialPort.h"
#include "platform/win32/SerialPortWin32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string TempFolder() {
    char folder[MAX_PATH];
    return ::GetTempPathA(MAX_PATH, folder) ? folder : "";
}

// The port scan counts a port whose device is missing as absent, and one that
// another program holds as present (and not as one this user may not open).
// Wine lets a second handle open a serial device, so a file held with share mode 0
// stands for the port another program holds: CreateFile refuses both alike.
TEST(SerialPortWin32, OpenFailuresAreToldApart) {
    char held[MAX_PATH];
    ASSERT_TRUE(::GetTempFileNameA(TempFolder().c_str(), "cfm", 0, held));
    const HANDLE holder = ::CreateFileA(held, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const struct {
        std::string name;
        std::string device;
        platform::OpenFailure failure;
        const char* says;
    } rows[] = {
        {"com250", "\\\\.\\COM250", platform::OpenFailure::NoDevice, "(error "},
        {TempFolder() + "cardfmt-no-such-folder\\COM1", TempFolder() + "cardfmt-no-such-folder\\COM1",
         platform::OpenFailure::NoDevice, "(error "},
        {held, held, platform::OpenFailure::Other, "in use"},
    };
    for (const auto& row : rows) {
        const platform::OpenResult result = platform::OpenSerialPort(row.name);
        EXPECT_EQ(result.port, nullptr) << row.name;
        EXPECT_EQ(result.device, row.device);
        EXPECT_EQ(result.failure, row.failure) << row.name << ": " << result.error;
        EXPECT_NE(result.error.find(row.says), std::string::npos) << row.name << ": " << result.error;
    }
    ::CloseHandle(holder);
    ::DeleteFileA(held);
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
    char file[MAX_PATH];
    ASSERT_TRUE(::GetTempFileNameA(TempFolder().c_str(), "cfm", 0, file));
    const platform::OpenResult result = platform::OpenSerialPort(file);
    EXPECT_EQ(result.port, nullptr);
    EXPECT_EQ(result.device, file);
    EXPECT_NE(result.error.find("not a serial device"), std::string::npos) << result.error;
    ::DeleteFileA(file);
}

}  // namespace

#include "platform/Console.h"
#include "platform/win32/Win32Text.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string TempFilePath() {
    wchar_t folder[MAX_PATH];
    wchar_t file[MAX_PATH];
    if (!::GetTempPathW(MAX_PATH, folder) || !::GetTempFileNameW(folder, L"cfm", 0, file)) return {};
    return platform::win32::WideToUtf8(file);
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(std::filesystem::path(platform::win32::Utf8ToWide(path)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

// Redirected output (a file, a pipe) carries the UTF-8 bytes, so that the tools
// reading it get the same text as from the POSIX build.
TEST(ConsoleWin32, RedirectedOutputIsUtf8) {
    const std::string path = TempFilePath();
    ASSERT_FALSE(path.empty());
    std::fflush(stderr);
    const int saved = ::_dup(2);
    ASSERT_GE(saved, 0);
    const int fd = ::_wopen(platform::win32::Utf8ToWide(path).c_str(), _O_WRONLY | _O_TRUNC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::_dup2(fd, 2), 0);
    ::_close(fd);
    platform::WriteErrLine("1A2B3C4D 该卡已初始化。");
    platform::WriteErrLine("请放置IC卡");
    std::fflush(stderr);
    ::_dup2(saved, 2);
    ::_close(saved);
    EXPECT_EQ(ReadAll(path), "1A2B3C4D 该卡已初始化。\r\n请放置IC卡\r\n");
    ::DeleteFileW(platform::win32::Utf8ToWide(path).c_str());
}

TEST(ConsoleWin32, FileHandleIsNoConsole) {
    const std::string path = TempFilePath();
    ASSERT_FALSE(path.empty());
    HANDLE file = ::CreateFileW(platform::win32::Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(platform::win32::WriteConsoleLine(file, "请放置IC卡"));
    ::CloseHandle(file);
    EXPECT_EQ(ReadAll(path), "");
    ::DeleteFileW(platform::win32::Utf8ToWide(path).c_str());
}

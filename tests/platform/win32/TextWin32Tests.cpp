#include "platform/win32/Win32Text.h"

#include <gtest/gtest.h>

using namespace platform::win32;

namespace {
const std::string kSendLabel = "发送指令：";
const std::string kSendLabelGbk = "\xB7\xA2\xCB\xCD\xD6\xB8\xC1\xEE\xA3\xBA";
}  // namespace

TEST(TextWin32, Utf8ToGbk) {
    EXPECT_EQ(Utf8ToCodePage(kSendLabel, kDebugCodePage), kSendLabelGbk);
    EXPECT_EQ(Utf8ToCodePage("接收指令：FF,A5", kDebugCodePage),
              "\xBD\xD3\xCA\xD5\xD6\xB8\xC1\xEE\xA3\xBA"
              "FF,A5");
    EXPECT_EQ(Utf8ToCodePage("", kDebugCodePage), "");
}

TEST(TextWin32, Utf8ThroughUtf16AndBack) {
    const std::string text = "1A2B3C4D 该卡已初始化。 \xF0\x9F\x92\xB3";  // with a character beyond the BMP
    const std::wstring wide = Utf8ToWide(text);
    EXPECT_EQ(wide.substr(0, 9), L"1A2B3C4D ");
    EXPECT_EQ(wide[9], L'\u8BE5');
    EXPECT_EQ(WideToUtf8(wide), text);
}

TEST(TextWin32, BadUtf8CostsOneCharacterNotTheLine) {
    const std::wstring wide = Utf8ToWide(
        "ab\xFF"
        "cd");
    EXPECT_EQ(wide, L"ab\uFFFDcd");
}

TEST(TextWin32, SystemErrorTextNamesTheCode) {
    const std::string text = SystemErrorText(ERROR_FILE_NOT_FOUND);
    ASSERT_GE(text.size(), std::string(" (error 2)").size());
    EXPECT_EQ(text.substr(text.size() - 10), " (error 2)") << text;
    EXPECT_NE(text.back(), '\n');
    // Whatever the language, it is well-formed UTF-8.
    EXPECT_EQ(WideToUtf8(Utf8ToWide(text)), text);
    EXPECT_EQ(SystemErrorText(0x2FFFFFFF), "error 805306367");
}

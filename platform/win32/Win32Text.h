// Text between this program's UTF-8 and what Windows speaks: UTF-16 for the wide
// functions, and ANSI code pages for the narrow ones. Internal to the Windows
// platform layer (and its tests).
#pragma once

#include <windows.h>

#include <string>

namespace platform::win32 {

// The code page of the debug monitors the operators use: they show narrow debug
// lines in GBK whatever the locale of the machine sending them.
constexpr UINT kDebugCodePage = 936;

// Bytes that are not UTF-8 become U+FFFD, so a bad byte costs one character,
// never the line.
std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const std::wstring& wide);

// Characters the code page lacks become its default character ('?').
std::string Utf8ToCodePage(const std::string& utf8, UINT codePage);

// The system's message for an error code in the user's language, as UTF-8
// without the trailing line end, followed by the code: "拒绝访问。 (error 5)".
std::string SystemErrorText(DWORD code);

// Writes one line to a console handle as UTF-16; false when `console` is no
// console (a file, a pipe) or the write failed.
bool WriteConsoleLine(HANDLE console, const std::string& utf8);

}  // namespace platform::win32

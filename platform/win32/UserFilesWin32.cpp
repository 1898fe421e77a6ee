#include "platform/UserFiles.h"

#include "platform/win32/Win32Text.h"

#include <windows.h>

namespace platform {

std::string UserStateFolder() {
    wchar_t buffer[MAX_PATH * 2];
    const DWORD length = ::GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2) return {};
    return win32::WideToUtf8(std::wstring(buffer, length)) + "\\cardfmt";
}

LocalTime LocalTimeNow() {
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    TIME_ZONE_INFORMATION zone{};
    const DWORD which = ::GetTimeZoneInformation(&zone);
    LONG bias = zone.Bias;  // minutes, UTC = local + bias
    if (which == TIME_ZONE_ID_DAYLIGHT)
        bias += zone.DaylightBias;
    else if (which == TIME_ZONE_ID_STANDARD)
        bias += zone.StandardBias;
    return LocalTime{local.wYear,   local.wMonth,  local.wDay, local.wHour,
                     local.wMinute, local.wSecond, static_cast<int>(-bias)};
}

}  // namespace platform

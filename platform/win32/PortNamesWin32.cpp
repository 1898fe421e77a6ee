#include "platform/PortNames.h"
#include "platform/SerialPortCommon.h"
#include "platform/win32/Win32Text.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace platform {

std::string ResolvePortName(const std::string& portName) {
    if (portName.find_first_of("\\/") != std::string::npos) return portName;
    const long n = ComPortNumber(portName);
    if (n <= 0) return {};
    // The bare name "COMn" is a DOS device name that Windows knows only for n up
    // to 9; COM10 and above open only through the device namespace. \\.\COMn works
    // for every n, so every port goes that way and com10..com15 can be found too.
    return "\\\\.\\COM" + std::to_string(n);
}

std::string PortTableFolder() { return {}; }

std::vector<std::string> EnumerateSerialDevices() {
    // The serial port drivers (built-in ports, USB adapters, virtual ports) each
    // enter their ports here while the device is present.
    std::vector<std::pair<long, std::string>> ports;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return {};
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[256];
        DWORD valueNameLength = 256;
        wchar_t data[256] = {};
        DWORD dataBytes = sizeof data - sizeof(wchar_t);  // room for a terminator the registry may omit
        DWORD type = 0;
        const LSTATUS status = ::RegEnumValueW(key, index, valueName, &valueNameLength, nullptr, &type,
                                               reinterpret_cast<BYTE*>(data), &dataBytes);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS || type != REG_SZ) continue;
        const std::string name = win32::WideToUtf8(std::wstring(data, dataBytes / sizeof(wchar_t)).c_str());
        const long n = ComPortNumber(name);
        ports.emplace_back(n > 0 ? n : LONG_MAX, name);
    }
    ::RegCloseKey(key);
    // Natural order: COM2 before COM10; names that are not COMn go last.
    std::sort(ports.begin(), ports.end());
    std::vector<std::string> names;
    for (auto& port : ports) names.push_back(std::move(port.second));
    return names;
}

}  // namespace platform

// What the port scan tells the operator (UTF-8): the window shows it in the status
// line of its connection panel, the command line on stderr. Written here once.
#pragma once

#include <string>

// Before each attempt on a port: "正在打开com3...".
inline std::string ScanTryingText(const std::string& port) { return "正在打开" + port + "..."; }

// The operator stopped the scan before a reader answered.
inline constexpr const char* kScanUserStoppedText = "用户停止打开";

// Said once when a pass found no reader and another program held a port that is
// there (ScanPassReport::firstHeld): "com3被其他程序占用".
inline std::string ScanPortHeldText(const std::string& port) { return port + "被其他程序占用"; }

// Said once when every port that is there refused this user (ScanPassReport::AllPresentDenied).
inline constexpr const char* kNoSerialPermissionText = "无权访问串口，请将当前用户加入dialout组后重新登录。";

// The texts of the windows (captions, status lines, messages), UTF-8, each written
// here once. The message dialog's own texts live with the dialog; those the port
// scan shares with the command line come from card_init/ScanTexts.h.
#pragma once

#include "card_init/ScanTexts.h"

#include <string>

namespace formtext {

// The program's name, as the window system knows it.
inline constexpr const char* kApplicationName = "发卡格式机";

// Window caption and design-time captions.
inline constexpr const char* kMainFormCaption = "发卡格式机(5,6号包)";
inline constexpr const char* kOpenComm = "打开串口";
inline constexpr const char* kStopOpening = "停止打开com口";
inline constexpr const char* kStopComm = "关闭串口";
inline constexpr const char* kInitCard = "初始化包号";
inline constexpr const char* kStartInit = "开始初始化";
inline constexpr const char* kStopInit = "停止初始化";

// The status label of the connection panel.
inline constexpr const char* kStatusIdle = "串口状态提示";
inline constexpr const char* kStatusUserStopped = kScanUserStoppedText;
inline constexpr const char* kStatusClosed = "串口已关闭";
inline std::string StatusTrying(const std::string& port) { return ScanTryingText(port); }
inline std::string StatusOpened(const std::string& port) { return port + "已打开..."; }
// The reader's port went away while automatic initialization ran (an unplugged
// adapter). True whether or not the window is reopening it at the moment.
inline std::string StatusLost(const std::string& port) { return port + "已断开..."; }
// A pass found no reader while another program held this port.
inline std::string StatusHeld(const std::string& port) { return ScanPortHeldText(port); }

// Messages.
inline constexpr const char* kNotPlaced = "请将格式化软件放置在水控软件安装目录。";
inline constexpr const char* kOpenFailed = "打开串口失败";

}  // namespace formtext

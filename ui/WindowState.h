// The state of the main window, one at a time, and what each click and event does
// in it. The handlers that serve events while they wait (the scan between two
// ports, the stop of the card watcher until it stands still) leave the window in a
// state that says what is being waited for and what comes after, so a click that
// arrives meanwhile is either acted on once the wait is over or cannot be made
// (its button is disabled).
//
// Buttons (enabled): O 打开串口, S 停止打开com口, C 关闭串口, I 开始初始化/停止初始化.
//
// state                 | O S C I | I's caption | what comes next
// ----------------------+---------+-------------+------------------------------------
// Idle                  | 1 0 0 0 | 开始初始化  | O: Scanning
// Scanning              | 0 1 0 0 | 开始初始化  | S: stop at the next port; close: ScanningToClose;
//                       |         |             | scan ends: Connected (reader) or Idle
// ScanningToClose       | 0 1 0 0 | 开始初始化  | scan ends: the window closes (the port first)
// Connected             | 0 0 1 1 | 开始初始化  | I: Running (WaitingForPort when the port is
//                       |         |             | away still); C, close: ClosingPort
// Running               | 0 0 1 1 | 停止初始化  | I: Stopping; C, close: StoppingToClosePort;
//                       |         |             | port lost: StoppingForLostPort
// Stopping              | 0 0 1 0 | 开始初始化  | C: StoppingToClosePort; close: StoppingToCloseWindow;
//                       |         |             | stop ends: Connected
// StoppingForLostPort   | 0 0 1 0 | 停止初始化  | C, close: as Stopping; stop ends: WaitingForPort
//                       |         |             | (Running when the port is still there)
// StoppingToClosePort   | 0 0 0 0 | 开始初始化  | close: StoppingToCloseWindow; stop ends: ClosingPort
// StoppingToCloseWindow | 0 0 0 0 | 开始初始化  | stop ends: ClosingPort, then the window closes
// WaitingForPort        | 0 0 1 1 | 停止初始化  | timer: the watch session's next step, Running once
//                       |         |             | it has the port (again or elsewhere);
//                       |         |             | I: Connected; C, close: ClosingPort
// ClosingPort           | 0 0 0 0 | 开始初始化  | the port closed: Idle ("串口已关闭")
// Destroyed             |    -    |      -      | nothing more happens
//
// Clicks and events not named for a state do nothing in it. A click on I while the
// watcher is being stopped cannot be made: the button is disabled until the stop
// has ended (it takes up to a poll of a silent reader, about 6 s).
#pragma once

#include <cstdint>

enum class WindowState : std::uint8_t {
    Idle,
    Scanning,
    ScanningToClose,
    Connected,
    Running,
    Stopping,
    StoppingForLostPort,
    StoppingToClosePort,
    StoppingToCloseWindow,
    WaitingForPort,
    ClosingPort,
    Destroyed,
};

// The buttons of one row of the table.
struct WindowButtons {
    bool openComm, stopOpening, stopComm, startInit;
    bool startInitSaysStop;  // the caption reads 停止初始化
};

constexpr WindowButtons ButtonsIn(WindowState state) {
    switch (state) {
        case WindowState::Idle: return {true, false, false, false, false};
        case WindowState::Scanning:
        case WindowState::ScanningToClose: return {false, true, false, false, false};
        case WindowState::Connected: return {false, false, true, true, false};
        case WindowState::Running: return {false, false, true, true, true};
        case WindowState::Stopping: return {false, false, true, false, false};
        case WindowState::StoppingForLostPort: return {false, false, true, false, true};
        case WindowState::StoppingToClosePort:
        case WindowState::StoppingToCloseWindow: return {false, false, false, false, false};
        case WindowState::WaitingForPort: return {false, false, true, true, true};
        case WindowState::ClosingPort:
        case WindowState::Destroyed: return {false, false, false, false, false};
    }
    return {false, false, false, false, false};
}

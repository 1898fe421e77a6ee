// The text of the debug line written for a request frame. Pure: callable from any
// thread; raises nothing but std::bad_alloc.
#pragma once

#include "reader_link/ByteString.h"

#include <string>

inline constexpr const char* kSendLabel = "发送指令：";
inline constexpr const char* kReceiveLabel = "接收指令：";

// "发送指令：" and the frame's bytes, except that sector keys never reach the trace:
// in an authentication (0x32) or trailer write (0x34) the key bytes and the two
// checksum bytes (from which a key could be worked back) are written as "**".
std::string RequestTraceLine(const ByteString& frame);

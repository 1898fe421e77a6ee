// The general error of the reader link: a command while no port is open, or an
// empty command. The text is meant for the operator (UTF-8). Which calls raise it,
// and on which thread, is said with TCommClass (CommObjClas.h); the link catches it
// nowhere, so it reaches whoever ran the command.
#pragma once

#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

inline constexpr const char* kNoPortMessage = "未打开相应com口";
inline constexpr const char* kEmptyCommandMessage = "操作指令不能为空！";

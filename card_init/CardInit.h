// Formatting one card: for sectors 5 and 6, gain access with the factory transport
// key or, failing that, the installation key, and rewrite the sector trailer with the
// installation key. Runs on the caller's thread through a connected link.
#pragma once

#include "card_init/KeyMaterial.h"
#include "reader_link/CommObjClas.h"

#include <functional>
#include <string>

enum class InitOutcome {
    Ok,                  // both trailers written; the reader signalled modes 2 and 3
    CardNotPlaced,       // "请放置IC卡"
    SerialReadFailed,    // "读卡序列号失败。"
    NotANewCard,         // "扇区密码校验失败，该卡不是新卡。"
    AlreadyInitialized,  // "该卡已初始化。"
    InitFailed,          // "初始化包号失败。"
    KeysUnavailable,     // "扇区密码解密失败。"
};

// The operator's text for an outcome ("" for Ok).
const char* OutcomeMessage(InitOutcome outcome);

using ShowInfoFn = std::function<void(const std::string& message)>;

inline constexpr const char* kSectorList = "5,6";

// Runs the procedure once. Every outcome but Ok is shown with showInfo (which
// returns once the operator confirmed it) and returned. Link errors (no port open)
// pass to the caller as Exception.
InitOutcome InitializeCard(TCommClass& comm, const KeyMaterial& keys, const ShowInfoFn& showInfo);

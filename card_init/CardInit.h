// Formatting one card: for sectors 5 and 6, gain access with the factory transport
// key or, failing that, the installation key, and rewrite the sector trailer with the
// installation key. Runs on the caller's thread through a connected link.
#pragma once

#include "card_init/KeyMaterial.h"
#include "reader_link/CommObjClas.h"

#include <cstdint>
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
    CardSwapped,         // "卡片已更换，初始化中止。" another card answered a re-selection
    VerifyFailed,        // "扇区密码写入后校验失败。" the new keys do not open both sectors
};

// The operator's text for an outcome ("" for Ok).
const char* OutcomeMessage(InitOutcome outcome);

using ShowInfoFn = std::function<void(const std::string& message)>;

inline constexpr const char* kSectorList = "5,6";

struct InitOptions {
    // Before the card counts as formatted (or as initialized already), prove it on
    // the card: select it again, open both sectors with the installation keys,
    // select it once more (CardInit.cpp says why). Without it a reader that answers
    // twice or very late can make a refused write pass for done.
    bool verify = true;
};

// Runs the procedure once on the card with serial `serial`, the one the caller has
// just selected (the watcher's poll, or the caller's own request and serial read).
// Whenever the run has to select the card again, the card answering must be that
// one; another card stops the run before anything more is written (CardSwapped).
// 0 stands for a caller that does not know the serial: the first serial read in
// the run is then the card's.
// Every outcome but Ok is shown with showInfo (which returns once the operator
// confirmed it) and returned. Link errors (no port open) pass to the caller as
// Exception. No copy of a plain key made by the run outlives it, SectorKey included.
InitOutcome InitializeCard(TCommClass& comm, std::uint32_t serial, const KeyMaterial& keys, const ShowInfoFn& showInfo,
                           const InitOptions& options = {});

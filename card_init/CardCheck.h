// Checking a card without writing it: which key opens sector 5 and sector 6 (the
// transport key, the installation key, or neither), and what that makes the card.
// Nothing is written and no signal is sent. Runs on the caller's thread through a
// connected link.
#pragma once

#include "card_init/CardInit.h"
#include "card_init/KeyMaterial.h"
#include "reader_link/CommObjClas.h"

#include <cstdint>
#include <vector>

// Which key opens a sector. The reader authenticates with key A alone: a sector
// that only its key B would open shows as Neither.
enum class SectorOpener {
    Transport,     // "出厂密码"
    Installation,  // "本系统密码"
    Neither,       // "无法打开"
};
const char* OpenerText(SectorOpener opener);

enum class CheckVerdict {
    NewCard,           // "新卡，尚未初始化。" both sectors on the transport key
    Initialized,       // "该卡已初始化。" both on the installation key
    HalfDone,          // "该卡初始化未完成。" one of each: formatting it again completes it
    Foreign,           // "该卡不是本系统的卡。" a sector that neither key opens
    CardNotPlaced,     // "请放置IC卡"
    SerialReadFailed,  // "读卡序列号失败。"
    CardSwapped,       // "卡片已更换，操作中止。"
    KeysUnavailable,   // "扇区密码解密失败。"
};
const char* CheckMessage(CheckVerdict verdict);

struct SectorFinding {
    int sector = 0;
    SectorOpener opener = SectorOpener::Neither;
};

struct CheckReport {
    CheckVerdict verdict = CheckVerdict::Foreign;
    // The sectors asked, in order; all of them unless the card went away.
    std::vector<SectorFinding> sectors;
};

// Checks the card with serial `serial` that the caller has just selected (0: the
// first card that answers a re-selection). Link errors (no port open) pass to the
// caller as Exception. No plain key outlives the run.
CheckReport CheckCard(TCommClass& comm, std::uint32_t serial, const KeyMaterial& keys);

// The text for another card found in place of the one being checked or reset.
const char* CardSwappedMessage();

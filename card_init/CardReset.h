// Returning a card formatted with this installation's keys to the factory state:
// every sector of the list that opens with its installation key gets the transport
// trailer (kTransportTrailer: transport keys A and B, access bytes FF 07 80 69), and
// the card is then proven to open those sectors with the transport key. A sector on
// the transport key already is left as it is; one that neither key opens is never
// written. Runs on the caller's thread through a connected link.
#pragma once

#include "card_init/CardCheck.h"

#include <cstdint>
#include <vector>

enum class ResetOutcome {
    Reset,             // "该卡已恢复出厂密码。"
    AlreadyFactory,    // "该卡已是出厂密码，无需恢复。" nothing written
    ForeignLeft,       // "该卡有包不是本系统的密码，该包未改写。" the others were reset
    WriteFailed,       // "恢复出厂密码失败。" the card refused a trailer write
    VerifyFailed,      // "恢复出厂密码后校验失败。" a written sector does not open with the transport key
    CardNotPlaced,     // "请放置IC卡"
    SerialReadFailed,  // "读卡序列号失败。"
    CardSwapped,       // "卡片已更换，操作中止。"
    KeysUnavailable,   // "扇区密码解密失败。"
};
const char* ResetMessage(ResetOutcome outcome);

struct ResetFinding {
    int sector = 0;
    SectorOpener opener = SectorOpener::Neither;  // before the run
    bool written = false;                         // its trailer write was accepted
    bool writeFailed = false;
};

struct ResetReport {
    ResetOutcome outcome = ResetOutcome::WriteFailed;
    std::vector<ResetFinding> sectors;  // the sectors asked, in order
};

// Runs on the card with serial `serial` that the caller has just selected (0: the
// first card that answers a re-selection). Sends no signal. Link errors (no port
// open) pass to the caller as Exception. No plain key outlives the run.
ResetReport ResetCard(TCommClass& comm, std::uint32_t serial, const KeyMaterial& keys);

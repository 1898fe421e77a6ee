#include "card_init/CardInit.h"

#include "card_init/SplitFirst.h"
#include "reader_link/SectorTrailer.h"

#include <cstdlib>
#include <optional>
#include <vector>

namespace {

// Plain keys live only as long as one run needs them.
struct InstallKeys {
    std::vector<SectorKeyBytes> keys;
    ~InstallKeys() {
        for (auto& k : keys) {
            volatile std::uint8_t* p = k.data();
            for (std::size_t i = 0; i < k.size(); ++i) p[i] = 0;
        }
    }
};

void Wipe(std::string& s) {
    volatile char* p = s.data();
    for (std::size_t i = 0; i < s.size(); ++i) p[i] = 0;
    s.clear();
}

std::optional<SectorKeyBytes> Decipher(const KeyMaterial& material, const std::string& token) {
    if (!material.decrypt || token.empty()) return std::nullopt;
    std::string text;
    try {
        text = material.decrypt(token, material.keyName);
    } catch (...) {
        return std::nullopt;
    }
    if (text.size() < 6) {
        Wipe(text);
        return std::nullopt;
    }
    SectorKeyBytes key{};
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(text[i]);
    Wipe(text);
    return key;
}

// One installation key per sector of the list, all deciphered before the card is
// touched, so that a token that does not decipher never leaves a half-formatted card.
bool DecipherAll(const KeyMaterial& material, InstallKeys& out) {
    std::string sectors = kSectorList;
    std::string tokens = material.tokenList;
    std::string sector, token;
    for (;;) {
        SplitFirst(sectors, ",", sector);
        SplitFirst(tokens, ",", token);
        if (sector.empty()) return true;
        auto key = Decipher(material, token);
        if (!key) return false;
        out.keys.push_back(*key);
    }
}

ByteString AsSectorKey(const SectorKeyBytes& key) { return ByteString(key.begin(), key.end()); }

InitOutcome Report(InitOutcome outcome, const ShowInfoFn& showInfo) {
    if (showInfo) showInfo(OutcomeMessage(outcome));
    return outcome;
}

}  // namespace

const char* OutcomeMessage(InitOutcome outcome) {
    switch (outcome) {
        case InitOutcome::Ok: return "";
        case InitOutcome::CardNotPlaced: return "请放置IC卡";
        case InitOutcome::SerialReadFailed: return "读卡序列号失败。";
        case InitOutcome::NotANewCard: return "扇区密码校验失败，该卡不是新卡。";
        case InitOutcome::AlreadyInitialized: return "该卡已初始化。";
        case InitOutcome::InitFailed: return "初始化包号失败。";
        case InitOutcome::KeysUnavailable: return "扇区密码解密失败。";
    }
    return "";
}

InitOutcome InitializeCard(TCommClass& comm, const KeyMaterial& keys, const ShowInfoFn& showInfo) {
    bool writeOk = false;
    int alreadyCount = 0;

    InstallKeys installKeys;
    if (!DecipherAll(keys, installKeys)) return Report(InitOutcome::KeysUnavailable, showInfo);

    std::string sectorList = kSectorList;
    std::string sectorItem;
    SplitFirst(sectorList, ",", sectorItem);
    std::size_t index = 0;

    while (!sectorItem.empty()) {
        comm.SectorNo = std::atoi(sectorItem.c_str());
        comm.AuthEnabled = true;
        SectorKeyBytes workKey = kTransportKey;
        comm.SectorKey = AsSectorKey(workKey);
        const SectorKeyBytes& installKey = installKeys.keys[index];

        if (!comm.AuthenticateSector()) {
            // Not on the transport key: it may already carry the installation key.
            // A failed authentication drops the card, so wake and select it again.
            workKey = installKey;
            if (!comm.RequestCard()) return Report(InitOutcome::CardNotPlaced, showInfo);
            std::uint32_t serial = 0;
            if (!comm.ReadCardSerial(serial)) return Report(InitOutcome::SerialReadFailed, showInfo);
            comm.SectorKey = AsSectorKey(workKey);
            if (!comm.AuthenticateSector()) return Report(InitOutcome::NotANewCard, showInfo);
            ++alreadyCount;
        }

        workKey = installKey;
        if (!comm.WriteSectorTrailer(workKey)) {
            writeOk = false;
            break;
        }
        writeOk = true;
        SplitFirst(sectorList, ",", sectorItem);
        ++index;
    }

    if (alreadyCount == 2) return Report(InitOutcome::AlreadyInitialized, showInfo);
    if (writeOk) {
        comm.SendSignal(2);
        comm.SendSignal(3);
        return InitOutcome::Ok;
    }
    return Report(InitOutcome::InitFailed, showInfo);
}

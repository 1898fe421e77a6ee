#include "card_init/CardInit.h"

#include "card_init/SplitFirst.h"
#include "cryptel/SecureWipe.h"
#include "platform/DebugChannel.h"
#include "reader_link/SectorTrailer.h"

#include <cstdlib>
#include <optional>
#include <vector>

namespace {

// One sector of the run, in the order of the sector list: its number and the
// installation key deciphered from its token.
struct SectorStep {
    int sector = 0;
    SectorKeyBytes installKey{};
};

// Every plain key of one run: the installation key of each sector and the key in
// hand. The steps are reserved for all sectors before the first key goes in, so no
// reallocation leaves a copy behind in freed memory. All of it is wiped on every
// way out of the run, exceptions included, and so is the link's SectorKey: nothing
// reads it once the run is over.
class RunKeys {
public:
    explicit RunKeys(TCommClass& comm) : comm_(comm) {}
    ~RunKeys() {
        for (SectorStep& step : sectors) cryptel::WipeBytes(step.installKey.data(), step.installKey.size());
        cryptel::WipeBytes(work.data(), work.size());
        cryptel::WipeBytes(comm_.SectorKey.data(), comm_.SectorKey.size());
        comm_.SectorKey.clear();
    }
    RunKeys(const RunKeys&) = delete;
    RunKeys& operator=(const RunKeys&) = delete;

    // SectorKey := the key in hand, written over the old bytes in place: a fresh
    // buffer would free the old one with the previous key still in it.
    void OfferWorkKey() { comm_.SectorKey.assign(work.begin(), work.end()); }

    std::vector<SectorStep> sectors;
    SectorKeyBytes work{};

private:
    TCommClass& comm_;
};

// The deciphered text is taken where it is made (no moved-from copy of it stays
// behind) and wiped as soon as its six key bytes are out.
bool Decipher(const KeyMaterial& material, const std::string& token, SectorKeyBytes& key) {
    if (!material.decrypt || token.empty()) return false;
    try {
        std::string text = material.decrypt(token, material.keyName);
        const bool whole = text.size() >= key.size();
        if (whole)
            for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(text[i]);
        cryptel::WipeBytes(text.data(), text.size());
        return whole;
    } catch (...) {
        return false;
    }
}

std::vector<int> SectorNumbers() {
    std::vector<int> numbers;
    std::string list = kSectorList;
    std::string item;
    for (SplitFirst(list, ",", item); !item.empty(); SplitFirst(list, ",", item))
        numbers.push_back(std::atoi(item.c_str()));
    return numbers;
}

// The sector list and the token list taken apart once, into one step per sector. All
// keys are deciphered before the card is touched, so that a token that does not
// decipher never leaves a half-formatted card.
bool PlanSectors(const KeyMaterial& material, std::vector<SectorStep>& steps) {
    const std::vector<int> numbers = SectorNumbers();
    steps.reserve(numbers.size());
    std::string tokens = material.tokenList;
    std::string token;
    for (const int number : numbers) {
        SplitFirst(tokens, ",", token);
        steps.push_back(SectorStep{number, {}});
        if (!Decipher(material, token, steps.back().installKey)) return false;
    }
    return true;
}

// Wakes and selects the card again. The card that answers must be the run's: a
// card laid on in its place would otherwise get the rest of the run.
InitOutcome Reselect(TCommClass& comm, std::uint32_t& runSerial) {
    if (!comm.RequestCard()) return InitOutcome::CardNotPlaced;
    std::uint32_t serial = 0;
    if (!comm.ReadCardSerial(serial)) return InitOutcome::SerialReadFailed;
    if (runSerial == 0) runSerial = serial;
    if (serial != runSerial) return InitOutcome::CardSwapped;
    return InitOutcome::Ok;
}

// Proves on the card what the run wrote, before the card counts as formatted.
//
// Replies carry nothing that says which request they answer, and every status
// reply (0A 00) looks like every other: a reader that answers a command twice, or
// answers so late that the repeat takes the answer, shifts every later reply by
// one, and a refused trailer write then passes for done. No waiting rule closes
// that; asking the card does. The sequence:
//   wake and select the card (its serial must be the run's): after a write the
//     card must be selected again before a sector can be opened;
//   open every sector with its installation key;
//   wake and select it once more.
// The last exchange is a select, whose reply (36 00 and the serial) no status
// reply can stand in for: an answer shifted anywhere in the run arrives at the end
// in its place and fails it. A shift of exactly the distance back to the first
// select would need that select, and the opens in between, to be shifted the same
// way, which the status replies of the writes before them break.
InitOutcome Verify(TCommClass& comm, std::uint32_t& runSerial, RunKeys& keys) {
    const auto selectedAgain = [&]() -> std::optional<InitOutcome> {
        const InitOutcome selected = Reselect(comm, runSerial);
        if (selected == InitOutcome::Ok) return std::nullopt;
        // Another card laid on says so; anything else leaves the write unproven.
        return selected == InitOutcome::CardSwapped ? selected : InitOutcome::VerifyFailed;
    };
    if (const auto failed = selectedAgain()) return *failed;
    for (const SectorStep& step : keys.sectors) {
        comm.SectorNo = step.sector;
        comm.AuthEnabled = true;
        keys.work = step.installKey;
        keys.OfferWorkKey();
        if (!comm.AuthenticateSector()) return InitOutcome::VerifyFailed;
    }
    if (const auto failed = selectedAgain()) return *failed;
    return InitOutcome::Ok;
}

// Opens the sector for its trailer write. A new card opens with the transport key,
// an initialized one with the installation key. A failed authentication drops the
// card, so each further try wakes and selects it again. When the installation key
// fails too, the transport key gets one more try: a fresh card lifted and laid back
// between two sectors failed the first try only because it was away. The exchanges
// of a new and of an initialized card stay as they were; only a card that neither
// key opens pays for the extra try.
InitOutcome OpenSector(TCommClass& comm, std::uint32_t& runSerial, RunKeys& keys, const SectorStep& step,
                       bool& withInstallKey) {
    comm.SectorNo = step.sector;
    comm.AuthEnabled = true;
    withInstallKey = false;
    keys.work = kTransportKey;
    keys.OfferWorkKey();
    if (comm.AuthenticateSector()) return InitOutcome::Ok;

    keys.work = step.installKey;
    if (InitOutcome selected = Reselect(comm, runSerial); selected != InitOutcome::Ok) return selected;
    keys.OfferWorkKey();
    if (comm.AuthenticateSector()) {
        withInstallKey = true;
        return InitOutcome::Ok;
    }

    keys.work = kTransportKey;
    if (InitOutcome selected = Reselect(comm, runSerial); selected != InitOutcome::Ok) return selected;
    keys.OfferWorkKey();
    return comm.AuthenticateSector() ? InitOutcome::Ok : InitOutcome::NotANewCard;
}

// The run without its message: the keys are gone before the operator is asked to
// confirm anything (a dialog may stay up for long).
InitOutcome RunOnCard(TCommClass& comm, std::uint32_t serial, const KeyMaterial& keys, const InitOptions& options) {
    bool writeOk = false;
    std::size_t alreadyCount = 0;
    std::uint32_t runSerial = serial;

    RunKeys runKeys(comm);
    if (!PlanSectors(keys, runKeys.sectors)) {
        // The operator sees only the message; whoever reads the trace learns which
        // file was refused and why.
        if (!keys.problemForTrace.empty() && platform::DebugChannelActive())
            platform::DebugOutput("密钥库不可用：" + keys.problemForTrace);
        return InitOutcome::KeysUnavailable;
    }

    for (const SectorStep& step : runKeys.sectors) {
        bool withInstallKey = false;
        if (InitOutcome opened = OpenSector(comm, runSerial, runKeys, step, withInstallKey); opened != InitOutcome::Ok)
            return opened;
        if (withInstallKey) ++alreadyCount;

        runKeys.work = step.installKey;
        writeOk = comm.WriteSectorTrailer(runKeys.work);
        if (!writeOk) break;  // the remaining sectors are not touched
    }

    // Every sector opened already with its installation key (the last write may
    // have failed: the card carried the keys before it).
    const bool alreadyInitialized = alreadyCount == runKeys.sectors.size();
    if (!writeOk && !alreadyInitialized) return InitOutcome::InitFailed;
    if (options.verify) {
        if (InitOutcome verified = Verify(comm, runSerial, runKeys); verified != InitOutcome::Ok) return verified;
    }
    if (alreadyInitialized) return InitOutcome::AlreadyInitialized;
    comm.SendSignal(2);
    comm.SendSignal(3);
    return InitOutcome::Ok;
}

}  // namespace

InitOutcome InitializeCard(TCommClass& comm, std::uint32_t serial, const KeyMaterial& keys, const ShowInfoFn& showInfo,
                           const InitOptions& options) {
    const InitOutcome outcome = RunOnCard(comm, serial, keys, options);
    if (outcome != InitOutcome::Ok && showInfo) showInfo(OutcomeMessage(outcome));
    return outcome;
}

const char* OutcomeMessage(InitOutcome outcome) {
    switch (outcome) {
        case InitOutcome::Ok: return "";
        case InitOutcome::CardNotPlaced: return "请放置IC卡";
        case InitOutcome::SerialReadFailed: return "读卡序列号失败。";
        case InitOutcome::NotANewCard: return "扇区密码校验失败，该卡不是新卡。";
        case InitOutcome::AlreadyInitialized: return "该卡已初始化。";
        case InitOutcome::InitFailed: return "初始化包号失败。";
        case InitOutcome::KeysUnavailable: return "扇区密码解密失败。";
        case InitOutcome::CardSwapped: return "卡片已更换，初始化中止。";
        case InitOutcome::VerifyFailed: return "扇区密码写入后校验失败。";
    }
    return "";
}

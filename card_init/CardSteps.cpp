#include "card_init/CardSteps.h"

#include "card_init/SplitFirst.h"
#include "cryptel/SecureWipe.h"
#include "platform/DebugChannel.h"

#include <cstdlib>
#include <string>

namespace card_steps {
namespace {

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

}  // namespace

RunKeys::~RunKeys() {
    for (SectorStep& step : sectors) cryptel::WipeBytes(step.installKey.data(), step.installKey.size());
    cryptel::WipeBytes(work.data(), work.size());
    cryptel::WipeBytes(comm_.SectorKey.data(), comm_.SectorKey.size());
    comm_.SectorKey.clear();
}

bool PlanSectors(const KeyMaterial& material, std::vector<SectorStep>& steps) {
    const std::vector<int> numbers = SectorNumbers();
    steps.reserve(numbers.size());
    std::string tokens = material.tokenList;
    std::string token;
    for (const int number : numbers) {
        SplitFirst(tokens, ",", token);
        steps.push_back(SectorStep{number, {}});
        if (!Decipher(material, token, steps.back().installKey)) {
            // The operator sees only the message; whoever reads the trace learns
            // which file was refused and why.
            if (!material.problemForTrace.empty() && platform::DebugChannelActive())
                platform::DebugOutput("密钥库不可用：" + material.problemForTrace);
            return false;
        }
    }
    return true;
}

InitOutcome Reselect(TCommClass& comm, std::uint32_t& runSerial) {
    if (!comm.RequestCard()) return InitOutcome::CardNotPlaced;
    std::uint32_t serial = 0;
    if (!comm.ReadCardSerial(serial)) return InitOutcome::SerialReadFailed;
    if (runSerial == 0) runSerial = serial;
    if (serial != runSerial) return InitOutcome::CardSwapped;
    return InitOutcome::Ok;
}

}  // namespace card_steps

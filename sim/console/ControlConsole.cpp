#include "sim/console/ControlConsole.h"

#include <algorithm>
#include <sstream>

#include "sim/console/HexText.h"

namespace sim {
namespace {

constexpr int kShownSectors[] = {5, 6};

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

ControlConsole::Answer Error(const std::string& what) { return {"error " + what}; }

// Applies one "key5=..." style setting; false when it is not one.
bool ApplySetting(MifareCard& card, const std::string& word) {
    const auto eq = word.find('=');
    if (eq == std::string::npos) return false;
    const std::string name = word.substr(0, eq), value = word.substr(eq + 1);
    if (name.size() != 4) return false;
    const int sector = name[3] - '0';
    if (sector != 5 && sector != 6) return false;
    const std::string field = name.substr(0, 3);
    if (field == "key") {
        const auto bytes = ParseHexBytes(value, 6);
        if (!bytes) return false;
        Key key{};
        std::copy(bytes->begin(), bytes->end(), key.begin());
        card.SetKeyA(sector, key);
        return true;
    }
    if (field == "acc") {
        const auto bytes = ParseHexBytes(value, 4);
        if (!bytes) return false;
        AccessBytes access{};
        std::copy(bytes->begin(), bytes->end(), access.begin());
        card.SetAccess(sector, access);
        return true;
    }
    return false;
}

}  // namespace

std::string DumpLine(const MifareCard& card) {
    std::string line = "card " + SerialText(card.Serial());
    for (int sector : kShownSectors) {
        const TrailerBytes t = card.Trailer(sector);
        line += " s" + std::to_string(sector) + " " + HexText(t.data(), 6) + " " + HexText(t.data() + 6, 4) + " " +
                HexText(t.data() + 10, 6);
    }
    return line;
}

ControlConsole::Answer ControlConsole::Handle(const std::string& line) {
    const std::vector<std::string> words = Words(line);
    if (words.empty()) return Error("empty or overlong line");
    const std::string& verb = words[0];
    if (verb == "place") return Place(words);
    if (verb == "remove" && words.size() == 1) return Remove();
    if (verb == "dump") return Dump(words);
    if (verb == "signals" && words.size() == 1) return Signals();
    if (verb == "silent") return Silent(words);
    if (verb == "exchanges" && words.size() == 1) return {"exchanges " + std::to_string(reader_.ExchangeCount())};
    if (verb == "link") return Link(words);
    if (verb == "unplug" && words.size() == 1) {
        reader_.Hangup();
        return {"ok unplugged"};
    }
    if (verb == "replug") return Replug(words);
    if (verb == "quit" && words.size() == 1) return {"ok quit", true};
    return Error("unknown command: " + line);
}

ControlConsole::Answer ControlConsole::Place(const std::vector<std::string>& words) {
    if (words.size() < 2) return Error("place needs a serial");
    const std::optional<std::uint32_t> serial = ParseSerial(words[1]);
    if (!serial) return Error("bad serial " + words[1]);

    bool fresh = false;
    MifareCard card(*serial);
    for (std::size_t i = 2; i < words.size(); ++i) {
        if (words[i] == "fresh") {
            fresh = true;
        } else if (ApplySetting(card, words[i])) {
            fresh = true;
        } else {
            return Error("bad setting " + words[i]);
        }
    }
    if (!fresh) {
        if (std::optional<MifareCard> known = reader_.CardBySerial(*serial)) card = *known;
    }
    reader_.PlaceCard(card);
    return {"ok placed " + SerialText(*serial)};
}

ControlConsole::Answer ControlConsole::Remove() {
    const std::optional<MifareCard> card = reader_.CardOnReader();
    if (!card) return {"ok no card"};
    reader_.RemoveCard();
    return {"ok removed " + SerialText(card->Serial())};
}

ControlConsole::Answer ControlConsole::Dump(const std::vector<std::string>& words) {
    if (words.size() > 2) return Error("dump takes at most one serial");
    if (words.size() == 1) {
        const std::optional<MifareCard> card = reader_.CardOnReader();
        return card ? Answer{DumpLine(*card)} : Error("no card on the reader");
    }
    const std::optional<std::uint32_t> serial = ParseSerial(words[1]);
    if (!serial) return Error("bad serial " + words[1]);
    const std::optional<MifareCard> card = reader_.CardBySerial(*serial);
    return card ? Answer{DumpLine(*card)} : Error("unknown card " + SerialText(*serial));
}

ControlConsole::Answer ControlConsole::Signals() {
    std::string line = "signals";
    for (const SignalRecord& s : reader_.Signals()) line += " " + HexText(&s.mode, 1) + "@" + SerialText(s.serial);
    return {line};
}

ControlConsole::Answer ControlConsole::Silent(const std::vector<std::string>& words) {
    if (words.size() != 2 || (words[1] != "on" && words[1] != "off")) return Error("silent wants on or off");
    reader_.SetSilent(words[1] == "on");
    return {"ok silent " + words[1]};
}

ControlConsole::Answer ControlConsole::Link(const std::vector<std::string>& words) {
    if (words.size() != 2) return Error("link wants one port name");
    if (!reader_.LinkAs(words[1])) return Error("cannot link " + words[1]);
    return {"ok linked " + words[1]};
}

ControlConsole::Answer ControlConsole::Replug(const std::vector<std::string>& words) {
    if (words.size() > 2) return Error("replug takes at most one port name");
    if (words.size() == 1) return reader_.Reappear() ? Answer{"ok replugged"} : Error("no pty to replug on");
    if (!reader_.ReappearAs(words[1])) return Error("cannot replug as " + words[1]);
    return {"ok replugged as " + words[1]};
}

}  // namespace sim

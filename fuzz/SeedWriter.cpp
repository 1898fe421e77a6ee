// Writes the fuzz targets' seed corpora (fuzz/corpus/<target>/) from the frames this
// tool really exchanges: requests built by TCommClass::BuildFrame for one card's
// formatting, and the simulated reader's replies to them.
//
//   build-fuzz/bin/fuzz_seed_writer fuzz/corpus
#include "cryptel/InstallationKeys.h"
#include "reader_link/CommObjClas.h"
#include "sim/Framing.h"
#include "sim/ReaderModel.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Exchange {
    std::string name;
    ByteString request;  // the command bytes
    ByteString reply;    // the whole reply frame
};

ByteString Concat(std::initializer_list<ByteString> pieces) {
    ByteString out;
    for (const auto& p : pieces) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// One new card formatted on the simulated reader: the commands in the order the
// probe, the card watcher and the card procedure send them.
// Stand-in keys take the installation's place: plain keys stay out of the repository.
std::vector<Exchange> CardSession() {
    const ByteString key5{0x1F, 0x2E, 0x3D, 0x4C, 0x5B, 0x6A};
    const ByteString key6{0x79, 0x88, 0x97, 0xA6, 0xB5, 0xC4};
    const ByteString trailerRest = Concat({ByteString(kTrailerAccessBytes.begin(), kTrailerAccessBytes.end()),
                                           ByteString(kTrailerKeyB.begin(), kTrailerKeyB.end())});
    const ByteString transport(kTransportKey.begin(), kTransportKey.end());
    const std::vector<std::pair<std::string, ByteString>> commands = {
        {"probe", {0x01, 0x00}},
        {"request-card", {0x30, 0x01}},
        {"read-serial", {0x31, 0x00}},
        {"auth-sector5", Concat({{0x32, 20}, transport})},
        {"write-trailer5", Concat({{0x34, 23}, key5, trailerRest})},
        {"auth-sector6", Concat({{0x32, 24}, transport})},
        {"write-trailer6", Concat({{0x34, 27}, key6, trailerRest})},
        {"signal2", {0x38, 0x02}},
        {"signal3", {0x38, 0x03}},
        {"auth-sector5-again", Concat({{0x32, 20}, transport})},  // refused: the key has changed
    };
    sim::ReaderModel reader;
    reader.PlaceCard(sim::MifareCard(0x1A2B3C4D));
    std::vector<Exchange> session;
    for (const auto& [name, command] : commands)
        session.push_back({name, command, sim::FrameReply(reader.Execute(command))});
    return session;
}

void Write(const fs::path& dir, const std::string& name, const ByteString& bytes) {
    fs::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

ByteString Text(const std::string& s) { return ByteString(s.begin(), s.end()); }

// Collector script ops (see CollectorFuzzer.cpp).
ByteString Queue(const ByteString& bytes) {
    ByteString op;
    for (std::size_t at = 0; at < bytes.size(); at += 256) {
        const std::size_t n = std::min<std::size_t>(256, bytes.size() - at);
        op.push_back(0x00);
        op.push_back(static_cast<std::uint8_t>(n - 1));
        op.insert(op.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                  bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    return op;
}
ByteString Steps(int n) { return {static_cast<std::uint8_t>(4 | ((n - 1) << 3))}; }
ByteString Run(std::uint8_t value, std::uint16_t count) {
    return {0x05, value, static_cast<std::uint8_t>(count & 0xFF), static_cast<std::uint8_t>(count >> 8)};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seed_writer CORPUS_DIR\n");
        return 2;
    }
    const fs::path root = argv[1];
    const auto session = CardSession();

    // Reply frames, one per file, and one spoiled on the line.
    for (const auto& e : session) Write(root / "fuzz_frame_received", e.name, e.reply);
    ByteString spoiled = session[2].reply;
    sim::SpoilChecksum(spoiled);
    Write(root / "fuzz_frame_received", "read-serial-bad-checksum", spoiled);

    // Replies as the receive worker meets them: whole, in pieces, back to back,
    // behind noise, an echoed request or a flipped length byte, after a flood past
    // the purge limit, cut off by a discard.
    const ByteString& serial = session[2].reply;
    const ByteString& status = session[4].reply;
    Write(root / "fuzz_collector", "whole-reply", Concat({Queue(serial), Steps(2)}));
    Write(root / "fuzz_collector", "reply-in-pieces",
          Concat({Queue(ByteString(serial.begin(), serial.begin() + 5)), Steps(2),
                  Queue(ByteString(serial.begin() + 5, serial.begin() + 15)), Steps(1),
                  Queue(ByteString(serial.begin() + 15, serial.end())), Steps(2)}));
    Write(root / "fuzz_collector", "two-replies-back-to-back", Concat({Queue(Concat({status, serial})), Steps(3)}));
    Write(root / "fuzz_collector", "noise-then-reply",
          Concat({Queue({0x00, 0x13, 0xFF}), Steps(2), Queue(status), Steps(2)}));
    Write(root / "fuzz_collector", "echoed-request-then-reply",
          Concat({Queue(Concat({TCommClass::BuildFrame(session[2].request, 0), serial})), Steps(2)}));
    ByteString flipped = status;
    flipped[frame::kReply.LengthAt()] ^= 0x80;
    Write(root / "fuzz_collector", "flipped-length-then-reply", Concat({Queue(Concat({flipped, serial})), Steps(2)}));
    Write(root / "fuzz_collector", "flood-then-reply",
          Concat({Queue(ByteString(status.begin(), status.begin() + 6)), Steps(1), Run(0xA5, 2100), Steps(1),
                  Queue(ByteString(status.begin() + 6, status.end())), Steps(2)}));
    Write(root / "fuzz_collector", "rejected-then-discarded",
          Concat({ByteString{0x07}, Queue(status), Steps(2), ByteString{0x0F},
                  Queue(ByteString(serial.begin(), serial.begin() + 9)), Steps(1), ByteString{0x06}, Queue(serial),
                  Steps(2)}));

    // Requests as the simulated reader reads them: the whole session in one piece,
    // byte by byte, in odd chunks, with noise and a spoiled frame among them.
    ByteString stream;
    for (const auto& e : session) {
        const ByteString frame = TCommClass::BuildFrame(e.request, 0);
        Write(root / "fuzz_request_parser", "request-" + e.name, Concat({{0x01, 0x00}, frame}));
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    Write(root / "fuzz_request_parser", "session-whole", Concat({{0x01, 0xFF}, stream}));
    Write(root / "fuzz_request_parser", "session-bytewise", Concat({{0x00}, stream}));
    Write(root / "fuzz_request_parser", "session-odd-chunks", Concat({{0x03, 2, 5, 170}, stream}));
    ByteString spoiledRequest = TCommClass::BuildFrame(session[3].request, 0);
    sim::SpoilChecksum(spoiledRequest);
    Write(root / "fuzz_request_parser", "noise-spoiled-good",
          Concat({{0x02, 4, 1},
                  {0xA5, 0xFF, 0xA5, 0x00},
                  spoiledRequest,
                  {0xFF, 0xA5},
                  TCommClass::BuildFrame({0x01, 0x00}, 0)}));

    // Lists the card procedure splits: the sector list and the token list.
    Write(root / "fuzz_split_first", "sectors", Concat({{0x01, ','}, Text("5,6")}));
    Write(root / "fuzz_split_first", "tokens", Concat({{0x01, ','}, Text(InstallationKeyTokens())}));
    Write(root / "fuzz_split_first", "empty-items", Concat({{0x01, ','}, Text(",a,,b,")}));
    Write(root / "fuzz_split_first", "two-character-delimiter", Concat({{0x02, ';', ';'}, Text("12;;34;;;5")}));

    // Tokens and key names: the installation's own, in lower case, under a wrong
    // name, one digit short, one digit long, with a character that is no digit.
    const std::string tokens = InstallationKeyTokens();
    const std::string name = InstallationKeyName();
    const std::string t5 = tokens.substr(0, 14), t6 = tokens.substr(15, 14);
    std::string lower = t6;
    for (char& c : lower)
        if (c >= 'A' && c <= 'F') c = static_cast<char>(c - 'A' + 'a');
    const std::vector<std::pair<std::string, std::string>> tokenSeeds = {
        {"sector5", t5 + '\0' + name},
        {"sector6", t6 + '\0' + name},
        {"lower-case", lower + '\0' + name},
        {"wrong-name", t5 + '\0' + "CFMT02"},
        {"short", t5.substr(0, 13) + '\0' + name},
        {"long", t5 + "0" + '\0' + name},
        {"not-hex", t5.substr(0, 13) + "G" + '\0' + name},
        {"no-name", t5},
    };
    for (const auto& [file, text] : tokenSeeds) Write(root / "fuzz_decrypt_string", file, Text(text));
    return 0;
}

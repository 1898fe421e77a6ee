// TCommClass::OnFrameReceived on arbitrary byte strings, as the receive worker hands
// them over. Each input is judged twice (accepted preset false, then true); the
// verdict and what lands in ReplyBuffer are checked against the frame rules, with
// the checksum recomputed here by other means than Crc16Frame (the offsets are the
// layout's names). An accepted frame leaves one trace line showing the start of
// ReplyBuffer; any other leaves none.
#include "fuzz/FuzzCheck.h"
#include "platform/DebugChannel.h"
#include "reader_link/CommObjClas.h"
#include "reader_link/CrcUnit.h"
#include "reader_link/FrameLayout.h"
#include "reader_link/RequestTrace.h"

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::uint8_t kUntouched = 0x5C;
constexpr frame::Shape kReply = frame::kReply;
constexpr std::size_t kCheckedFrom = kReply.HeaderAt();
// Bytes that are not under the checksum: preamble, length, complement, checksum, terminator.
constexpr std::size_t kUnchecked = kReply.Overhead() - frame::kHeaderSize;

// The frame checksum as CRC-16/XMODEM of all but the last two bytes, XORed with
// those two read as a word: the same remainder, reached another way.
std::uint16_t ReferenceChecksum(const std::uint8_t* data, std::size_t count) {
    if (count < 2) return 0;
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i + 2 < count; ++i) {
        crc ^= static_cast<std::uint16_t>(data[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc =
                (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021) : static_cast<std::uint16_t>(crc << 1);
    }
    return static_cast<std::uint16_t>(crc ^ ((data[count - 2] << 8) | data[count - 1]));
}

enum class Verdict { Ignored, BadChecksum, Good };

Verdict Expected(const std::uint8_t* f, std::size_t n) {
    // Fewer than two bytes under the checksum leave nothing to divide.
    if (n < kUnchecked + 2 || n > static_cast<std::size_t>(TCommClass::kReplyBufferSize)) return Verdict::Ignored;
    const auto& preamble = frame::kReplyPreamble;
    if (std::memcmp(f, preamble.data(), preamble.size()) != 0) return Verdict::Ignored;
    if (f[n - 1] != frame::kTerminator || f[kReply.ComplementAt()] != static_cast<std::uint8_t>(~f[kReply.LengthAt()]))
        return Verdict::Ignored;
    const std::size_t body = n - kUnchecked;  // from after the complement up to the checksum
    const std::uint8_t* checksum = f + kReply.ChecksumAt(static_cast<std::int32_t>(n));
    const std::uint16_t stored = static_cast<std::uint16_t>((checksum[0] << 8) | checksum[1]);
    return ReferenceChecksum(f + kCheckedFrom, body) == stored ? Verdict::Good : Verdict::BadChecksum;
}

bool All(const std::uint8_t* from, const std::uint8_t* to, std::uint8_t value) {
    for (; from < to; ++from)
        if (*from != value) return false;
    return true;
}

TCommClass& Link() {
    static TCommClass link{TCommClass::PortOpener{}};
    return link;
}

std::vector<std::string>& TraceLines() {
    static std::vector<std::string> lines;
    static const bool installed = [] {
        platform::SetDebugSink([](const std::string& line) { lines.push_back(line); });
        return true;
    }();
    (void)installed;
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > INT_MAX) return 0;
    TCommClass& link = Link();
    const std::uint8_t* buffer = link.ReplyBuffer;
    const std::uint8_t* bufferEnd = buffer + TCommClass::kReplyBufferSize;
    const Verdict verdict = Expected(data, size);
    if (verdict != Verdict::Ignored)
        FUZZ_CHECK(Crc16Frame(data + kCheckedFrom, static_cast<std::int32_t>(size - kUnchecked)) ==
                   ReferenceChecksum(data + kCheckedFrom, size - kUnchecked));

    std::vector<std::string>& trace = TraceLines();
    for (bool preset : {false, true}) {
        std::memset(link.ReplyBuffer, kUntouched, sizeof link.ReplyBuffer);
        trace.clear();
        bool accepted = preset;
        link.OnFrameReceived(data, static_cast<std::int32_t>(size), accepted);
        if (verdict == Verdict::Good) {
            FUZZ_CHECK(trace.size() == 1 && trace[0] == kReceiveLabel + HexDump(buffer, 41));
        } else {
            FUZZ_CHECK(trace.empty());
        }
        switch (verdict) {
            case Verdict::Ignored:
                FUZZ_CHECK(accepted == preset);
                FUZZ_CHECK(All(buffer, bufferEnd, kUntouched));
                break;
            case Verdict::BadChecksum:
                FUZZ_CHECK(!accepted);
                FUZZ_CHECK(All(buffer, bufferEnd, 0xFF));
                break;
            case Verdict::Good: {
                FUZZ_CHECK(accepted);
                // The payload follows the four header bytes; a frame too short for them has none.
                const std::size_t overhead = kReply.Overhead();
                const std::size_t payload = size > overhead ? size - overhead : 0;
                FUZZ_CHECK(std::memcmp(buffer, data + kReply.BodyAt(), payload) == 0);
                FUZZ_CHECK(All(buffer + payload, bufferEnd, kUntouched));
                break;
            }
        }
    }
    return 0;
}

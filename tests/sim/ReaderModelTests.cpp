// The reader's answers to each command, without any line in between.
#include "sim/ReaderModel.h"

#include <gtest/gtest.h>

namespace {

using sim::MifareCard;
using sim::ReaderModel;

const ByteString kOk = {0x0A, 0x00};
const ByteString kUnknown = {0x0A, 0x0F};
const ByteString kWake = {0x30, 0x01};
const ByteString kSelect = {0x31, 0x00};

ByteString Auth(std::uint8_t block, const ByteString& key = ByteString(6, 0xFF)) {
    ByteString c = {0x32, block};
    c.insert(c.end(), key.begin(), key.end());
    return c;
}

ByteString WriteTrailer(std::uint8_t block, const ByteString& keyA, const ByteString& access, const ByteString& keyB) {
    ByteString c = {0x34, block};
    for (const ByteString* part : {&keyA, &access, &keyB}) c.insert(c.end(), part->begin(), part->end());
    return c;
}

ReaderModel WithCard(std::uint32_t serial) {
    ReaderModel reader;
    reader.PlaceCard(MifareCard(serial));
    return reader;
}

TEST(ReaderModelCommands, ProbeAnswersWithZeroThirdByte) {
    ReaderModel reader;
    const ByteString reply = reader.Execute({0x01, 0x00});
    ASSERT_GE(reply.size(), 3u);
    EXPECT_EQ(reply[2], 0x00);
}

TEST(ReaderModelCommands, RequestCardWithAndWithoutCard) {
    ReaderModel empty;
    EXPECT_EQ(empty.Execute(kWake), (ByteString{0x0A, 0x01}));
    ReaderModel reader = WithCard(7);
    EXPECT_EQ(reader.Execute(kWake), (ByteString{0x0A, 0x00, 0x04, 0x00}));
    EXPECT_EQ(reader.CardOnReader()->State(), sim::CardState::Ready);
}

TEST(ReaderModelCommands, SerialComesLeastSignificantByteFirst) {
    ReaderModel reader = WithCard(0x12345678);
    reader.Execute(kWake);
    EXPECT_EQ(reader.Execute(kSelect), (ByteString{0x36, 0x00, 0x78, 0x56, 0x34, 0x12, 0x08}));
    EXPECT_EQ(reader.CardOnReader()->State(), sim::CardState::Active);
}

TEST(ReaderModelCommands, SerialNeedsAWokenCard) {
    ReaderModel empty;
    EXPECT_EQ(empty.Execute(kSelect), (ByteString{0x36, 0x01}));
    ReaderModel reader = WithCard(1);
    EXPECT_EQ(reader.Execute(kSelect), (ByteString{0x36, 0x01}));
}

TEST(ReaderModelCommands, FullFormatOfOneSector) {
    ReaderModel reader = WithCard(0xA1B2C3D4);
    EXPECT_EQ(reader.Execute(kWake)[1], 0x00);
    EXPECT_EQ(reader.Execute(kSelect)[1], 0x00);
    EXPECT_EQ(reader.Execute(Auth(23)), kOk);
    const ByteString keyA = {1, 2, 3, 4, 5, 6}, access = {0x7F, 0x07, 0x88, 0x69}, keyB = {9, 8, 7, 6, 5, 4};
    EXPECT_EQ(reader.Execute(WriteTrailer(23, keyA, access, keyB)), kOk);
    const sim::TrailerBytes t = reader.CardOnReader()->Trailer(5);
    EXPECT_EQ(ByteString(t.begin(), t.begin() + 6), keyA);
    EXPECT_EQ(ByteString(t.begin() + 6, t.begin() + 10), access);
    EXPECT_EQ(ByteString(t.begin() + 10, t.end()), keyB);
}

TEST(ReaderModelCommands, FailedAuthenticationNeedsWakeAndSelectAgain) {
    ReaderModel reader = WithCard(1);
    reader.Execute(kWake);
    reader.Execute(kSelect);
    EXPECT_EQ(reader.Execute(Auth(23, {1, 2, 3, 4, 5, 6})), (ByteString{0x0A, 0x02}));
    EXPECT_EQ(reader.Execute(Auth(23)), (ByteString{0x0A, 0x02}));
    EXPECT_EQ(reader.Execute(kSelect), (ByteString{0x36, 0x01}));
    reader.Execute(kWake);
    reader.Execute(kSelect);
    EXPECT_EQ(reader.Execute(Auth(23)), kOk);
}

TEST(ReaderModelCommands, MalformedAuthenticationFails) {
    for (const ByteString& bad : {ByteString{0x32}, ByteString{0x32, 23}, Auth(23, ByteString(5, 0xFF)),
                                  Auth(23, ByteString(7, 0xFF)), Auth(64), Auth(200)}) {
        ReaderModel reader = WithCard(1);
        reader.Execute(kWake);
        reader.Execute(kSelect);
        EXPECT_EQ(reader.Execute(bad), (ByteString{0x0A, 0x02})) << bad.size();
        EXPECT_EQ(reader.CardOnReader()->State(), sim::CardState::Idle);
    }
    ReaderModel empty;
    EXPECT_EQ(empty.Execute(Auth(23)), (ByteString{0x0A, 0x02}));
}

TEST(ReaderModelCommands, RefusedTrailerWritesAnswerWriteError) {
    const ByteString key(6, 0x11), access = {0xFF, 0x07, 0x80, 0x69};
    ReaderModel reader = WithCard(1);
    EXPECT_EQ(reader.Execute(WriteTrailer(23, key, access, key)), (ByteString{0x0A, 0x03}));  // not authenticated
    reader.Execute(kWake);
    reader.Execute(kSelect);
    reader.Execute(Auth(23));
    EXPECT_EQ(reader.Execute(WriteTrailer(27, key, access, key)), (ByteString{0x0A, 0x03}));  // other sector
    EXPECT_EQ(reader.Execute(WriteTrailer(22, key, access, key)), (ByteString{0x0A, 0x03}));  // data block
    ByteString shortWrite = WriteTrailer(23, key, access, key);
    shortWrite.pop_back();
    EXPECT_EQ(reader.Execute(shortWrite), (ByteString{0x0A, 0x03}));
    EXPECT_EQ(reader.Execute({0x34}), (ByteString{0x0A, 0x03}));
    EXPECT_EQ(reader.CardOnReader()->Trailer(5), MifareCard(1).Trailer(5));
    ReaderModel empty;
    EXPECT_EQ(empty.Execute(WriteTrailer(23, key, access, key)), (ByteString{0x0A, 0x03}));
}

TEST(ReaderModelCommands, WakeUpFromAuthenticatedDropsTheAuthentication) {
    ReaderModel reader = WithCard(1);
    reader.Execute(kWake);
    reader.Execute(kSelect);
    ASSERT_EQ(reader.Execute(Auth(23)), kOk);
    reader.Execute(kWake);
    const ByteString key(6, 0x11), access = {0xFF, 0x07, 0x80, 0x69};
    EXPECT_EQ(reader.Execute(WriteTrailer(23, key, access, key)), (ByteString{0x0A, 0x03}));
}

TEST(ReaderModelCommands, UnknownAndMisshapenCommands) {
    ReaderModel reader = WithCard(1);
    for (const ByteString& c : {ByteString{0x00}, ByteString{0x33, 0x00}, ByteString{0xFF}, ByteString{0x01},
                                ByteString{0x01, 0x01}, ByteString{0x30}, ByteString{0x30, 0x00},
                                ByteString{0x31, 0x01}, ByteString{0x38}, ByteString{0x38, 0x03, 0x00}, ByteString{}}) {
        EXPECT_EQ(reader.Execute(c), kUnknown) << c.size();
    }
    EXPECT_TRUE(reader.Signals().empty());
}

TEST(ReaderModelSignals, RecordedInOrderWithTheCardOnTheReader) {
    ReaderModel reader;
    EXPECT_EQ(reader.Execute({0x38, 0x01}), kOk);
    reader.PlaceCard(MifareCard(0xBEEF));
    EXPECT_EQ(reader.Execute({0x38, 0x03}), kOk);
    reader.RemoveCard();
    EXPECT_EQ(reader.Execute({0x38, 0x02}), kOk);
    const auto& s = reader.Signals();
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].mode, 1);
    EXPECT_EQ(s[0].serial, 0u);
    EXPECT_EQ(s[1].mode, 3);
    EXPECT_EQ(s[1].serial, 0xBEEFu);
    EXPECT_EQ(s[2].mode, 2);
    EXPECT_EQ(s[2].serial, 0u);
}

TEST(ReaderModelCards, RemovedCardKeepsItsTrailersAndComesBackIdle) {
    ReaderModel reader = WithCard(42);
    reader.Execute(kWake);
    reader.Execute(kSelect);
    reader.Execute(Auth(27));
    const ByteString key(6, 0x5A), access = {0xFF, 0x07, 0x80, 0x69};
    ASSERT_EQ(reader.Execute(WriteTrailer(27, key, access, key)), kOk);
    reader.RemoveCard();
    EXPECT_FALSE(reader.CardOnReader().has_value());
    EXPECT_EQ(reader.Execute(kWake), (ByteString{0x0A, 0x01}));
    const auto kept = reader.CardBySerial(42);
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(kept->KeyA(6), (sim::Key{0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A}));
    EXPECT_EQ(kept->State(), sim::CardState::Idle);
    EXPECT_FALSE(reader.CardBySerial(43).has_value());
}

TEST(ReaderModelCards, PlacingAnotherCardTakesThePlaceOfTheFirst) {
    ReaderModel reader = WithCard(1);
    reader.Execute(kWake);
    reader.PlaceCard(MifareCard(2));
    EXPECT_EQ(reader.CardOnReader()->Serial(), 2u);
    EXPECT_EQ(reader.CardBySerial(1)->State(), sim::CardState::Idle);
    // A card arrives unpowered, whatever state its copy was in.
    EXPECT_EQ(reader.Execute(kSelect), (ByteString{0x36, 0x01}));
}

}  // namespace

// Reply frames as the reader sends them, for tests.
#pragma once

#include "reader_link/ByteString.h"
#include "reader_link/CrcUnit.h"

inline ByteString ReplyFrame(const ByteString& payload, const ByteString& header = {0x00, 0x00, 0xFF, 0xFF}) {
    ByteString body = header;
    body.insert(body.end(), payload.begin(), payload.end());
    std::uint16_t crc = Crc16Frame(body.data(), static_cast<std::int32_t>(body.size()));
    ByteString f{0xFF, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0x00};
    auto len = static_cast<std::uint8_t>(body.size() + 2);
    f.push_back(len);
    f.push_back(static_cast<std::uint8_t>(~len));
    f.insert(f.end(), body.begin(), body.end());
    f.push_back(static_cast<std::uint8_t>(crc >> 8));
    f.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    f.push_back(0xFF);
    return f;
}

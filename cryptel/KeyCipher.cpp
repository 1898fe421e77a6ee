#include "cryptel/KeyCipher.h"

#include <algorithm>
#include <stdexcept>

#include "cryptel/AesBlockCipher.h"
#include "cryptel/CheckNibblePermutations.h"
#include "cryptel/Feistel48.h"
#include "cryptel/HexText.h"
#include "cryptel/KeyDerivation.h"
#include "cryptel/ParityNibbles.h"

namespace cryptel {
namespace {

DataNibbles SplitNibbles(const Block48& bytes) {
    DataNibbles nibbles{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        nibbles[2 * i] = static_cast<std::uint8_t>(bytes[i] >> 4);
        nibbles[2 * i + 1] = static_cast<std::uint8_t>(bytes[i] & 0xFu);
    }
    return nibbles;
}

ParityPair CheckDigits(const Block48& enciphered, AesBlockCipher& aes) {
    const ParityPair parity = ParityNibbles(SplitNibbles(enciphered));
    const CheckNibblePermutations permutations = MakeCheckNibblePermutations(aes);
    return {permutations[0][parity[0]], permutations[1][parity[1]]};
}

bool HasZeroByte(const std::array<std::uint8_t, 6>& key) {
    return std::find(key.begin(), key.end(), std::uint8_t{0}) != key.end();
}

}  // namespace
}  // namespace cryptel

std::string EncipherKey(const std::array<std::uint8_t, 6>& key, const std::string& keyName) {
    using namespace cryptel;
    if (keyName.empty()) throw std::invalid_argument("the key name is empty");
    if (HasZeroByte(key)) {
        throw std::invalid_argument("a key with a 00 byte cannot be carried by a text token");
    }
    CipherKey cipherKey;
    DeriveCipherKey(keyName, cipherKey);
    AesBlockCipher aes(cipherKey);
    const Block48 enciphered = FeistelEncipher(aes, key);
    const ParityPair check = CheckDigits(enciphered, aes);
    std::string token = BytesToHex(enciphered.data(), enciphered.size());
    token += UpperHexDigit(check[0]);
    token += UpperHexDigit(check[1]);
    return token;
}

std::optional<std::array<std::uint8_t, 6>> DecipherToken(const std::string& token, const std::string& keyName) {
    using namespace cryptel;
    if (keyName.empty() || token.size() != kTokenLength) return std::nullopt;
    std::array<std::uint8_t, kTokenLength> digits{};
    for (std::size_t i = 0; i < kTokenLength; ++i) {
        const auto value = HexDigitValue(token[i]);
        if (!value) return std::nullopt;
        digits[i] = *value;
    }
    Block48 enciphered{};
    for (std::size_t i = 0; i < enciphered.size(); ++i) {
        enciphered[i] = static_cast<std::uint8_t>((digits[2 * i] << 4) | digits[2 * i + 1]);
    }

    CipherKey cipherKey;
    DeriveCipherKey(keyName, cipherKey);
    AesBlockCipher aes(cipherKey);
    const ParityPair check = CheckDigits(enciphered, aes);
    if (check[0] != digits[12] || check[1] != digits[13]) return std::nullopt;
    const Block48 key = FeistelDecipher(aes, enciphered);
    // EncipherKey never makes a token for such a key, so this can only be a
    // wrong name whose check digits happened to agree.
    if (HasZeroByte(key)) return std::nullopt;
    return key;
}

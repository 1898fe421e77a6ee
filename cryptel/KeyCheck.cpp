#include "cryptel/KeyCheck.h"

#include <gcrypt.h>

#include <stdexcept>
#include <string_view>

#include "cryptel/GcryptRuntime.h"
#include "cryptel/HexText.h"
#include "cryptel/SecureWipe.h"

namespace cryptel {

namespace {

// Changing the label or the count changes every check value: both name the format.
constexpr std::string_view kSaltLabel = "cardfmt key check v1:";
// Slow enough that guessing keys from the value is slower than guessing them on
// a card; a few milliseconds once per program start.
constexpr unsigned long kIterations = 20000;

}  // namespace

std::string KeyCheckValue(const std::string& keyName, const std::vector<std::array<std::uint8_t, 6>>& keys) {
    EnsureGcryptReady();
    std::vector<std::uint8_t> secret;
    secret.reserve(keys.size() * 6);
    for (const auto& key : keys) secret.insert(secret.end(), key.begin(), key.end());
    std::string salt(kSaltLabel);
    salt += keyName;

    SecretBytes<4> value;
    const gcry_error_t failed =
        gcry_kdf_derive(secret.data(), secret.size(), GCRY_KDF_PBKDF2, GCRY_MD_SHA256, salt.data(), salt.size(),
                        kIterations, value.bytes.size(), value.bytes.data());
    WipeBytes(secret.data(), secret.size());
    if (failed != 0)
        throw std::runtime_error(std::string("libgcrypt cannot make the key check value: ") + gcry_strerror(failed));
    return BytesToHex(value.bytes.data(), value.bytes.size());
}

}  // namespace cryptel

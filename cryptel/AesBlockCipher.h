// AES-256 applied to single 16-byte blocks, the building block of every keyed
// function in the token format.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cryptel/KeyDerivation.h"

struct gcry_cipher_handle;

namespace cryptel {

inline constexpr std::size_t kAesBlockSize = 16;

// First byte of every block enciphered under a token key. Distinct values keep
// the keyed functions built on the same AES key independent of one another.
enum class BlockDomain : std::uint8_t {
    FeistelRound = 0x01,
    CheckNibble = 0x02,
};

class AesBlockCipher {
public:
    // Throws std::runtime_error when libgcrypt fails.
    explicit AesBlockCipher(const CipherKey& key);
    AesBlockCipher(const AesBlockCipher&) = delete;
    AesBlockCipher& operator=(const AesBlockCipher&) = delete;
    ~AesBlockCipher();

    // Enciphers `count` consecutive blocks in place, each on its own.
    void EncryptBlocks(std::uint8_t* blocks, std::size_t count);

private:
    gcry_cipher_handle* handle_ = nullptr;
};

}  // namespace cryptel

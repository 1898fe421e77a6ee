#include "cryptel/AesBlockCipher.h"

#include <gcrypt.h>

#include <stdexcept>

#include "cryptel/GcryptRuntime.h"

namespace cryptel {

AesBlockCipher::AesBlockCipher(const CipherKey& key) {
    EnsureGcryptReady();
    // ECB is right here: every block is an independent input to a keyed
    // function, never a stretch of a longer message.
    if (gcry_cipher_open(&handle_, GCRY_CIPHER_AES256, GCRY_CIPHER_MODE_ECB, 0) != 0) {
        throw std::runtime_error("libgcrypt cannot open AES-256");
    }
    if (gcry_cipher_setkey(handle_, key.bytes.data(), key.bytes.size()) != 0) {
        gcry_cipher_close(handle_);
        throw std::runtime_error("libgcrypt rejected the AES-256 key");
    }
}

// libgcrypt wipes the key schedule when the handle is closed.
AesBlockCipher::~AesBlockCipher() { gcry_cipher_close(handle_); }

void AesBlockCipher::EncryptBlocks(std::uint8_t* blocks, std::size_t count) {
    if (gcry_cipher_encrypt(handle_, blocks, count * kAesBlockSize, nullptr, 0) != 0) {
        throw std::runtime_error("libgcrypt failed to encipher a block");
    }
}

}  // namespace cryptel

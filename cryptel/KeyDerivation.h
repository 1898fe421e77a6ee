// Turns a key name into the AES-256 key that enciphers tokens under that name.
#pragma once

#include <string_view>

#include "cryptel/SecureWipe.h"

namespace cryptel {

using CipherKey = SecretBytes<32>;

// HMAC-SHA-256 keyed with a fixed label of this format, over the key name.
// The label keeps these keys apart from any other use of the same name.
// Throws std::runtime_error when libgcrypt fails.
void DeriveCipherKey(std::string_view keyName, CipherKey& out);

}  // namespace cryptel

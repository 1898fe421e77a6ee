#include "cryptel/Cryptel.h"

#include <array>
#include <cstddef>
#include <string>

#include "cryptel/KeyCipher.h"
#include "cryptel/SecureWipe.h"

const char* DecryptString(const char* token, const char* keyName) {
    // One buffer per thread is what lets concurrent callers each keep their
    // own result without any locking.
    thread_local std::array<char, 7> text{};
    // The previous key must not survive a failed call.
    cryptel::WipeBytes(text.data(), text.size());
    if (token == nullptr || keyName == nullptr) return text.data();

    // Read no further than one character past a token's length: a long
    // argument is rejected without being copied.
    std::size_t length = 0;
    while (length <= cryptel::kTokenLength && token[length] != '\0') ++length;
    if (length != cryptel::kTokenLength) return text.data();

    try {
        const auto key = DecipherToken(std::string(token, length), std::string(keyName));
        if (key) {
            for (std::size_t i = 0; i < key->size(); ++i) text[i] = static_cast<char>((*key)[i]);
        }
    } catch (...) {
        // No exception may cross the C boundary; failure reads as "".
        cryptel::WipeBytes(text.data(), text.size());
    }
    return text.data();
}

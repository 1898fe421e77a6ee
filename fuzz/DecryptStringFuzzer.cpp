// The key library's DecryptString(token, keyName) on arbitrary zero-terminated texts:
// the input up to its first 00 byte is the token, the rest (up to the next 00) the
// key name, each copied into a buffer of exactly its length plus the terminator, so
// a read past either is caught. The result must be a zero-terminated text of six
// characters or none; six only for a token of 14 hexadecimal digits and a non-empty
// name, and then enciphering those six bytes under the name gives the token back.
// A failed call after it gives "" again.
#include "cryptel/Cryptel.h"
#include "cryptel/KeyCipher.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The text up to the next 00 byte (or the end), as a zero-terminated buffer of its size.
std::vector<char> NextText(InputCursor& in) {
    std::vector<char> text;
    while (!in.Empty()) {
        const auto c = static_cast<char>(in.Byte());
        if (c == '\0') break;
        text.push_back(c);
    }
    text.push_back('\0');
    text.shrink_to_fit();
    return text;
}

bool IsTokenShape(const std::vector<char>& token) {
    return token.size() == 15 && std::all_of(token.begin(), token.end() - 1, [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
           });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InputCursor in(data, size);
    const std::vector<char> token = NextText(in);
    const std::vector<char> keyName = NextText(in);

    const char* result = DecryptString(token.data(), keyName.data());
    FUZZ_CHECK(result != nullptr);
    const std::size_t length = strnlen(result, 7);
    FUZZ_CHECK(length == 0 || length == 6);
    if (!IsTokenShape(token) || keyName.size() == 1) FUZZ_CHECK(length < 6);

    if (length == 6) {
        std::array<std::uint8_t, 6> key{};
        std::memcpy(key.data(), result, key.size());
        std::string upper(token.data());
        for (char& c : upper)
            if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
        FUZZ_CHECK(EncipherKey(key, std::string(keyName.data())) == upper);
        // The same token again gives the same key.
        FUZZ_CHECK(std::memcmp(DecryptString(token.data(), keyName.data()), key.data(), key.size()) == 0);
    }

    const char* after = DecryptString(nullptr, keyName.data());
    FUZZ_CHECK(after != nullptr && after[0] == '\0');
    return 0;
}

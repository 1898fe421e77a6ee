// The installation keys, deciphered at run time from the built-in tokens, so tests
// can lay cards that already carry them; the plain keys exist in no file.
#pragma once

#include "card_init/KeyMaterial.h"
#include "card_init/SplitFirst.h"
#include "sim/MifareCard.h"

#include <stdexcept>

namespace harness {

inline sim::Key InstallKeyFor(int sector) {
    KeyMaterial keys = InstallationKeyMaterial();
    std::string list = keys.tokenList, token;
    SplitFirst(list, ",", token);
    if (sector == 6) SplitFirst(list, ",", token);
    std::string text = keys.decrypt(token, keys.keyName);
    if (text.size() < 6) throw std::runtime_error("installation token does not decipher");
    sim::Key key{};
    for (int i = 0; i < 6; ++i) key[i] = static_cast<std::uint8_t>(text[i]);
    return key;
}

// Trailer access bytes under which key A may not rewrite the trailer (key B may).
inline constexpr sim::AccessBytes kKeyBOnlyAccess{0x7F, 0x07, 0x88, 0x69};

}  // namespace harness

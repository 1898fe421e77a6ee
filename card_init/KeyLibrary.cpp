#include "card_init/KeyLibrary.h"

#include "card_init/SplitFirst.h"
#include "cryptel/Cryptel.h"
#include "cryptel/InstallationKeyCheck.h"
#include "cryptel/InstallationKeys.h"
#include "cryptel/KeyCheck.h"
#include "cryptel/SecureWipe.h"
#include "platform/SharedLibrary.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The calls the program looks up, each with what its absence means.
constexpr const char* kDecryptName = "DecryptString";
constexpr const char* kWipeName = "CryptelWipe";
constexpr const char* kIdentityName = "CryptelIdentity";

constexpr const char* kAdvice =
    "; put back the key library that came with cardfmt (on Windows: Cryptel.dll, libgcrypt-20.dll and "
    "libgpg-error-0.dll beside the program), or install cardfmt again";
constexpr const char* kAdviceForTrace =
    "；请放回本程序自带的密钥库(Cryptel.dll、libgcrypt-20.dll、libgpg-error-0.dll)或重新安装本程序";

// Symbols come back as plain addresses; calling through the wrong type is what the
// identity check is there to rule out.
template <typename Fn>
Fn As(void* address) {
    return reinterpret_cast<Fn>(address);
}

}  // namespace

KeyLibrary::KeyLibrary(std::unique_ptr<platform::SharedLibrary> library, const std::string& path,
                       const std::string& loadError, const Expectation& expected)
    : library_(std::move(library)), path_(library_ ? library_->Path() : path) {
    if (!library_) {
        Refuse("the key library " + path_ + " cannot be loaded: " + loadError,
               "密钥库 " + path_ + " 无法加载：" + loadError);
        return;
    }
    Prove(expected);
}

KeyLibrary::~KeyLibrary() = default;

void KeyLibrary::Refuse(const std::string& why, const std::string& whyForTrace) {
    problem_ = why + kAdvice;
    problemForTrace_ = whyForTrace + kAdviceForTrace;
    decryptString_ = nullptr;
    wipe_ = nullptr;
}

bool KeyLibrary::Prove(const Expectation& expected) {
    // The identity first: only a library that says it is ours has its calls'
    // types known, and only then may they be called at all.
    std::string missing;
    for (const char* name : {kIdentityName, kDecryptName, kWipeName}) {
        if (library_->Find(name) == nullptr) missing += (missing.empty() ? "" : ", ") + std::string(name);
    }
    if (!missing.empty()) {
        Refuse(path_ + " is not cardfmt's key library: it has no " + missing,
               path_ + " 不是本程序的密钥库(缺少 " + missing + ")");
        return false;
    }
    const char* identity = As<CryptelIdentityFn>(library_->Find(kIdentityName))();
    if (identity == nullptr || std::strcmp(identity, CRYPTEL_IDENTITY) != 0) {
        const std::string said = identity ? identity : "(nothing)";
        Refuse(path_ + " is not this version's key library: it says \"" + said + "\", not \"" CRYPTEL_IDENTITY "\"",
               path_ + " 不是本程序这一版本的密钥库");
        return false;
    }
    decryptString_ = As<CryptelDecryptStringFn>(library_->Find(kDecryptName));
    wipe_ = As<CryptelWipeFn>(library_->Find(kWipeName));

    // Then what it deciphers: every token into a key, and all keys together into
    // the check value the build made of them.
    std::vector<std::array<std::uint8_t, 6>> keys;
    std::string tokens = expected.tokenList, token;
    keys.reserve(tokens.size());  // never reallocated: no key copy left in freed memory
    bool whole = true;
    for (SplitFirst(tokens, ",", token); !token.empty(); SplitFirst(tokens, ",", token)) {
        std::string text = Decrypt(token, expected.keyName);
        whole = whole && text.size() >= 6;
        std::array<std::uint8_t, 6> key{};
        for (std::size_t i = 0; whole && i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(text[i]);
        cryptel::WipeBytes(text.data(), text.size());
        keys.push_back(key);
        cryptel::WipeBytes(key.data(), key.size());
    }
    std::string check;
    try {
        if (whole && !keys.empty()) check = cryptel::KeyCheckValue(expected.keyName, keys);
    } catch (const std::exception&) {
        check.clear();  // libgcrypt failed: nothing proven
    }
    for (auto& key : keys) cryptel::WipeBytes(key.data(), key.size());
    if (!whole || keys.empty()) {
        Refuse(path_ + " does not decipher the key tokens built into this program",
               path_ + " 解不开本程序内置的扇区密码");
        return false;
    }
    if (check != expected.check) {
        Refuse(path_ + " deciphers the built-in key tokens into other keys than this program was built with",
               path_ + " 解出的扇区密码与本程序的不符");
        return false;
    }
    return true;
}

std::string KeyLibrary::Decrypt(const std::string& token, const std::string& keyName) const {
    if (decryptString_ == nullptr) return "";
    const char* text = decryptString_(token.c_str(), keyName.c_str());
    std::string copy = text ? text : "";
    // The library's buffer keeps the key until this thread's next call: wipe it
    // now that the copy is taken.
    if (text) wipe_(const_cast<char*>(text), copy.size());
    return copy;
}

const KeyLibrary& KeyLibrary::Installed() {
    static const KeyLibrary library = [] {
        std::string error;
        auto loaded = platform::SharedLibrary::OpenOwn("Cryptel", error);
        return KeyLibrary(std::move(loaded), "Cryptel", error,
                          Expectation{InstallationKeyTokens(), InstallationKeyName(), InstallationKeyCheck()});
    }();
    return library;
}

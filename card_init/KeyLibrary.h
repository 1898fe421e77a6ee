// The key library (Cryptel) as the card procedure meets it: loaded at run time and
// trusted with a card only once it has shown to be this program's own. It must
// export the three calls, say CRYPTEL_IDENTITY, and decipher the tokens it is
// given into keys with the check value the build made of them. Anything else (the
// water-control software's own Cryptel.dll put in its place, a damaged file, one
// of another version) is refused before a card is touched, with a reason that
// names the file.
#pragma once

#include <memory>
#include <string>

namespace platform {
class SharedLibrary;
}

class KeyLibrary {
public:
    // What the library must decipher, and into what.
    struct Expectation {
        std::string tokenList;  // "T5,T6"
        std::string keyName;
        std::string check;  // their keys' check value (cryptel/KeyCheck.h)
    };

    // Judges `library`; a null one could not be loaded (`path` and `loadError`
    // say which and why).
    KeyLibrary(std::unique_ptr<platform::SharedLibrary> library, const std::string& path, const std::string& loadError,
               const Expectation& expected);
    ~KeyLibrary();
    KeyLibrary(const KeyLibrary&) = delete;
    KeyLibrary& operator=(const KeyLibrary&) = delete;

    // This program's own copy with the built-in tokens, loaded and judged on the
    // first call; the same object for the rest of the process.
    static const KeyLibrary& Installed();

    bool Usable() const { return problem_.empty(); }
    // Why it is refused and what to do, for the command line (English) and for
    // the trace (Chinese); "" when usable.
    const std::string& Problem() const { return problem_; }
    const std::string& ProblemForTrace() const { return problemForTrace_; }

    // The deciphered text of `token` (its first six characters are the key), with
    // the library's own copy wiped; "" when the library is refused or the token
    // does not decipher. The caller wipes the text it gets.
    std::string Decrypt(const std::string& token, const std::string& keyName) const;

private:
    void Refuse(const std::string& why, const std::string& whyForTrace);
    bool Prove(const Expectation& expected);

    std::unique_ptr<platform::SharedLibrary> library_;
    std::string path_;
    const char* (*decryptString_)(const char*, const char*) = nullptr;
    void (*wipe_)(void*, std::size_t) = nullptr;
    std::string problem_, problemForTrace_;
};

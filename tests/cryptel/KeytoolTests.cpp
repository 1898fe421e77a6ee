#include <gtest/gtest.h>

#include <sstream>

#include "TestKeys.h"
#include "cryptel/Cryptel.h"
#include "cryptel/HexText.h"
#include "cryptel/keytool/Keytool.h"

using namespace cryptel_test;

namespace {

struct ToolRun {
    int code;
    std::string out;
    std::string err;
};

ToolRun Keytool(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = cryptel::RunKeytool(args, out, err);
    return {code, out.str(), err.str()};
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

}  // namespace

TEST(Keytool, RefusesKeyWithZeroByte) {
    for (const char* key : {"00A1B2C3D4E5", "A1B2C3D4E500", "A1B200C3D4E5"}) {
        const ToolRun run = Keytool({"--key-name", "CFMT01", "--key", key});
        EXPECT_EQ(run.code, 2) << key;
        EXPECT_TRUE(run.out.empty()) << key;
        EXPECT_NE(run.err.find("00 byte"), std::string::npos) << run.err;
    }
}

TEST(Keytool, PrintedTokenDecodesAndDecryptsToTheKey) {
    std::mt19937 rng(41);
    for (int i = 0; i < 5; ++i) {
        const Key key = RandomKey(rng);
        const std::string hex = cryptel::BytesToHex(key.data(), key.size());
        const ToolRun made = Keytool({"--key-name", "SITE01", "--key", hex});
        ASSERT_EQ(made.code, 0) << made.err;
        const std::string token = Trimmed(made.out);

        const ToolRun decoded = Keytool({"--decode", token, "--key-name", "SITE01"});
        EXPECT_EQ(decoded.code, 0) << decoded.err;
        EXPECT_EQ(Trimmed(decoded.out), hex);
        EXPECT_EQ(std::string(DecryptString(token.c_str(), "SITE01")), KeyText(key));
    }
}

TEST(Keytool, AcceptsLowerCaseKeyDigits) {
    const ToolRun lower = Keytool({"--key-name", "SITE01", "--key", "a1b2c3d4e5f6"});
    const ToolRun upper = Keytool({"--key-name", "SITE01", "--key", "A1B2C3D4E5F6"});
    EXPECT_EQ(lower.code, 0);
    EXPECT_EQ(lower.out, upper.out);
}

TEST(Keytool, DecodeOfBadTokenExitsOne) {
    const ToolRun made = Keytool({"--key-name", "SITE01", "--key", "A1B2C3D4E5F6"});
    const std::string token = Trimmed(made.out);
    const std::string damaged = WithDigit(token, 3, (DigitValue(token[3]) + 1) % 16);
    for (const std::string& bad : {damaged, token.substr(0, 13), token + "0", std::string("XYZ")}) {
        const ToolRun run = Keytool({"--decode", bad, "--key-name", "SITE01"});
        EXPECT_EQ(run.code, 1) << bad;
        EXPECT_TRUE(run.out.empty()) << bad;
        EXPECT_FALSE(run.err.empty()) << bad;
    }
}

TEST(Keytool, BadArgumentsExitTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--key", "A1B2C3D4E5F6"},
        {"--key-name", "", "--key", "A1B2C3D4E5F6"},
        {"--key-name", "SITE01"},
        {"--key-name", "SITE01", "--key"},
        {"--key-name", "SITE01", "--key", "A1B2C3D4E5"},
        {"--key-name", "SITE01", "--key", "A1B2C3D4E5F6A7"},
        {"--key-name", "SITE01", "--key", "A1B2C3D4E5G6"},
        {"--key-name", "SITE01", "--key", "A1B2C3D4E5F6", "--decode", "00000000000000"},
        {"--key-name", "SITE01", "--key-name", "SITE02", "--key", "A1B2C3D4E5F6"},
        {"--key-name", "SITE01", "--frobnicate"},
        {"--check-installation", "--key-name", "SITE01"},
    };
    for (const auto& args : cases) {
        const ToolRun run = Keytool(args);
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        EXPECT_EQ(run.code, 2) << joined;
        EXPECT_TRUE(run.out.empty()) << joined;
        EXPECT_FALSE(run.err.empty()) << joined;
    }
}

TEST(Keytool, HelpExitsZeroAndNamesEveryMode) {
    for (const char* flag : {"--help", "-h"}) {
        const ToolRun run = Keytool({flag});
        EXPECT_EQ(run.code, 0);
        for (const char* word :
             {"--key-name", "--key ", "--decode", "--check-installation", "Exit codes", "Examples"}) {
            EXPECT_NE(run.out.find(word), std::string::npos) << word;
        }
    }
}

TEST(Keytool, RefusesTheTransportKeyAndAllZerosAsInstallationKeys) {
    for (const char* key : {"FFFFFFFFFFFF", "ffffffffffff", "000000000000"}) {
        const ToolRun run = Keytool({"--key-name", "CFMT01", "--key", key});
        EXPECT_EQ(run.code, 2) << key;
        EXPECT_TRUE(run.out.empty()) << key;
        EXPECT_NE(run.err.find("cannot be an installation key"), std::string::npos) << run.err;
    }
}

// The check value the build puts beside the tokens: it must tell key sets apart
// (order included), and there is none for a token that does not decipher.
TEST(Keytool, KeyCheckTellsKeySetsApartAndNeedsEveryTokenToDecipher) {
    const std::string a = Trimmed(Keytool({"--key-name", "SITE01", "--key", "A1B2C3D4E5F6"}).out);
    const std::string b = Trimmed(Keytool({"--key-name", "SITE01", "--key", "0102030405AB"}).out);
    const auto check = [](const std::string& tokens, const char* name = "SITE01") {
        return Keytool({"--key-check", tokens, "--key-name", name});
    };
    const ToolRun ab = check(a + "," + b);
    ASSERT_EQ(ab.code, 0) << ab.err;
    EXPECT_EQ(Trimmed(ab.out).size(), 8u) << ab.out;
    EXPECT_EQ(check(a + "," + b).out, ab.out);
    EXPECT_NE(check(b + "," + a).out, ab.out);
    EXPECT_NE(check(a + "," + a).out, ab.out);

    const std::string damaged = WithDigit(b, 5, (DigitValue(b[5]) + 1) % 16);
    for (const ToolRun& run : {check(a + "," + damaged), check(a + ",", "SITE01"), check(a + "," + b, "SITE02")}) {
        EXPECT_EQ(run.code, 1) << run.out;
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_NE(run.err.find("does not decipher"), std::string::npos) << run.err;
    }
}

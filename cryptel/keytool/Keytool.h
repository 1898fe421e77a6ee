// cardfmt-keytool: makes and checks sector key tokens for an installation.
// Kept apart from main() so that the tests drive it without a process.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace cryptel {

enum KeytoolExit : int {
    kKeytoolOk = 0,
    kKeytoolTokenRejected = 1,  // a token does not decipher
    kKeytoolUsage = 2,          // bad arguments, or a key that cannot be a token
    kKeytoolFailure = 3,        // libgcrypt failed
};

// Runs the tool on `args` (without the program name) and returns its exit code.
int RunKeytool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

void PrintKeytoolHelp(std::ostream& out);

}  // namespace cryptel

#include "cryptel/keytool/Keytool.h"

namespace cryptel {

void PrintKeytoolHelp(std::ostream& out) {
    out << R"(cardfmt-keytool: make and check the sector key tokens of an installation.

Usage:
  cardfmt-keytool --key-name NAME --key HEX12
      Prints the token (14 hexadecimal digits) of the 6-byte key HEX12 under
      the key name NAME. A key with a 00 byte is refused: it cannot be carried
      by a text token.
  cardfmt-keytool --decode TOKEN --key-name NAME
      Prints the key inside TOKEN as 12 hexadecimal digits, so an installer
      can check a token before building it in.
  cardfmt-keytool --check-installation
      Checks that both tokens built into this program decipher under the
      built-in key name, without showing the keys.
  cardfmt-keytool --key-check TOKEN5,TOKEN6 --key-name NAME
      Prints the check value (8 hexadecimal digits) of the keys inside the
      tokens. The build puts it beside the tokens, and the programs refuse a
      key library that deciphers the tokens into keys with another value.
  cardfmt-keytool --help

Examples:
  cardfmt-keytool --key-name SITE01 --key 1A2B3C4D5E6F
  cardfmt-keytool --decode <token printed above> --key-name SITE01
  Then configure the build with
    -DCARDFMT_KEY_NAME=SITE01 -DCARDFMT_KEY_TOKENS=<sector 5 token>,<sector 6 token>

A token catches any one or two mistyped digits. A wrong key name is caught
for about 255 tokens in 256, not always: 14 digits leave no room for more.

Exit codes:
  0  done
  1  a token does not decipher (mistyped, or another key name)
  2  bad arguments, or a key that cannot be made into a token
  3  the cryptographic library failed
)";
}

}  // namespace cryptel

// The sector keys this installation writes, as built into the program: only
// their enciphered tokens and the key name they decipher under are kept.
#pragma once

// "TOKEN5,TOKEN6": the token of the sector 5 key, a comma, the token of the
// sector 6 key, each 14 upper-case hexadecimal digits.
const char* InstallationKeyTokens();

// The key name to pass to DecryptString with either token.
const char* InstallationKeyName();

// True when the build carries the demo keys (the build's defaults), which no real
// installation uses: cards formatted with them are of no use there.
bool InstallationKeysAreDemo();

// The check value (cryptel/KeyCheck.h) of the sector keys inside the tokens built
// into this program, made at build time. A key library that deciphers the tokens
// into keys with another value is not to be trusted with a card.
#pragma once

const char* InstallationKeyCheck();

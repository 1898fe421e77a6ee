#include "cryptel/Cryptel.h"

const char* CryptelIdentity(void) { return CRYPTEL_IDENTITY; }

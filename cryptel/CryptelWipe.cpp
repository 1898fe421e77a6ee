#include "cryptel/Cryptel.h"

#include "cryptel/SecureWipe.h"

// The library's own wipe, exported, so that callers do not keep a second copy of it.
void CryptelWipe(void* data, size_t count) {
    if (data == nullptr || count == 0) return;
    cryptel::WipeBytes(data, count);
}

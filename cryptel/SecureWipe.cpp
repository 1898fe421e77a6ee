#include "cryptel/SecureWipe.h"

namespace cryptel {

void WipeBytes(void* data, std::size_t count) {
    // Stores through a volatile pointer count as observable, so they survive
    // dead-store elimination even right before the memory is freed.
    volatile auto* p = static_cast<volatile unsigned char*>(data);
    for (std::size_t i = 0; i < count; ++i) p[i] = 0;
}

}  // namespace cryptel

// libgcrypt must be initialised exactly once per process before first use.
#pragma once

namespace cryptel {

// Initialises libgcrypt on the first call from any thread, unless the host
// program already did. Throws std::runtime_error when the libgcrypt found at
// run time is older than the one the library was built against.
void EnsureGcryptReady();

}  // namespace cryptel

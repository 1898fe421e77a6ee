#include "cryptel/GcryptRuntime.h"

#include <gcrypt.h>

#include <mutex>
#include <stdexcept>
#include <string>

namespace cryptel {

void EnsureGcryptReady() {
    static std::once_flag once;
    static bool usable = false;
    std::call_once(once, [] {
        // Also checks that the DLL or shared object loaded at run time is not
        // older than the headers; an older one may lack what we call.
        if (gcry_check_version(GCRYPT_VERSION) == nullptr) return;
        // A host program that uses libgcrypt itself may have set it up its
        // own way already; initialising twice is not allowed.
        if (!gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P)) {
            // Secure (locked) memory is not available on every platform we
            // ship to, and we wipe our own key buffers instead.
            gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
            gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
        }
        usable = true;
    });
    if (!usable) {
        throw std::runtime_error(std::string("libgcrypt is older than ") + GCRYPT_VERSION +
                                 ", the version this library was built against");
    }
}

}  // namespace cryptel

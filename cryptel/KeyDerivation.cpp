#include "cryptel/KeyDerivation.h"

#include <gcrypt.h>

#include <stdexcept>

#include "cryptel/GcryptRuntime.h"

namespace cryptel {

namespace {

// Changing this text changes every token; it names the format's version.
// At least 14 bytes, the shortest HMAC key libgcrypt accepts in FIPS mode.
constexpr std::string_view kLabel = "cardfmt cryptel token key v1";

class MacHandle {
public:
    MacHandle() {
        if (gcry_mac_open(&handle_, GCRY_MAC_HMAC_SHA256, 0, nullptr) != 0) {
            throw std::runtime_error("libgcrypt cannot open HMAC-SHA-256");
        }
    }
    MacHandle(const MacHandle&) = delete;
    MacHandle& operator=(const MacHandle&) = delete;
    ~MacHandle() { gcry_mac_close(handle_); }
    gcry_mac_hd_t get() const { return handle_; }

private:
    gcry_mac_hd_t handle_ = nullptr;
};

}  // namespace

void DeriveCipherKey(std::string_view keyName, CipherKey& out) {
    EnsureGcryptReady();
    MacHandle mac;
    std::size_t length = out.bytes.size();
    if (gcry_mac_setkey(mac.get(), kLabel.data(), kLabel.size()) != 0 ||
        gcry_mac_write(mac.get(), keyName.data(), keyName.size()) != 0 ||
        gcry_mac_read(mac.get(), out.bytes.data(), &length) != 0 || length != out.bytes.size()) {
        throw std::runtime_error("libgcrypt failed to derive the cipher key");
    }
}

}  // namespace cryptel

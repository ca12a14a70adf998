#include "SecureRandom.h"

#include <openssl/evp.h>
#include <sys/random.h>
#include <cerrno>
#include <cstring>
#include <memory>

namespace platform {
namespace {

bool systemRandom(void* buffer, std::size_t length)
{
    auto* p = static_cast<unsigned char*>(buffer);
    while (length > 0) {
        const ssize_t n = getrandom(p, length, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

struct CipherDeleter {
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};

} // namespace

bool secureRandomBytes(void* buffer, std::size_t length)
{
    if (length == 0)
        return true;
    // Small requests come straight from the kernel. Large ones are the
    // keystream of ChaCha20 under a fresh kernel-drawn key and nonce: as
    // unpredictable as the key, and several times faster than the kernel's
    // generator, so a random pass is limited by the disk, not by this.
    if (length < 4096)
        return systemRandom(buffer, length);

    unsigned char key[32];
    unsigned char iv[16];
    if (!systemRandom(key, sizeof key) || !systemRandom(iv, sizeof iv))
        return false;
    std::unique_ptr<EVP_CIPHER_CTX, CipherDeleter> ctx(EVP_CIPHER_CTX_new());
    bool ok = ctx && EVP_EncryptInit_ex(ctx.get(), EVP_chacha20(), nullptr, key, iv) == 1;
    auto* out = static_cast<unsigned char*>(buffer);
    // Encrypting zeros yields the keystream itself.
    std::memset(out, 0, length);
    std::size_t done = 0;
    while (ok && done < length) {
        const std::size_t chunk = std::min<std::size_t>(length - done, 1u << 30);
        int written = 0;
        ok = EVP_EncryptUpdate(ctx.get(), out + done, &written, out + done, static_cast<int>(chunk)) == 1;
        done += static_cast<std::size_t>(written);
    }
    OPENSSL_cleanse(key, sizeof key);
    return ok;
}

std::uint32_t randomUniform(std::uint32_t upperBound)
{
    if (upperBound < 2)
        return 0;
    // Rejection sampling removes the modulo bias.
    const std::uint32_t limit = static_cast<std::uint32_t>(-upperBound) % upperBound;
    for (;;) {
        std::uint32_t r = 0;
        if (!systemRandom(&r, sizeof r))
            return 0;
        if (r >= limit)
            return r % upperBound;
    }
}

} // namespace platform

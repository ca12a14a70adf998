#include "SecureRandom.h"

#include <openssl/evp.h>
#include <sys/random.h>
#include <cerrno>
#include <cstring>
#include <algorithm>
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

} // namespace

bool secureRandomBytes(void* buffer, std::size_t length)
{
    if (length == 0)
        return true;
    // Small requests come straight from the kernel. Large ones are the
    // keystream of ChaCha20 under a kernel-drawn key: as unpredictable as the
    // key, and several times faster than the kernel's generator, so a random
    // pass is limited by the disk, not by this.
    if (length < 4096)
        return systemRandom(buffer, length);
    thread_local SecureRandomStream stream;
    return stream.fill(buffer, length);
}

struct SecureRandomStream::Cipher {
    EVP_CIPHER_CTX* ctx = nullptr;
};

namespace {
// ChaCha20's block counter is 32 bits: 256 GiB per key. A new key long before.
constexpr std::uint64_t kBytesPerKey = std::uint64_t(1) << 36;
} // namespace

SecureRandomStream::SecureRandomStream() : cipher_(new Cipher) {}

SecureRandomStream::~SecureRandomStream()
{
    if (cipher_->ctx)
        EVP_CIPHER_CTX_free(cipher_->ctx);
    delete cipher_;
}

bool SecureRandomStream::rekey()
{
    unsigned char key[32];
    unsigned char iv[16];
    if (!systemRandom(key, sizeof key) || !systemRandom(iv, sizeof iv))
        return false;
    if (!cipher_->ctx)
        cipher_->ctx = EVP_CIPHER_CTX_new();
    const bool ok = cipher_->ctx && EVP_EncryptInit_ex(cipher_->ctx, EVP_chacha20(), nullptr, key, iv) == 1;
    OPENSSL_cleanse(key, sizeof key);
    sinceKey_ = 0;
    return ok;
}

bool SecureRandomStream::fill(void* buffer, std::size_t length)
{
    auto* out = static_cast<unsigned char*>(buffer);
    while (length > 0) {
        if ((!cipher_->ctx || sinceKey_ >= kBytesPerKey) && !rekey())
            return false;
        const std::size_t chunk = static_cast<std::size_t>(
            std::min<std::uint64_t>({length, kBytesPerKey - sinceKey_, std::uint64_t(1) << 30}));
        // Encrypting zeros yields the keystream itself.
        std::memset(out, 0, chunk);
        int written = 0;
        if (EVP_EncryptUpdate(cipher_->ctx, out, &written, out, static_cast<int>(chunk)) != 1
            || written != static_cast<int>(chunk))
            return false;
        out += chunk;
        length -= chunk;
        sinceKey_ += chunk;
    }
    return true;
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

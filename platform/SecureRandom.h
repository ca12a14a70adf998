#pragma once
// Cryptographically secure random bytes, fast enough that a random overwrite
// pass runs at the speed of the disk.

#include <cstddef>
#include <cstdint>

namespace platform {

// Fills `buffer` with `length` fresh random bytes. False when the generator fails.
bool secureRandomBytes(void* buffer, std::size_t length);

// A stream of cryptographically secure random bytes for long runs: the
// keystream of ChaCha20 under a key and nonce drawn from the kernel, drawn
// afresh well before the cipher's counter could wrap. One object per thread.
class SecureRandomStream {
public:
    SecureRandomStream();
    ~SecureRandomStream();
    SecureRandomStream(const SecureRandomStream&) = delete;
    SecureRandomStream& operator=(const SecureRandomStream&) = delete;

    // Fills `buffer` with `length` fresh bytes. False when the generator fails.
    bool fill(void* buffer, std::size_t length);

private:
    bool rekey();
    struct Cipher;
    Cipher* cipher_ = nullptr;
    std::uint64_t sinceKey_ = 0;
};

// A uniformly drawn number in [0, upperBound); 0 when upperBound is 0.
std::uint32_t randomUniform(std::uint32_t upperBound);

} // namespace platform

#pragma once
// Cryptographically secure random bytes, fast enough that a random overwrite
// pass runs at the speed of the disk.

#include <cstddef>
#include <cstdint>

namespace platform {

// Fills `buffer` with `length` fresh random bytes. False when the generator fails.
bool secureRandomBytes(void* buffer, std::size_t length);

// A uniformly drawn number in [0, upperBound); 0 when upperBound is 0.
std::uint32_t randomUniform(std::uint32_t upperBound);

} // namespace platform

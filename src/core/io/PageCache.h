#pragma once

#include <cstdint>

namespace sundrel::io {

// The share (0 to 1) of the pages of [offset, offset + length) of `fd` that are in the page
// cache now, where reading them costs no disk time. 0 where that cannot be told: for a file
// of another user (unless the process is root), or what cannot be mapped.
double CachedShare(int fd, std::uint64_t offset, std::uint64_t length);

} // namespace sundrel::io

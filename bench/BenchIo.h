#pragma once

// What the benchmark programs share to set up their files: a benchmark that cannot write its
// input has nothing to measure, so every failure ends it with the reason.

#include "core/io/WriteAll.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

namespace benchio {

[[noreturn]] inline void Die(const std::string& what) {
    std::perror(what.c_str());
    std::exit(1);
}

inline void WriteAll(int fd, const void* data, std::size_t size) {
    const int error =
        sundrel::io::WriteAll(fd, std::span(static_cast<const std::byte*>(data), size));
    if (error != 0) {
        errno = error;
        Die("write");
    }
}

} // namespace benchio

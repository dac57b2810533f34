#pragma once

#include <array>
#include <atomic>
#include <bit>
#include <cstdint>
#include <type_traits>

namespace sundrel::audio {

// A small value written by one thread at a time and read by any thread without a lock: the
// writer makes the sequence odd, stores the value word by word, and makes it even again; a
// reader retries until it read the same even sequence before and after the value. Neither
// side ever waits for the other, so an audio callback can publish through it.
template <class T> class SeqLock {
    static_assert(std::is_trivially_copyable_v<T> && sizeof(T) % sizeof(std::uint64_t) == 0,
                  "stored as whole 64-bit words");
    static constexpr std::size_t kWords = sizeof(T) / sizeof(std::uint64_t);
    using Words = std::array<std::uint64_t, kWords>;

  public:
    // One writer at a time (the caller makes sure of it).
    void Store(const T& value) {
        const Words words = std::bit_cast<Words>(value);
        const std::uint32_t seq = m_seq.load(std::memory_order_relaxed);
        m_seq.store(seq + 1, std::memory_order_relaxed);
        for (std::size_t i = 0; i < kWords; ++i) {
            // Release: a reader that sees this word also sees the odd sequence.
            m_words[i].store(words[i], std::memory_order_release);
        }
        m_seq.store(seq + 2, std::memory_order_release);
    }

    T Load() const {
        Words words{};
        for (;;) {
            const std::uint32_t before = m_seq.load(std::memory_order_acquire);
            for (std::size_t i = 0; i < kWords; ++i) {
                words[i] = m_words[i].load(std::memory_order_acquire);
            }
            if ((before & 1u) == 0 && m_seq.load(std::memory_order_relaxed) == before) {
                return std::bit_cast<T>(words);
            }
        }
    }

  private:
    std::atomic<std::uint32_t> m_seq{0};
    std::array<std::atomic<std::uint64_t>, kWords> m_words{};
};

} // namespace sundrel::audio

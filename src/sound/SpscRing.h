#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <optional>

namespace sundrel::audio {

// A fixed ring of `Capacity` values handed from one producer thread to one consumer thread
// without a lock: each side only writes its own index and publishes it with a release store,
// and reads the other's with an acquire load, so a value is complete before the other side
// can see it. No call ever waits. Push (producer only) fails when the ring is full; Front
// and Pop (consumer only) see the values in the order pushed.
//
// Clear empties the ring from the producer's side; it may run only while the consumer is
// known not to be inside Front or Pop (stopped, or held off by the caller).
template <class T, std::size_t Capacity> class SpscRing {
    static_assert(Capacity >= 2 && (Capacity & (Capacity - 1)) == 0,
                  "the capacity is a power of two, so the indices wrap with a mask");

  public:
    // Producer: appends `value`; false (and nothing stored) when the ring is full.
    bool Push(const T& value) {
        const std::size_t tail = m_tail.load(std::memory_order_relaxed);
        if (tail - m_head.load(std::memory_order_acquire) == Capacity) {
            return false;
        }
        m_slots[tail & (Capacity - 1)] = value;
        m_tail.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Consumer: the oldest value, or nothing when the ring is empty.
    std::optional<T> Front() const {
        const std::size_t head = m_head.load(std::memory_order_relaxed);
        if (head == m_tail.load(std::memory_order_acquire)) {
            return std::nullopt;
        }
        return m_slots[head & (Capacity - 1)];
    }

    // Consumer: drops the oldest value (which Front returned).
    void Pop() {
        m_head.store(m_head.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

    // Producer, with the consumer stopped: drops every value.
    void Clear() {
        m_head.store(m_tail.load(std::memory_order_relaxed), std::memory_order_release);
    }

    // Values in the ring; exact on either side, a snapshot on any other thread.
    std::size_t Size() const {
        const std::size_t head = m_head.load(std::memory_order_acquire);
        return m_tail.load(std::memory_order_acquire) - head;
    }

    static constexpr std::size_t kCapacity = Capacity;

  private:
    // The indices count up without wrapping (2^64 pushes never happen); each sits on its own
    // cache line so the two threads do not contend for one.
    alignas(64) std::atomic<std::size_t> m_head{0}; // next value to read; the consumer's
    alignas(64) std::atomic<std::size_t> m_tail{0}; // next slot to write; the producer's
    std::array<T, Capacity> m_slots{};
};

} // namespace sundrel::audio

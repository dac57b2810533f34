#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

namespace sundrel::io {

// Reading a file through a mapping faults with SIGBUS where the file no longer holds the
// mapped bytes (another program truncated it). GuardedRead turns such a fault into a result
// for the thread that read: a process-wide SIGBUS handler, installed on first use, jumps back
// out of the guarded work when the fault lies inside the region that thread is guarding; any
// other SIGBUS goes on to the handler that was there before (by default, ending the process).
//
// The guarded work must only read the region and write memory of its own: it is abandoned
// where the fault hits, so it must hold no lock, own no object whose destructor would be
// skipped, and leave nothing half-done that anyone else relies on.
enum class GuardResult {
    Done,        // the work ran to its end
    Faulted,     // a read inside the region faulted; the work was abandoned there
    Unavailable, // the handler is not (or no longer) in place: the work did not run
};

GuardResult GuardedRead(std::span<const std::byte> region, void (*work)(void*), void* context);

template <class Work> GuardResult GuardedRead(std::span<const std::byte> region, Work&& work) {
    using W = std::remove_reference_t<Work>;
    return GuardedRead(
        region, [](void* w) { (*static_cast<W*>(w))(); },
        const_cast<void*>(static_cast<const void*>(&work)));
}

// Read-only views of a part [begin, end) of a file through mappings of about `window`
// bytes, mapped one after the other: a view outside the current mapping unmaps it and maps
// the window starting at the view's page, so address space and resident memory stay bounded
// however long the file. The kernel is told each window is read front to back.
class MappedWindows {
  public:
    MappedWindows(int fd, std::uint64_t begin, std::uint64_t end, std::size_t window);
    ~MappedWindows();
    MappedWindows(const MappedWindows&) = delete;
    MappedWindows& operator=(const MappedWindows&) = delete;

    // Bytes [offset, offset + size) of the file, inside [begin, end); valid until the next
    // call or the end of this object. Empty when they cannot be mapped (the caller reads
    // them otherwise). Reading them must be guarded: the file may have shrunk since.
    std::span<const std::byte> View(std::uint64_t offset, std::size_t size);

  private:
    void Unmap();

    int m_fd;
    std::uint64_t m_begin;
    std::uint64_t m_end;
    std::size_t m_window;
    std::uint64_t m_page;
    std::byte* m_map = nullptr;
    std::uint64_t m_mapOffset = 0; // file offset of m_map
    std::size_t m_mapSize = 0;
};

} // namespace sundrel::io

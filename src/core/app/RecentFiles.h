#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sundrel::app {

// The File > Open Recent list: paths of mixes and projects, newest first, each at most once,
// never more than `capacity`. Paths are compared after lexical normalisation ("a/./b" and
// "a/b" are one entry); the list itself does not look at the disk.
class RecentFiles {
  public:
    static constexpr std::size_t kDefaultCapacity = 10;

    explicit RecentFiles(std::size_t capacity = kDefaultCapacity) : m_capacity(capacity) {}
    // A stored list, as saved: empty entries and repeats are dropped, the order is kept and
    // the tail beyond the capacity is cut.
    RecentFiles(const std::vector<std::string>& stored, std::size_t capacity = kDefaultCapacity);

    // Puts `path` first (moving it there when listed already). An empty path does nothing.
    void Add(const std::string& path);
    // Takes `path` out of the list; false when it was not listed.
    bool Remove(const std::string& path);
    void Clear() { m_entries.clear(); }

    const std::vector<std::string>& Entries() const { return m_entries; }
    std::size_t Capacity() const { return m_capacity; }

  private:
    std::size_t m_capacity;
    std::vector<std::string> m_entries;
};

} // namespace sundrel::app

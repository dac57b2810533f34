#include "core/app/RecentFiles.h"

#include <algorithm>
#include <filesystem>

namespace sundrel::app {

namespace {

std::string Normal(const std::string& path) {
    std::string normal = std::filesystem::path(path).lexically_normal().string();
    // "/music/" and "/music" name the same thing; the root keeps its slash.
    while (normal.size() > 1 && normal.back() == '/') {
        normal.pop_back();
    }
    return normal;
}

} // namespace

RecentFiles::RecentFiles(const std::vector<std::string>& stored, std::size_t capacity)
    : m_capacity(capacity) {
    // The stored order is newest first: the first of repeated entries is the newest.
    for (const std::string& entry : stored) {
        if (entry.empty() || m_entries.size() >= m_capacity) {
            continue;
        }
        const std::string normal = Normal(entry);
        if (std::find(m_entries.begin(), m_entries.end(), normal) == m_entries.end()) {
            m_entries.push_back(normal);
        }
    }
}

void RecentFiles::Add(const std::string& path) {
    if (path.empty() || m_capacity == 0) {
        return;
    }
    const std::string normal = Normal(path);
    m_entries.erase(std::remove(m_entries.begin(), m_entries.end(), normal), m_entries.end());
    m_entries.insert(m_entries.begin(), normal);
    if (m_entries.size() > m_capacity) {
        m_entries.resize(m_capacity);
    }
}

bool RecentFiles::Remove(const std::string& path) {
    const std::string normal = Normal(path);
    const auto it = std::find(m_entries.begin(), m_entries.end(), normal);
    if (it == m_entries.end()) {
        return false;
    }
    m_entries.erase(it);
    return true;
}

} // namespace sundrel::app

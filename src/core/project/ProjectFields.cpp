#include "core/project/ProjectFields.h"

#include "core/project/ProjectVersion3.h"

#include <bit>
#include <utf8cpp/utf8.h>

namespace sundrel::project {

void PutLe(std::vector<std::byte>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::byte>((value >> (8 * i)) & 0xFF));
    }
}

void PutText(std::vector<std::byte>& out, const std::string& text) {
    PutLe(out, text.size(), 2);
    for (char c : text) {
        out.push_back(static_cast<std::byte>(c));
    }
}

void PutDouble(std::vector<std::byte>& out, double value) {
    PutLe(out, std::bit_cast<std::uint64_t>(value), 8);
}

const char* NameFault(const std::string& text) {
    if (text.size() > kProjectMaxName) {
        return "is longer than the 1024 bytes a project file can hold";
    }
    if (text.find('\0') != std::string::npos) {
        return "holds a zero byte";
    }
    if (!utf8::is_valid(text.begin(), text.end())) {
        return "is not UTF-8";
    }
    return nullptr;
}

ProjectError FieldReader::Malformed(const std::string& why) const {
    return ProjectError(ProjectError::Kind::Malformed,
                        m_name + ": not a usable project file: " + why);
}

std::uint64_t FieldReader::Le(std::size_t count) {
    Need(count);
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value |= std::to_integer<std::uint64_t>(m_bytes[m_at + i]) << (8 * i);
    }
    m_at += count;
    return value;
}

std::string FieldReader::Text(std::size_t limit, const std::string& what) {
    const auto length = static_cast<std::size_t>(Le(2));
    if (length > limit) {
        throw Malformed(what + " is " + std::to_string(length) + " bytes long (at most " +
                        std::to_string(limit) + ")");
    }
    Need(length);
    std::string text(reinterpret_cast<const char*>(m_bytes.data() + m_at), length);
    m_at += length;
    return text;
}

std::span<const std::byte> FieldReader::Take(std::size_t count) {
    Need(count);
    const auto taken = m_bytes.subspan(m_at, count);
    m_at += count;
    return taken;
}

void FieldReader::Need(std::size_t count) const {
    if (Left() < count) {
        throw Malformed((m_part.empty() ? std::string("it") : m_part) + " is cut short (" +
                        std::to_string(m_bytes.size()) + " bytes)");
    }
}

} // namespace sundrel::project

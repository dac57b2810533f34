#pragma once

#include "core/project/ProjectFile.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

// The little-endian fields the project file is made of, written and read.
namespace sundrel::project {

void PutLe(std::vector<std::byte>& out, std::uint64_t value, int bytes);
// A uint16 length and the text's bytes.
void PutText(std::vector<std::byte>& out, const std::string& text);
// A float64 as its IEEE bits.
void PutDouble(std::vector<std::byte>& out, double value);

// Why a title or artist cannot be stored (too long, a zero byte, not UTF-8), or nullptr when
// it can.
const char* NameFault(const std::string& text);

// Reads the fields of a file in order; every read past the end throws ProjectError (Malformed)
// naming the file.
class FieldReader {
  public:
    // `part` names what the bytes are when they are a part of the file ("its section ...").
    FieldReader(std::span<const std::byte> bytes, const std::string& name, std::string part = {})
        : m_bytes(bytes), m_name(name), m_part(std::move(part)) {}

    ProjectError Malformed(const std::string& why) const;
    std::uint64_t Le(std::size_t count);
    double Double() { return std::bit_cast<double>(Le(8)); }
    // A length-prefixed text of at most `limit` bytes; `what` names it in messages.
    std::string Text(std::size_t limit, const std::string& what);
    // The next `count` bytes, skipped over.
    std::span<const std::byte> Take(std::size_t count);
    std::size_t Left() const { return m_bytes.size() - m_at; }
    const std::string& Name() const { return m_name; }

  private:
    void Need(std::size_t count) const;

    std::span<const std::byte> m_bytes;
    const std::string& m_name;
    std::string m_part;
    std::size_t m_at = 0;
};

} // namespace sundrel::project

#pragma once

// Project files laid out field by field as the README describes them, and the refusal a
// damaged one gets, for the tests of each version.

#include "core/markers/Marker.h"
#include "core/project/ProjectFile.h"
#include "support/Thrown.h"
#include "support/WavFixture.h"

#include <bit>
#include <string>
#include <vector>

namespace projecttest {

inline void PutText(fixture::Bytes& b, const std::string& text) {
    fixture::Put16(b, static_cast<std::uint32_t>(text.size()));
    for (char c : text) {
        b.push_back(static_cast<std::byte>(c));
    }
}

// Version 3's fields (the path, then each marker's frame, flags, percentage, title and
// artist) under the version byte `version`.
inline fixture::Bytes MarkerFields(const std::string& path,
                                   const std::vector<sundrel::Marker>& markers, int version = 3) {
    fixture::Bytes b;
    fixture::PutId(b, "Sndr");
    b.push_back(std::byte{'l'});
    b.push_back(static_cast<std::byte>(version));
    PutText(b, path);
    b.push_back(static_cast<std::byte>(markers.size()));
    for (const sundrel::Marker& m : markers) {
        fixture::Put64(b, static_cast<std::uint64_t>(m.frame));
        b.push_back(std::byte{m.percent ? std::uint8_t{1} : std::uint8_t{0}});
        fixture::Put32(b, m.percent ? std::bit_cast<std::uint32_t>(*m.percent) : 0u);
        PutText(b, m.title);
        PutText(b, m.artist);
    }
    return b;
}

// "malformed: <message>" or "other: <message>" for the refusal to decode `bytes` as p.sdr,
// "no error" when they decode.
inline std::string Refusal(const fixture::Bytes& bytes) {
    const auto e =
        fixture::Thrown<sundrel::ProjectError>([&] { sundrel::DecodeProject(bytes, "p.sdr"); });
    if (!e) {
        return "no error";
    }
    return (e->GetKind() == sundrel::ProjectError::Kind::Malformed ? "malformed: " : "other: ") +
           std::string(e->what());
}

} // namespace projecttest

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sundrel {

// A name template that cannot be expanded; the message quotes the template and says why
// (an unknown field, a brace without its partner).
class NameTemplateError : public std::invalid_argument {
  public:
    using std::invalid_argument::invalid_argument;
};

// What a template can say about one track (texts in UTF-8).
struct TrackNameFields {
    std::string title;
    std::string artist;
    std::uint64_t startSecond = 0; // whole seconds from the start of the mix
    // The track's number ({nn}, {n}); none: its place in the list, counting from 1.
    std::optional<std::uint64_t> number{};
};

// `name` with its ASCII letters in lower case: equal results for names that FAT (and a
// case-insensitive share) take for one.
std::string FoldNameCase(std::string name);

// The longest file name TrackFileNames gives, in bytes with the extension.
inline constexpr std::size_t kMaxTrackNameBytes = 200;

// Throws NameTemplateError unless `nameTemplate` can be expanded: literal text and the fields
// {nn} {n} {title} {artist} {mix} {start}; "{{" and "}}" stand for a literal brace.
void CheckNameTemplate(std::string_view nameTemplate);

// The file name of every track, made from `nameTemplate`:
//   {nn} the track's number (TrackNameFields::number, else its place counting from 1) with at
//   least two digits, {n} the number, {title}, {artist},
//   {mix} `mixName` (the mix's file name without its extension),
//   {start} the track's start as h-mm-ss.
// `extension` (".wav", ".flac") is added unless the template already ends with it (in any
// case). A field that comes out empty takes one separator with it: the literal text after it,
// or, for the last field, the text before it; brackets around it ("({artist})") go too, so
// "{nn} {artist} - {title}" gives "01 Artist", "01 Title" or "01" when a name is missing.
// A name left without text becomes the classic "trackNN" (NN: its place).
// The names are safe on every common file system and in a shell: '/', '\', ':', '*', '?',
// '"', '<', '>', '|', control characters and bytes that are not UTF-8 become '_'; spaces and
// dots at either end are dropped (FAT and SMB drop them too) and a leading '-' becomes '_'.
// Each name is at most kMaxTrackNameBytes bytes, cut on a UTF-8 character boundary before the
// extension. Names that would be equal (ASCII letters compared without case, as FAT does)
// are told apart by " (2)", " (3)", ... before the extension.
// An empty template gives the classic names "track01", "track02", ... with the extension,
// numbered by place whatever the tracks' numbers (a split's record of earlier splits counts
// on them).
// Throws NameTemplateError as CheckNameTemplate does.
std::vector<std::string> TrackFileNames(std::string_view nameTemplate,
                                        std::span<const TrackNameFields> tracks,
                                        std::string_view mixName, std::string_view extension);

} // namespace sundrel

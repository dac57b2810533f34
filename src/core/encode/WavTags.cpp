// The only file that includes TagLib: the tags of a WAV track, rendered in memory.

#include "core/encode/WavTags.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/textidentificationframe.h>

namespace sundrel {

namespace {

// INFO texts in UTF-8, as ffmpeg, Audacity and most current software write and read them;
// TagLib's own default is Latin-1, which loses every other character.
class Utf8Text : public TagLib::RIFF::Info::StringHandler {
  public:
    TagLib::String parse(const TagLib::ByteVector& data) const override {
        return TagLib::String(data, TagLib::String::UTF8);
    }
    TagLib::ByteVector render(const TagLib::String& s) const override {
        return s.data(TagLib::String::UTF8);
    }
};

void UseUtf8InfoText() {
    static const Utf8Text handler;
    static std::once_flag once;
    std::call_once(once, [] { TagLib::RIFF::Info::Tag::setStringHandler(&handler); });
}

TagLib::String Text(const std::string& s) {
    return TagLib::String(s, TagLib::String::UTF8);
}

void AppendChunk(std::vector<std::byte>& out, const char* id, const TagLib::ByteVector& body) {
    const auto size = static_cast<std::uint32_t>(body.size());
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::byte>(id[i]));
    }
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::byte>((size >> shift) & 0xFFu));
    }
    for (const char c : body) {
        out.push_back(static_cast<std::byte>(c));
    }
    if (size % 2 != 0) {
        out.push_back(std::byte{0});
    }
}

TagLib::ByteVector InfoList(const TrackTags& tags) {
    TagLib::RIFF::Info::Tag info;
    info.setTitle(Text(tags.title));
    info.setArtist(Text(tags.artist));
    info.setAlbum(Text(tags.album));
    if (tags.number > 0) {
        info.setTrack(static_cast<unsigned>(tags.number)); // IPRT
        info.setFieldText("ITRK", TagLib::String::number(tags.number));
    }
    info.setGenre(Text(tags.genre));            // IGNR
    info.setFieldText("ICRD", Text(tags.date)); // creation date
    return info.render();                       // "INFO" and the fields, or nothing
}

// A text frame; nothing for an empty text. The tag owns the frame.
void AddText(TagLib::ID3v2::Tag& id3, const char* id, const std::string& text) {
    if (text.empty()) {
        return;
    }
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::Latin1);
    frame->setText(Text(text));
    id3.addFrame(frame);
}

// A TXXX frame of `description`, as foobar2000, Mixxx and the ReplayGain scanners write
// ReplayGain; nothing for an empty text.
void AddUserText(TagLib::ID3v2::Tag& id3, const char* description, const std::string& text) {
    if (text.empty()) {
        return;
    }
    auto* frame = new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::Latin1);
    frame->setDescription(description);
    frame->setText(Text(text));
    id3.addFrame(frame); // the tag owns it
}

TagLib::ByteVector Id3Tag(const TrackTags& tags) {
    TagLib::ID3v2::Tag id3;
    id3.setTitle(Text(tags.title));
    id3.setArtist(Text(tags.artist));
    id3.setAlbum(Text(tags.album));
    id3.setGenre(Text(tags.genre));
    AddText(id3, "TPE2", tags.albumArtist); // album artist
    AddText(id3, "TDRC", tags.date);        // rendered as TYER (and TDAT) in version 2.3
    if (tags.disc > 0) {
        std::string disc = std::to_string(tags.disc);
        disc += "/1";
        AddText(id3, "TPOS", disc);
    }
    if (tags.compilation) {
        AddText(id3, "TCMP", "1"); // iTunes' and most DJ software's compilation flag
    }
    if (tags.number > 0) {
        std::string track = std::to_string(tags.number);
        if (tags.count > 0) {
            // Appended in two steps: "/" + std::to_string(...) trips GCC 12's false -Wrestrict
            // at -O3 with _FORTIFY_SOURCE, which the package's build uses.
            track += '/';
            track += std::to_string(tags.count);
        }
        auto* frame = new TagLib::ID3v2::TextIdentificationFrame("TRCK", TagLib::String::Latin1);
        frame->setText(Text(track));
        id3.addFrame(frame); // the tag owns it
    }
    AddText(id3, "TBPM", tags.bpm);
    AddText(id3, "TKEY", tags.key);
    AddUserText(id3, "REPLAYGAIN_TRACK_GAIN", tags.trackGain);
    AddUserText(id3, "REPLAYGAIN_TRACK_PEAK", tags.trackPeak);
    if (id3.isEmpty()) {
        return {};
    }
    // Version 2.3: what Windows and most DJ software read; texts beyond Latin-1 are UTF-16.
    return id3.render(TagLib::ID3v2::v3);
}

} // namespace

std::vector<std::byte> WavTagChunks(const TrackTags& tags) {
    UseUtf8InfoText();
    std::vector<std::byte> out;
    if (const TagLib::ByteVector info = InfoList(tags); !info.isEmpty()) {
        AppendChunk(out, "LIST", info);
    }
    if (const TagLib::ByteVector id3 = Id3Tag(tags); !id3.isEmpty()) {
        AppendChunk(out, "id3 ", id3);
    }
    return out;
}

} // namespace sundrel

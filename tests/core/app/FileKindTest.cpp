#include "core/app/FileKind.h"
#include "support/WavFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using sundrel::app::FileKind;

TEST(FileKind, TheContentDecidesBeforeTheExtension) {
    const std::string riff = std::string("RIFF\x24\0\0\0WAVE", 12);
    struct Case {
        std::string head;
        const char* extension;
        FileKind expected;
    };
    const Case cases[] = {
        {"Sndrl\x03", ".sdr", FileKind::Project},
        {"Sndrl\x02", ".wav", FileKind::Project}, // a project named like a mix
        {"Sndrl\x04", "", FileKind::Project},
        {riff, ".wav", FileKind::Wave},
        {riff, ".sdr", FileKind::Wave}, // a mix named like a project
        {riff, "", FileKind::Wave},
        {std::string("RF64\xff\xff\xff\xffWAVE", 12), ".w64", FileKind::Wave},
        {std::string("RIFF\x24\0\0\0AVI ", 12), ".avi", FileKind::Unknown},
        {"", ".WAV", FileKind::Wave},       // too short to tell: the extension, any case
        {"Snd", ".Sdr", FileKind::Project}, // a truncated magic is no magic
        {"FLAC....", ".flac", FileKind::Unknown},
        {"hello", ".txt", FileKind::Unknown},
        {"REM DATE 2026\r\nFILE \"mix.wav\" WAVE", ".CUE", FileKind::Cue}, // text, by its name
        {"Sndrl\x04", ".cue", FileKind::Project},                          // the bytes first
        {"", "", FileKind::Unknown},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sundrel::app::KindOf(fixture::BytesOf(c.head), c.extension), c.expected)
            << c.head << " " << c.extension;
    }
}

TEST(FileKind, FilesAreReadFromTheDisk) {
    const std::filesystem::path dir = testing::TempDir();
    const auto write = [&](const char* name, const std::string& content) {
        fixture::WriteText(dir / name, content);
        return dir / name;
    };
    EXPECT_EQ(sundrel::app::KindOfFile(write("kind_project.dat", "Sndrl\x03 rest")),
              FileKind::Project);
    EXPECT_EQ(sundrel::app::KindOfFile(write("kind_mix", std::string("RIFF\0\0\0\0WAVEfmt ", 16))),
              FileKind::Wave);
    EXPECT_EQ(sundrel::app::KindOfFile(write("kind_text.wav.txt", "notes")), FileKind::Unknown);
    // Missing files and folders: the extension alone, so opening them says what is wrong.
    EXPECT_EQ(sundrel::app::KindOfFile(dir / "kind_missing.wav"), FileKind::Wave);
    EXPECT_EQ(sundrel::app::KindOfFile(dir / "kind_missing.sdr"), FileKind::Project);
    EXPECT_EQ(sundrel::app::KindOfFile(dir), FileKind::Unknown);
    std::filesystem::create_directories(dir / "kind_folder.wav");
    EXPECT_EQ(sundrel::app::KindOfFile(dir / "kind_folder.wav"), FileKind::Unknown);
}

} // namespace

#include "cli/Commands.h"
#include "core/audio/WaveFile.h"
#include "core/time/TimeCode.h"

#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace sundrel::cli {

namespace {

void PrintInfo(const CWaveFile& wave, std::ostream& out) {
    out << wave.m_strPath.string() << "\n";
    out << "  format:      " << DescribeFormat(wave.GetFormat()) << "\n";
    if (wave.m_container == Container::Rf64) {
        out << "  container:   RF64\n";
    }
    out << "  frame size:  " << wave.m_wfx.nBlockAlign << " bytes\n";
    out << "  data offset: " << wave.m_nDataOffset << "\n";
    out << "  data size:   " << wave.m_nDataSize << " bytes";
    if (wave.m_bDataTruncated) {
        out << " (the data chunk claims more than the file holds)";
    }
    const std::uint64_t after = wave.m_nFileSize - wave.m_nDataOffset - wave.m_nDataSize;
    if (wave.m_bDataSizeRecovered) {
        // Less than a chunk header after the audio: only a partial frame was left out.
        out << (after < 8 ? " (size field wrapped at 4 GiB; read to the end of the file)"
                          : " (size field wrapped at 4 GiB; read to the chunk after the audio)");
    }
    if (wave.m_bDataSizeUncertain) {
        out << " (WARNING: the file holds " << after
            << " more bytes, and no chunk stands where the 32-bit size field ends; if it wrapped "
               "at 4 GiB, audio after this is not read)";
    }
    out << "\n";
    out << "  duration:    " << FormatDuration(wave.GetDuration()) << "\n";
}

} // namespace

void AddInfoCommand(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand("info", "Show the format, data range and duration of WAV files");
    auto files = std::make_shared<std::vector<std::string>>();
    cmd->add_option("FILE", *files, "WAV files")->required();
    cmd->callback([files, &status] {
        bool first = true;
        for (const std::string& path : *files) {
            try {
                const CWaveFile wave(path);
                if (!first) {
                    std::cout << "\n";
                }
                PrintInfo(wave, std::cout);
                first = false;
            } catch (const WaveFileError& e) {
                std::cout.flush();
                std::cerr << "sundrel-cli: " << e.what() << "\n";
                status = kExitInput;
            }
        }
    });
}

} // namespace sundrel::cli

#include "core/io/OpenRegular.h"
#include "core/audio/WaveFile.h"
#include "core/project/ProjectFile.h"
#include "core/project/ProjectLoader.h"
#include "support/WavFixture.h"

#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Runs `open` in a child process that an alarm kills after 5 s, so that an open which blocks
// fails the test instead of hanging it. The child prints what `open` threw and exits 0.
void ExpectRefusedWithoutBlocking(const std::function<void()>& open, const std::string& message) {
    EXPECT_EXIT(
        {
            ::alarm(5);
            try {
                open();
            } catch (const std::exception& e) {
                std::cerr << "thrown: " << e.what() << "\n";
                std::_Exit(0);
            }
            std::_Exit(1);
        },
        ::testing::ExitedWithCode(0), "thrown: " + message);
}

// A bound Unix socket at `path`; the socket stays open for the process's life.
void MakeSocket(const fs::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(path.string().size(), sizeof addr.sun_path);
    path.string().copy(addr.sun_path, sizeof addr.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
}

class SpecialFiles : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(::mkfifo((dir / "fifo.wav").c_str(), 0600), 0); }
    fixture::TempDir dir;
};

TEST_F(SpecialFiles, EveryKindIsNamedAndNothingBlocks) {
    MakeSocket(dir / "sock");
    fs::create_directory(dir / "folder");
    const struct {
        fs::path path;
        const char* kind;
    } cases[] = {
        {dir / "fifo.wav", "a FIFO"},
        {dir / "folder", "a directory"},
        {"/dev/null", "a character device"},
        {dir / "sock", "a socket"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ExpectRefusedWithoutBlocking([&] { sundrel::io::OpenRegularFile(c.path); },
                                     c.path.string() + ": not a regular file \\(" + c.kind + "\\)");
    }
}

TEST_F(SpecialFiles, TheMixTheProjectAndTheMixAProjectNamesAreRefused) {
    const std::string fifo = (dir / "fifo.wav").string();
    const std::string refused = ": not a regular file \\(a FIFO\\)";
    ExpectRefusedWithoutBlocking([&] { CWaveFile wave(fifo); }, fifo + refused);

    ASSERT_EQ(::mkfifo((dir / "fifo.sdr").c_str(), 0600), 0);
    ExpectRefusedWithoutBlocking([&] { sundrel::ReadProject(dir / "fifo.sdr"); },
                                 (dir / "fifo.sdr").string() + refused);

    sundrel::WriteProject(dir / "p.sdr", fifo, {});
    ExpectRefusedWithoutBlocking([&] { sundrel::OpenProject(dir / "p.sdr"); }, fifo + refused);
}

} // namespace

#include "core/io/WriteAll.h"
#include "core/io/UniqueFd.h"
#include "support/WavFixture.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>

namespace {

using fixture::Bytes;
using sundrel::io::UniqueFd;

Bytes Pattern(std::size_t size) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) {
        b[i] = static_cast<std::byte>(i * 7 + i / 251);
    }
    return b;
}

void NoOp(int) {}

// A pipe whose reader is slow makes every write block; a timer signal that does not restart
// system calls then interrupts the writes, which return short counts or EINTR. All the
// bytes must still arrive, once and in order.
TEST(WriteAll, CompletesShortAndInterruptedWrites) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);
    const Bytes sent = Pattern(std::size_t{1} << 20);

    struct sigaction action {};
    action.sa_handler = NoOp; // no SA_RESTART
    struct sigaction old {};
    ASSERT_EQ(::sigaction(SIGALRM, &action, &old), 0);

    Bytes received;
    std::thread reader([&] {
        sigset_t alarm;
        sigemptyset(&alarm);
        sigaddset(&alarm, SIGALRM);
        pthread_sigmask(SIG_BLOCK, &alarm, nullptr); // the signal goes to the writer
        std::byte buffer[16384];
        for (ssize_t n; (n = ::read(readEnd.Get(), buffer, sizeof buffer)) > 0;) {
            received.insert(received.end(), buffer, buffer + n);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    const itimerval every{{0, 300}, {0, 300}};
    ::setitimer(ITIMER_REAL, &every, nullptr);
    const int error = sundrel::io::WriteAll(writeEnd.Get(), sent);
    const itimerval off{};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &old, nullptr);
    writeEnd.Close();
    reader.join();

    EXPECT_EQ(error, 0);
    EXPECT_EQ(received.size(), sent.size());
    EXPECT_TRUE(received == sent);
}

TEST(WriteAll, WritesAtAnOffsetWithoutMovingTheFilePositionAndReportsTheErrno) {
    fixture::TempDir dir;
    const auto path = dir / "f";
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    ASSERT_TRUE(fd);
    const Bytes head = Pattern(10);
    const Bytes tail = Pattern(5);
    EXPECT_EQ(sundrel::io::WriteAllAt(fd.Get(), tail, 20), 0);
    EXPECT_EQ(::lseek(fd.Get(), 0, SEEK_CUR), 0);
    EXPECT_EQ(sundrel::io::WriteAll(fd.Get(), head), 0);
    EXPECT_EQ(::lseek(fd.Get(), 0, SEEK_CUR), 10);
    fd.Close();
    Bytes expected(25);
    std::copy(head.begin(), head.end(), expected.begin());
    std::copy(tail.begin(), tail.end(), expected.begin() + 20);
    EXPECT_EQ(fixture::ReadFile(path), expected);

    UniqueFd readOnly(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    EXPECT_EQ(sundrel::io::WriteAll(readOnly.Get(), head), EBADF);
    EXPECT_EQ(sundrel::io::WriteAllAt(readOnly.Get(), head, 3), EBADF);
    EXPECT_EQ(sundrel::io::WriteAll(readOnly.Get(), {}), 0); // nothing to write
}

} // namespace

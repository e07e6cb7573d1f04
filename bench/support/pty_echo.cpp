// Bare pty echo: a forked child echoes on the slave with blocking reads and
// writes; the parent times each round trip on the master.
#include "pty_echo.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

bool readFully(int fd, char *buffer, int count)
{
    for (int got = 0; got < count;) {
        const ssize_t n = ::read(fd, buffer + got, size_t(count - got));
        if (n <= 0)
            return false;
        got += int(n);
    }
    return true;
}

} // namespace

std::vector<double> ptyEchoRoundTrips(int count, int bytes)
{
    std::vector<double> trips;
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return trips;
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);

    const pid_t child = fork();
    if (child < 0) {
        ::close(master);
        ::close(slave);
        return trips;
    }
    if (child == 0) {
        // Only async-signal-safe calls from here on.
        ::close(master);
        char buffer[256];
        for (;;) {
            const ssize_t n = ::read(slave, buffer, sizeof buffer);
            if (n <= 0)
                _exit(0);
            if (::write(slave, buffer, size_t(n)) != n)
                _exit(1);
        }
    }
    ::close(slave);

    std::vector<char> out(static_cast<size_t>(bytes), 'e');
    std::vector<char> in(static_cast<size_t>(bytes));
    trips.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        // From the write having returned to the read returning, as the
        // virtual device times an answer and the request it releases.
        if (::write(master, out.data(), out.size()) != ssize_t(out.size())) {
            trips.clear();
            break;
        }
        const auto start = std::chrono::steady_clock::now();
        if (!readFully(master, in.data(), bytes)) {
            trips.clear();
            break;
        }
        const auto end = std::chrono::steady_clock::now();
        trips.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    ::close(master); // the child reads end-of-file or EIO and leaves
    ::kill(child, SIGTERM);
    ::waitpid(child, nullptr, 0);
    return trips;
}

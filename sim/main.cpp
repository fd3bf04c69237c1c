// mdq820-sim: the virtual MDQ-820 as a program. Prints the device path first,
// then answers control commands from standard input, one line each, until
// SIGINT, SIGTERM or end of input.

#include "cli_options.h"
#include "qtest820_version.h"
#include "device_link.h"
#include "virtual_reader.h"

#include <QStringList>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char b = 's';
    [[maybe_unused]] ssize_t n = write(g_signalPipe[1], &b, 1);
}

bool installSignalHandlers()
{
    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    signal(SIGPIPE, SIG_IGN);
    return sigaction(SIGINT, &sa, nullptr) == 0 && sigaction(SIGTERM, &sa, nullptr) == 0;
}

void printLine(const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Reads standard input and answers each line until end of input or a signal.
void serveControlInput(sim::VirtualReader &reader)
{
    QByteArray pending;
    char buffer[4096];
    for (;;) {
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {g_signalPipe[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents & POLLIN)
            return;
        if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        pending.append(buffer, int(n));
        int newline;
        while ((newline = int(pending.indexOf('\n'))) >= 0) {
            printLine(reader.control(QString::fromLocal8Bit(pending.left(newline))));
            pending.remove(0, newline + 1);
        }
    }
    if (!pending.isEmpty())  // a last line without its newline
        printLine(reader.control(QString::fromLocal8Bit(pending)));
}

}  // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    const sim::CliParseResult parsed = sim::parseCliOptions(arguments);
    if (!parsed.ok) {
        std::fprintf(stderr, "mdq820-sim: %s\nTry mdq820-sim --help.\n", parsed.error.toLocal8Bit().constData());
        return 2;
    }
    if (parsed.options.help) {
        std::fputs(sim::cliUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parsed.options.version) {
        std::printf("mdq820-sim %s\n", QTEST820_VERSION);
        return 0;
    }
    if (!installSignalHandlers()) {
        std::perror("mdq820-sim: signals");
        return 1;
    }

    sim::VirtualReader reader(parsed.options.reader);
    QString error;
    if (!reader.start(&error)) {
        std::fprintf(stderr, "mdq820-sim: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    sim::DeviceLink link;
    if (!parsed.options.linkPath.isEmpty() && !link.create(parsed.options.linkPath, reader.devicePath(), &error)) {
        std::fprintf(stderr, "mdq820-sim: %s\n", error.toLocal8Bit().constData());
        return 1;
    }

    printLine(reader.devicePath());
    serveControlInput(reader);
    link.remove();
    reader.stop();
    return 0;
}

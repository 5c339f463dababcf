#include "app/termination.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace termination {
namespace {

int wakeFds[2] = {-1, -1};

extern "C" void noteSignal(int signo)
{
    const int saved = errno;
    const char byte = char(signo);
    // The only thing a handler may safely do: wake the event loop.
    [[maybe_unused]] const auto n = ::write(wakeFds[0], &byte, 1);
    errno = saved;
}

} // namespace

void handleWith(std::function<void()> onSignal)
{
    if (wakeFds[0] < 0 &&
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, wakeFds) != 0)
        return;
    auto *notifier =
        new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [onSignal = std::move(onSignal)] {
                         char buffer[16];
                         while (::read(wakeFds[1], buffer, sizeof buffer) > 0) {
                         }
                         onSignal();
                     });
    struct sigaction action = {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signo : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signo, &action, nullptr);
}

} // namespace termination

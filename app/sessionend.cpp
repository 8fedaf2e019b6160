#include "sessionend.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace korim::app {

namespace {

int wakeFds[2] = {-1, -1};

// Only what is safe in a signal handler: one byte into the socket.
void signalled(int number)
{
    const char byte = char(number);
    [[maybe_unused]] const ssize_t n = ::write(wakeFds[0], &byte, 1);
}

} // namespace

void onSessionEnd(QObject *context, std::function<void()> endSession)
{
    auto end = [endSession] {
        endSession();
        QCoreApplication::exit(0);
    };
    if (wakeFds[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, wakeFds) == 0) {
        struct sigaction action {};
        action.sa_handler = signalled;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int number : {SIGTERM, SIGHUP, SIGINT})
            ::sigaction(number, &action, nullptr);
    }
    if (wakeFds[1] >= 0) {
        auto *notifier = new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, context);
        QObject::connect(notifier, &QSocketNotifier::activated, context, [end] {
            char bytes[16];
            while (::read(wakeFds[1], bytes, sizeof bytes) > 0) {
            }
            end();
        });
    }
    if (auto *gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        // The session manager may still cancel a logout; what is typed stays
        // in the journal either way, so ending here loses nothing.
        QObject::connect(gui, &QGuiApplication::commitDataRequest, context, [end](QSessionManager &) { end(); });
    }
}

} // namespace korim::app

// velmora-issuer-sim: a card issuer on a pseudo-terminal for trying, demonstrating and testing
// the program without hardware. It enters itself as Ports/COMn in a program directory, answers
// the issuer frames and takes commands on standard input and, with --control, on a named pipe.
#include "simulator.h"

#include "db/starter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QSocketNotifier>

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

void out(const QString &line)
{
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

void err(const QString &line)
{
    std::fprintf(stderr, "issuer-sim: %s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

// Lines of commands from a descriptor (standard input, the control pipe), each handed on as it
// is complete. The end of input, or a read that fails, ends the watching: the simulator goes on
// answering frames.
class CommandInput
{
public:
    CommandInput(int fd, std::function<void(const QString &)> onLine)
        : m_fd(fd)
        , m_notifier(fd, QSocketNotifier::Read)
        , m_onLine(std::move(onLine))
    {
        QObject::connect(&m_notifier, &QSocketNotifier::activated, &m_notifier, [this] { read(); });
    }
    ~CommandInput()
    {
        if (m_fd != STDIN_FILENO)
            ::close(m_fd);
    }

private:
    void read()
    {
        char buf[4096];
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n < 0 && errno == EAGAIN)
            return;
        if (n <= 0) {
            m_notifier.setEnabled(false);
            return;
        }
        m_pending += QByteArray(buf, int(n));
        qsizetype nl;
        while ((nl = m_pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromLocal8Bit(m_pending.left(nl)).trimmed();
            m_pending.remove(0, nl + 1);
            m_onLine(line);
        }
    }

    int m_fd;
    QSocketNotifier m_notifier;
    std::function<void(const QString &)> m_onLine;
    QByteArray m_pending;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmora-issuer-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated card issuer on a pseudo-terminal.\n\n") +
        IssuerSimulator::helpText());
    parser.addHelpOption();
    const auto option = [](const char *name, const char *help, const char *value = nullptr,
                           const char *byDefault = nullptr) {
        return value
                   ? QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(help),
                                        QString::fromLatin1(value), QString::fromLatin1(byDefault))
                   : QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(help));
    };
    const QCommandLineOption dirOption = option("dir", "Program directory.", "DIR");
    const QCommandLineOption portOption =
        option("port", "Port number n of COMn (default: first free).", "N");
    const QCommandLineOption passwordOption =
        option("password", "Issuer password, six hex digits.", "P", DefaultIssuerPassword);
    const QCommandLineOption autoOption =
        option("auto", "Place a card or the token by itself after each write command.");
    const QCommandLineOption delayOption = option(
        "auto-delay", "Milliseconds before the automatic placing (default 1500).", "MS", "1500");
    const QCommandLineOption controlOption =
        option("control",
               "Also take commands from the named pipe PATH (made here, removed at the end): "
               "echo 'card' > PATH. Answers go to standard output.",
               "PATH");
    // Each switch option is the standard-input command of the same name.
    const QList<QCommandLineOption> switchOptions = {
        option("mute", "Answer nothing at all."),
        option("mode-status", "Answer the mode frame with CODE, none or normal.", "CODE"),
        option("password-answer", "Answer the password change with CODE, none or normal.", "CODE"),
        option("card-number-only", "A card read answers with its 8-digit code only."),
        option("zero-codes", "Fresh cards get codes beginning with 00."),
        option("delay", "Milliseconds before each reply.", "MS"),
        option("split", "Send each reply in two writes MS apart.", "MS"),
        option("join", "Send replies in pairs, two in one write."),
        option("batch", "Cards placed by itself after each issue command (with --auto).", "N"),
    };
    parser.addOptions(
        {dirOption, portOption, passwordOption, autoOption, delayOption, controlOption});
    parser.addOptions(switchOptions);
    parser.process(app);

    if (!parser.isSet(dirOption)) {
        err(QStringLiteral("--dir DIR is required"));
        return 2;
    }
    const QString password = parser.value(passwordOption);
    if (!SimulatedIssuer::isPassword(password)) {
        err(QStringLiteral("the password must be six hex digits"));
        return 2;
    }
    int port = 0;
    if (parser.isSet(portOption)) {
        bool ok = false;
        port = parser.value(portOption).toInt(&ok);
        if (!ok || port < 1 || port > 999) {
            err(QStringLiteral("--port takes a number from 1 to 999"));
            return 2;
        }
    }

    IssuerSimulator sim(password);
    sim.log = [](const QString &line) { err(line); };
    const bool automatic = parser.isSet(autoOption);
    sim.setAutomatic(automatic, qMax(0, parser.value(delayOption).toInt()));
    for (const QCommandLineOption &o : switchOptions) {
        if (!parser.isSet(o))
            continue;
        const QString name = o.names().first();
        const QString value = o.valueName().isEmpty() ? QStringLiteral("on") : parser.value(o);
        const QStringList problems = sim.command(name + QLatin1Char(' ') + value);
        if (!problems.isEmpty()) {
            err(QStringLiteral("--%1: %2").arg(name, problems.join(QLatin1Char(' '))));
            return 2;
        }
    }

    // Signals are caught before the entry exists, so that it never outlives the simulator.
    ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe);
    struct sigaction sa
    {
    };
    sa.sa_handler = onSignal;
    ::sigemptyset(&sa.sa_mask);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGHUP, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [&] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &c, 1);
        QCoreApplication::quit();
    });
    QObject::connect(&sim, &IssuerSimulator::quitRequested, &app, &QCoreApplication::quit);

    if (!sim.start(QDir(parser.value(dirOption)).absoluteFilePath(QStringLiteral("Ports")), port)) {
        err(sim.errorText());
        return sim.errorText().contains(QLatin1String("taken")) ? 2 : 1;
    }

    // Started in the background of an interactive shell, a read of the terminal would stop the
    // simulator (SIGTTIN) until it is brought to the foreground, and it would answer nothing
    // meanwhile. Ignored, the read fails instead and standard input is left alone.
    ::signal(SIGTTIN, SIG_IGN);
    CommandInput input(STDIN_FILENO, [&](const QString &line) {
        for (const QString &l : sim.command(line))
            out(l);
    });

    // The control pipe: held open for writing here as well, so that a writer closing it is no
    // end of input.
    const QString controlPath = parser.value(controlOption);
    std::unique_ptr<CommandInput> control;
    int controlWriter = -1;
    if (!controlPath.isEmpty()) {
        const QByteArray path = QFile::encodeName(controlPath);
        struct stat st
        {
        };
        if (::lstat(path.constData(), &st) == 0 && S_ISFIFO(st.st_mode))
            ::unlink(path.constData());
        const int reader = ::mkfifo(path.constData(), 0600) == 0
                               ? ::open(path.constData(), O_RDONLY | O_NONBLOCK)
                               : -1;
        if (reader < 0) {
            err(QStringLiteral("cannot make the control pipe %1").arg(controlPath));
            sim.unplug();
            return 1;
        }
        controlWriter = ::open(path.constData(), O_WRONLY | O_NONBLOCK);
        control = std::make_unique<CommandInput>(reader, [&](const QString &line) {
            for (const QString &l : sim.command(line))
                out(l);
        });
    }

    out(QStringLiteral("ready COM%1 %2 password %3%4")
            .arg(sim.port())
            .arg(sim.devicePath(), sim.issuer().password(),
                 automatic ? QStringLiteral(" auto") : QString()));
    const int rc = app.exec();
    if (control) {
        ::close(controlWriter);
        ::unlink(QFile::encodeName(controlPath).constData());
    }
    const int n = sim.port();
    // The entry goes with the simulator (unless someone else has taken it since).
    sim.unplug();
    err(QStringLiteral("COM%1 removed").arg(n));
    return rc;
}

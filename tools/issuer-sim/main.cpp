// velmora-issuer-sim: a card issuer on a pseudo-terminal for trying, demonstrating and testing
// the program without hardware. It enters itself as Ports/COMn in a program directory, answers
// the issuer frames and takes commands on standard input.
#include "simulator.h"

#include "db/starter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
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
    parser.addOptions({dirOption, portOption, passwordOption, autoOption, delayOption});
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

    QByteArray stdinPending;
    QSocketNotifier stdinNotifier(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&stdinNotifier, &QSocketNotifier::activated, &app, [&] {
        char buf[4096];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            // Standard input closed: go on answering frames.
            stdinNotifier.setEnabled(false);
            return;
        }
        stdinPending += QByteArray(buf, int(n));
        qsizetype nl;
        while ((nl = stdinPending.indexOf('\n')) >= 0) {
            const QString line = QString::fromLocal8Bit(stdinPending.left(nl)).trimmed();
            stdinPending.remove(0, nl + 1);
            for (const QString &l : sim.command(line))
                out(l);
        }
    });

    out(QStringLiteral("ready COM%1 %2 password %3%4")
            .arg(sim.port())
            .arg(sim.devicePath(), sim.issuer().password(),
                 automatic ? QStringLiteral(" auto") : QString()));
    const int rc = app.exec();
    const int n = sim.port();
    // The entry goes with the simulator (unless someone else has taken it since).
    sim.unplug();
    err(QStringLiteral("COM%1 removed").arg(n));
    return rc;
}

// velmora-issuer-sim: a card issuer on a pseudo-terminal for trying, demonstrating and testing
// the program without hardware. It enters itself as Ports/COMn in a program directory, answers
// the issuer frames and takes commands on standard input.
#include "issuer.h"

#include "db/starter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
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

QString linkTarget(const QString &path)
{
    char buf[4096];
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), buf, sizeof buf - 1);
    return n < 0 ? QString() : QFile::decodeName(QByteArray(buf, int(n)));
}

// An entry that is a link whose device is gone (a simulator that was killed) may be reused.
bool entryTaken(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return info.exists();
    return QFileInfo::exists(info.symLinkTarget());
}

const char *HelpText =
    "commands:\n"
    "  card [CODE]   put a card on the issuer (CODE: 8 hex digits; none: the next fresh card)\n"
    "  token         put the loss-report token on the issuer\n"
    "  remove        take away what lies on the issuer\n"
    "  list          password, mode, the deck of cards and the token\n"
    "  reply TEXT    send TEXT followed by CR LF\n"
    "  raw HEX       send the bytes given as hex digits, nothing added\n"
    "  help          this text\n"
    "  quit          leave (the port map entry is removed)";

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmora-issuer-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulated card issuer on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption dirOption(QStringLiteral("dir"), QStringLiteral("Program directory."),
                                       QStringLiteral("DIR"));
    const QCommandLineOption portOption(
        QStringLiteral("port"), QStringLiteral("Port number n of COMn (default: first free)."),
        QStringLiteral("N"));
    const QCommandLineOption passwordOption(
        QStringLiteral("password"), QStringLiteral("Issuer password, six hex digits."),
        QStringLiteral("P"), QString::fromLatin1(DefaultIssuerPassword));
    const QCommandLineOption autoOption(
        QStringLiteral("auto"),
        QStringLiteral("Place a card or the token by itself after each write command."));
    const QCommandLineOption delayOption(
        QStringLiteral("auto-delay"),
        QStringLiteral("Milliseconds before the automatic placing (default 1500)."),
        QStringLiteral("MS"), QStringLiteral("1500"));
    parser.addOptions({dirOption, portOption, passwordOption, autoOption, delayOption});
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
    const QString portsDir =
        QDir(parser.value(dirOption)).absoluteFilePath(QStringLiteral("Ports"));
    if (!QDir().mkpath(portsDir)) {
        err(QStringLiteral("cannot create %1").arg(portsDir));
        return 2;
    }

    // The entry is chosen before the pseudo-terminal exists: a stale link may point at the
    // very device name the new terminal is about to get.
    int port = 0;
    if (parser.isSet(portOption)) {
        bool ok = false;
        port = parser.value(portOption).toInt(&ok);
        if (!ok || port < 1 || port > 999) {
            err(QStringLiteral("--port takes a number from 1 to 999"));
            return 2;
        }
        if (entryTaken(QDir(portsDir).filePath(QStringLiteral("COM%1").arg(port)))) {
            err(QStringLiteral("COM%1 is taken in %2").arg(port).arg(portsDir));
            return 2;
        }
    } else {
        port = 1;
        while (port <= 999 &&
               entryTaken(QDir(portsDir).filePath(QStringLiteral("COM%1").arg(port))))
            ++port;
        if (port > 999) {
            err(QStringLiteral("no free COMn in %1").arg(portsDir));
            return 2;
        }
    }
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        err(QStringLiteral("openpty: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        return 1;
    }
    // Raw line, as a serial line is: no echo, no line editing, no CR/LF translation. The slave
    // stays open here as well, so the master never sees a hang-up between the program's opens.
    termios tio{};
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B19200);
    ::cfsetospeed(&tio, B19200);
    ::tcsetattr(slave, TCSANOW, &tio);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    const QString device = QString::fromLocal8Bit(name);

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

    const QString link = QDir(portsDir).filePath(QStringLiteral("COM%1").arg(port));
    QFile::remove(link); // a stale link of a killed simulator
    if (::symlink(name, QFile::encodeName(link).constData()) != 0) {
        err(QStringLiteral("cannot create %1: %2")
                .arg(link, QString::fromLocal8Bit(std::strerror(errno))));
        return 1;
    }

    SimulatedIssuer issuer(password);
    issuer.log = [](const QString &line) { err(line); };
    issuer.reply = [master](const QByteArray &text) {
        err(QStringLiteral("reply %1").arg(QString::fromLatin1(text)));
        const QByteArray bytes = text + "\r\n";
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n =
                ::write(master, bytes.constData() + done, size_t(bytes.size() - done));
            if (n < 0 && errno == EAGAIN) {
                ::usleep(1000);
                continue;
            }
            if (n <= 0)
                break;
            done += n;
        }
    };
    const auto sendRaw = [master](const QByteArray &bytes) {
        [[maybe_unused]] const ssize_t n = ::write(master, bytes.constData(), size_t(bytes.size()));
    };
    const bool automatic = parser.isSet(autoOption);
    const int autoDelay = qMax(0, parser.value(delayOption).toInt());
    if (automatic) {
        issuer.writeCommandTaken = [&issuer, autoDelay, &app](SimulatedIssuer::Mode mode) {
            QTimer::singleShot(autoDelay, &app, [&issuer, mode] {
                if (issuer.mode() != mode)
                    return;
                if (mode == SimulatedIssuer::Mode::Loss || mode == SimulatedIssuer::Mode::Unloss)
                    issuer.placeToken();
                else if (mode == SimulatedIssuer::Mode::Init)
                    issuer.placeCard(issuer.lastCard());
                else
                    issuer.placeCard({});
            });
        };
    }

    QSocketNotifier portNotifier(master, QSocketNotifier::Read);
    QObject::connect(&portNotifier, &QSocketNotifier::activated, &app, [&] {
        char buf[512];
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n > 0)
            issuer.receive(QByteArray(buf, int(n)));
    });

    QByteArray stdinPending;
    QSocketNotifier stdinNotifier(STDIN_FILENO, QSocketNotifier::Read);
    const auto command = [&](const QString &line) {
        const QString cmd =
            line.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty).toLower();
        const QString arg =
            line.section(QLatin1Char(' '), 1, -1, QString::SectionSkipEmpty).trimmed();
        if (cmd.isEmpty())
            return;
        if (cmd == QLatin1String("card")) {
            if (!arg.isEmpty() && !SimulatedIssuer::isCardCode(arg)) {
                out(QStringLiteral("a card code is 8 hex digits (not all zero)"));
                return;
            }
            issuer.placeCard(arg);
        } else if (cmd == QLatin1String("token")) {
            issuer.placeToken();
        } else if (cmd == QLatin1String("remove")) {
            issuer.remove();
        } else if (cmd == QLatin1String("list")) {
            for (const QString &l : issuer.describe())
                out(l);
        } else if (cmd == QLatin1String("reply")) {
            issuer.reply(arg.toLatin1());
        } else if (cmd == QLatin1String("raw")) {
            sendRaw(QByteArray::fromHex(arg.toLatin1()));
        } else if (cmd == QLatin1String("help")) {
            out(QString::fromLatin1(HelpText));
        } else if (cmd == QLatin1String("quit") || cmd == QLatin1String("exit")) {
            QCoreApplication::quit();
        } else {
            out(QStringLiteral("unknown command; try help"));
        }
    };
    QObject::connect(&stdinNotifier, &QSocketNotifier::activated, &app, [&] {
        char buf[1024];
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
            command(line);
        }
    });

    out(QStringLiteral("ready COM%1 %2 password %3%4")
            .arg(port)
            .arg(device, issuer.password(), automatic ? QStringLiteral(" auto") : QString()));
    const int rc = app.exec();

    // Leave the map as it was, unless someone else has taken the entry since.
    if (linkTarget(link) == device)
        QFile::remove(link);
    ::close(master);
    ::close(slave);
    err(QStringLiteral("COM%1 removed").arg(port));
    return rc;
}

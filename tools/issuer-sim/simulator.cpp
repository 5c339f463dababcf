#include "simulator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
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

std::optional<bool> onOff(const QString &arg)
{
    if (arg == QLatin1String("on"))
        return true;
    if (arg == QLatin1String("off"))
        return false;
    return std::nullopt;
}

std::optional<int> milliseconds(const QString &arg)
{
    bool ok = false;
    const int ms = arg.toInt(&ok);
    return ok && ms >= 0 && ms <= 600000 ? std::optional<int>(ms) : std::nullopt;
}

// "normal", "none" (no answer) or a status code of two or four characters.
bool parseAnswer(const QString &arg, std::optional<QByteArray> *answer)
{
    if (arg == QLatin1String("normal")) {
        *answer = std::nullopt;
        return true;
    }
    if (arg == QLatin1String("none")) {
        *answer = QByteArray();
        return true;
    }
    if (arg.size() != 2 && arg.size() != 4)
        return false;
    for (const QChar c : arg) {
        if (c.unicode() > 127 || !c.isLetterOrNumber())
            return false;
    }
    *answer = arg.toLatin1();
    return true;
}

} // namespace

IssuerSimulator::IssuerSimulator(const QString &password, QObject *parent)
    : QObject(parent)
    , m_issuer(password)
{
    m_issuer.reply = [this](const QByteArray &text) {
        log(QStringLiteral("reply %1").arg(QString::fromLatin1(text)));
        sendReply(text);
    };
    m_issuer.log = [this](const QString &line) { log(line); };
    m_issuer.writeCommandTaken = [this](SimulatedIssuer::Mode mode) { writeCommandTaken(mode); };
    m_scheduleTimer.setSingleShot(true);
    connect(&m_scheduleTimer, &QTimer::timeout, this, &IssuerSimulator::pumpSchedule);
}

IssuerSimulator::~IssuerSimulator()
{
    if (!m_portsDir.isEmpty() && plugged() && linkTarget(entryPath()) == m_device)
        QFile::remove(entryPath());
    closeTerminal();
}

QString IssuerSimulator::entryPath() const
{
    return m_portsDir.isEmpty() ? QString()
                                : QDir(m_portsDir).filePath(QStringLiteral("COM%1").arg(m_port));
}

bool IssuerSimulator::start(const QString &portsDir, int port)
{
    m_portsDir = portsDir.isEmpty() ? QString() : QDir(portsDir).absolutePath();
    if (!m_portsDir.isEmpty()) {
        if (!QDir().mkpath(m_portsDir)) {
            m_error = QStringLiteral("cannot create %1").arg(m_portsDir);
            return false;
        }
        // The entry is chosen before the terminal exists: a stale link may point at the very
        // device name the new terminal is about to get.
        const auto entry = [this](int n) {
            return QDir(m_portsDir).filePath(QStringLiteral("COM%1").arg(n));
        };
        if (port > 0) {
            if (entryTaken(entry(port))) {
                m_error = QStringLiteral("COM%1 is taken in %2").arg(port).arg(m_portsDir);
                return false;
            }
        } else {
            port = 1;
            while (port <= 999 && entryTaken(entry(port)))
                ++port;
            if (port > 999) {
                m_error = QStringLiteral("no free COMn in %1").arg(m_portsDir);
                return false;
            }
        }
        m_port = port;
    }
    return plug();
}

bool IssuerSimulator::plug()
{
    if (plugged())
        return true;
    if (!m_portsDir.isEmpty() && entryTaken(entryPath())) {
        m_error = QStringLiteral("COM%1 is taken in %2").arg(m_port).arg(m_portsDir);
        return false;
    }
    if (!openTerminal())
        return false;
    if (!m_portsDir.isEmpty()) {
        QFile::remove(entryPath()); // a stale link of a killed simulator
        if (::symlink(QFile::encodeName(m_device).constData(),
                      QFile::encodeName(entryPath()).constData()) != 0) {
            m_error = QStringLiteral("cannot create %1: %2").arg(entryPath(), systemError());
            closeTerminal();
            return false;
        }
    }
    return true;
}

void IssuerSimulator::unplug()
{
    if (!plugged())
        return;
    if (!m_portsDir.isEmpty() && linkTarget(entryPath()) == m_device)
        QFile::remove(entryPath());
    log(QStringLiteral("unplugged"));
    closeTerminal();
}

bool IssuerSimulator::openTerminal()
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_error = QStringLiteral("openpty: %1").arg(systemError());
        m_master = m_slave = -1;
        return false;
    }
    // Raw line, as a serial line is: no echo, no line editing, no CR/LF translation. The slave
    // stays open here as well, so the master never sees a hang-up between the program's opens.
    termios tio{};
    ::tcgetattr(m_slave, &tio);
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B19200);
    ::cfsetospeed(&tio, B19200);
    ::tcsetattr(m_slave, TCSANOW, &tio);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_device = QString::fromLocal8Bit(name);

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, [this] {
        char buf[4096];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0)
            m_issuer.receive(QByteArray(buf, int(n)));
    });
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &IssuerSimulator::writeOut);
    return true;
}

void IssuerSimulator::closeTerminal()
{
    for (QSocketNotifier *n : {m_readNotifier, m_writeNotifier}) {
        if (n) {
            n->setEnabled(false);
            n->deleteLater();
        }
    }
    m_readNotifier = m_writeNotifier = nullptr;
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_master = m_slave = -1;
    m_device.clear();
    // What was on its way goes with the line.
    m_schedule.clear();
    m_scheduledBytes = 0;
    m_scheduleTimer.stop();
    m_out.clear();
    m_held.clear();
    endDropping();
}

void IssuerSimulator::setJoin(bool on)
{
    m_join = on;
    if (!on && !m_held.isEmpty()) {
        const QByteArray held = m_held;
        m_held.clear();
        schedule({Chunk{m_delay, held}});
    }
}

void IssuerSimulator::setAutomatic(bool on, int delayMs)
{
    m_automatic = on;
    m_autoDelay = qMax(0, delayMs);
}

void IssuerSimulator::sendReply(const QByteArray &text)
{
    QByteArray line = text + "\r\n";
    if (m_join) {
        if (m_held.isEmpty()) {
            m_held = line;
            return;
        }
        line.prepend(m_held);
        m_held.clear();
    }
    if (m_splitGap > 0 && line.size() > 2) {
        const qsizetype half = qMax<qsizetype>(1, (line.size() - 2) / 2);
        schedule({Chunk{m_delay, line.left(half)}, Chunk{m_splitGap, line.mid(half)}});
    } else {
        schedule({Chunk{m_delay, line}});
    }
}

void IssuerSimulator::sendRaw(const QByteArray &bytes)
{
    // Cut at the cap rather than refused whole: raw bytes have no boundaries to keep.
    const qsizetype room = qMax<qsizetype>(0, OutputCap - pendingBytes());
    if (bytes.size() > room)
        drop(bytes.size() - room);
    if (room > 0)
        schedule({Chunk{0, bytes.left(room)}});
}

void IssuerSimulator::schedule(QList<Chunk> chunks)
{
    if (!plugged()) {
        log(QStringLiteral("unplugged: nothing sent"));
        return;
    }
    qsizetype total = 0;
    for (const Chunk &c : chunks)
        total += c.bytes.size();
    // A reply goes out whole or not at all.
    if (pendingBytes() + total > OutputCap) {
        drop(total);
        return;
    }
    m_scheduledBytes += total;
    m_schedule += chunks;
    pumpSchedule();
}

void IssuerSimulator::pumpSchedule()
{
    while (!m_schedule.isEmpty() && !m_scheduleTimer.isActive()) {
        Chunk &next = m_schedule.first();
        if (next.pauseMs > 0) {
            m_scheduleTimer.start(next.pauseMs);
            next.pauseMs = 0;
            return;
        }
        const QByteArray bytes = m_schedule.takeFirst().bytes;
        m_scheduledBytes -= bytes.size();
        queueOut(bytes);
    }
}

void IssuerSimulator::queueOut(const QByteArray &bytes)
{
    m_out += bytes;
    // While the terminal is full the write notifier says when it takes more.
    if (m_writeNotifier && !m_writeNotifier->isEnabled())
        writeOut();
}

void IssuerSimulator::writeOut()
{
    while (!m_out.isEmpty() && m_master >= 0) {
        const ssize_t n = ::write(m_master, m_out.constData(), size_t(m_out.size()));
        if (n > 0) {
            const QByteArray taken = m_out.left(n);
            m_out.remove(0, n);
            m_written += n;
            emit wrote(taken);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_writeNotifier->setEnabled(true);
            return;
        }
        log(QStringLiteral("write failed: %1").arg(systemError()));
        drop(m_out.size());
        m_out.clear();
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    endDropping();
}

void IssuerSimulator::drop(qint64 bytes)
{
    if (m_droppedNow == 0) {
        log(QStringLiteral("the port takes no more (%1 bytes waiting): output is dropped until "
                           "it does")
                .arg(pendingBytes()));
    }
    m_droppedNow += bytes;
    m_dropped += bytes;
}

void IssuerSimulator::endDropping()
{
    if (m_droppedNow == 0)
        return;
    log(QStringLiteral("%1 bytes of output were dropped").arg(m_droppedNow));
    m_droppedNow = 0;
}

void IssuerSimulator::writeCommandTaken(SimulatedIssuer::Mode mode)
{
    if (!m_automatic)
        return;
    using Mode = SimulatedIssuer::Mode;
    const int count = mode == Mode::Issue ? m_batch : 1;
    for (int i = 1; i <= count; ++i) {
        QTimer::singleShot(m_autoDelay * i, this, [this, mode] {
            if (m_issuer.mode() != mode)
                return;
            if (mode == Mode::Loss || mode == Mode::Unloss)
                m_issuer.placeToken();
            else if (mode == Mode::Init)
                m_issuer.placeCard(m_issuer.lastCard());
            else
                m_issuer.placeCard({});
        });
    }
}

QString IssuerSimulator::helpText()
{
    return QStringLiteral(
        "commands:\n"
        "  card [CODE]            put a card on the issuer (CODE: 8 hex digits; none: the next\n"
        "                         fresh card)\n"
        "  token                  put the loss-report token on the issuer\n"
        "  remove                 take away what lies on the issuer\n"
        "  list                   password, mode, cards, token and switches\n"
        "  frames                 the frames received so far, in order\n"
        "  reply TEXT             send TEXT followed by CR LF\n"
        "  raw HEX                send the bytes given as hex digits, nothing added\n"
        "  mute on|off            answer nothing at all\n"
        "  mode-status CODE       answer the mode frame with CODE (2 or 4 characters), none or\n"
        "                         normal (0500, or 0502 for a wrong password)\n"
        "  password-answer CODE   answer the password change with CODE, none or normal\n"
        "  card-number-only on|off  a card read answers with its 8-digit code only\n"
        "  zero-codes on|off      fresh cards get codes beginning with 00\n"
        "  delay MS               wait MS before each reply\n"
        "  split MS               send each reply in two writes MS apart (0: one write)\n"
        "  join on|off            send replies in pairs, two in one write\n"
        "  auto on|off            place a card or the token by itself after write commands\n"
        "  auto-delay MS          the wait before placing by itself\n"
        "  batch N                cards placed by itself after each issue command\n"
        "  unplug                 the issuer goes away (the port map entry too)\n"
        "  plug                   it comes back under the same entry\n"
        "  help                   this text\n"
        "  quit                   leave (the port map entry is removed)");
}

QStringList IssuerSimulator::command(const QString &line)
{
    const QString cmd = line.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty).toLower();
    const QString arg = line.section(QLatin1Char(' '), 1, -1, QString::SectionSkipEmpty).trimmed();
    const QString usage = QStringLiteral("usage: ") + cmd + QLatin1Char(' ');
    const auto setSwitch = [&](const std::function<void(bool)> &set) -> QStringList {
        const std::optional<bool> on = onOff(arg);
        if (!on)
            return {usage + QStringLiteral("on|off")};
        set(*on);
        return {};
    };
    const auto setMs = [&](const std::function<void(int)> &set) -> QStringList {
        const std::optional<int> ms = milliseconds(arg);
        if (!ms)
            return {usage + QStringLiteral("MS (0 to 600000)")};
        set(*ms);
        return {};
    };
    const auto setAnswer =
        [&](const std::function<void(std::optional<QByteArray>)> &set) -> QStringList {
        std::optional<QByteArray> answer;
        if (!parseAnswer(arg, &answer))
            return {usage + QStringLiteral("CODE|none|normal (CODE: 2 or 4 characters)")};
        set(answer);
        return {};
    };

    if (cmd.isEmpty())
        return {};
    if (cmd == QLatin1String("card")) {
        if (!arg.isEmpty() && !SimulatedIssuer::isCardCode(arg))
            return {QStringLiteral("a card code is 8 hex digits (not all zero)")};
        m_issuer.placeCard(arg);
    } else if (cmd == QLatin1String("token")) {
        m_issuer.placeToken();
    } else if (cmd == QLatin1String("remove")) {
        m_issuer.remove();
    } else if (cmd == QLatin1String("list")) {
        const auto onOffText = [](bool on) {
            return on ? QStringLiteral("on") : QStringLiteral("off");
        };
        return m_issuer.describe()
               << QStringLiteral("delay %1, split %2, join %3, auto %4 (after %5 ms, batch %6)")
                      .arg(m_delay)
                      .arg(m_splitGap)
                      .arg(onOffText(m_join), onOffText(m_automatic))
                      .arg(m_autoDelay)
                      .arg(m_batch)
               << (plugged() ? QStringLiteral("plugged %1").arg(m_device)
                             : QStringLiteral("unplugged"));
    } else if (cmd == QLatin1String("frames")) {
        QStringList out;
        for (const QByteArray &f : m_issuer.frames())
            out << QString::fromLatin1(f.toHex(' ').toUpper());
        return out;
    } else if (cmd == QLatin1String("reply")) {
        log(QStringLiteral("reply %1").arg(arg));
        sendReply(arg.toLatin1());
    } else if (cmd == QLatin1String("raw")) {
        sendRaw(QByteArray::fromHex(arg.toLatin1()));
    } else if (cmd == QLatin1String("mute")) {
        return setSwitch([this](bool on) { m_issuer.setMute(on); });
    } else if (cmd == QLatin1String("mode-status")) {
        return setAnswer([this](std::optional<QByteArray> a) { m_issuer.setModeStatus(a); });
    } else if (cmd == QLatin1String("password-answer")) {
        return setAnswer([this](std::optional<QByteArray> a) { m_issuer.setPasswordAnswer(a); });
    } else if (cmd == QLatin1String("card-number-only")) {
        return setSwitch([this](bool on) { m_issuer.setCardNumberOnly(on); });
    } else if (cmd == QLatin1String("zero-codes")) {
        return setSwitch([this](bool on) { m_issuer.setZeroCodes(on); });
    } else if (cmd == QLatin1String("delay")) {
        return setMs([this](int ms) { setReplyDelay(ms); });
    } else if (cmd == QLatin1String("split")) {
        return setMs([this](int ms) { setSplitGap(ms); });
    } else if (cmd == QLatin1String("join")) {
        return setSwitch([this](bool on) { setJoin(on); });
    } else if (cmd == QLatin1String("auto")) {
        return setSwitch([this](bool on) { setAutomatic(on, m_autoDelay); });
    } else if (cmd == QLatin1String("auto-delay")) {
        return setMs([this](int ms) { m_autoDelay = ms; });
    } else if (cmd == QLatin1String("batch")) {
        bool ok = false;
        const int n = arg.toInt(&ok);
        if (!ok || n < 1 || n > 1000)
            return {usage + QStringLiteral("N (1 to 1000)")};
        setBatch(n);
    } else if (cmd == QLatin1String("unplug")) {
        unplug();
    } else if (cmd == QLatin1String("plug")) {
        if (!plug())
            return {m_error};
        log(QStringLiteral("plugged in as COM%1 (%2)").arg(m_port).arg(m_device));
    } else if (cmd == QLatin1String("help")) {
        return {helpText()};
    } else if (cmd == QLatin1String("quit") || cmd == QLatin1String("exit")) {
        emit quitRequested();
    } else {
        return {QStringLiteral("unknown command; try help")};
    }
    return {};
}

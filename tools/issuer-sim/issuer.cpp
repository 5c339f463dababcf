#include "issuer.h"

#include <QRegularExpression>

namespace {

const QByteArray Header = QByteArrayLiteral("\x09\x08\x07\x06");
constexpr uchar OpReadMode = 0xE0;
constexpr uchar OpPassword = 0xE1;
constexpr uchar OpWrite = 0xB9;

QByteArray hexUpper(const QByteArray &bytes)
{
    return bytes.toHex().toUpper();
}

QString hex2(int value)
{
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

// A packed-decimal byte as the number its two digits read (0x15 gives 15).
int fromBcd(uchar b)
{
    return (b >> 4) * 10 + (b & 0x0F);
}

QString spaced(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace

SimulatedIssuer::SimulatedIssuer(const QString &password)
    : m_password(password.toUpper())
{
    for (int i = 0; i < 12; ++i)
        m_deck.append(Card{nextFreshCode(false)});
}

bool SimulatedIssuer::isCardCode(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^[0-9A-Fa-f]{8}$"));
    return re.match(text).hasMatch() && text != QStringLiteral("00000000");
}

bool SimulatedIssuer::isPassword(const QString &text)
{
    static const QRegularExpression re(QStringLiteral("^[0-9A-Fa-f]{6}$"));
    return re.match(text).hasMatch();
}

QString SimulatedIssuer::nextFreshCode(bool zeroPrefix)
{
    for (;;) {
        m_seed = m_seed * 1664525u + 1013904223u;
        const quint32 value = zeroPrefix ? (m_seed & 0x00FFFFFFu) : m_seed;
        const QString code = QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
        bool known = false;
        for (const Card &c : std::as_const(m_deck))
            known = known || c.code == code;
        if (!known && isCardCode(code) && code.startsWith(QStringLiteral("00")) == zeroPrefix)
            return code;
    }
}

void SimulatedIssuer::answer(const QByteArray &text)
{
    if (m_mute) {
        log(QStringLiteral("mute: %1 not sent").arg(QString::fromLatin1(text)));
        return;
    }
    if (text.isEmpty()) {
        log(QStringLiteral("no answer"));
        return;
    }
    reply(text);
}

void SimulatedIssuer::receive(const QByteArray &bytes)
{
    m_pending += bytes;
    for (;;) {
        const qsizetype at = m_pending.indexOf(Header);
        if (at < 0) {
            // Keep what could be the start of a header.
            const qsizetype keep = qMin<qsizetype>(m_pending.size(), Header.size() - 1);
            const QByteArray dropped = m_pending.left(m_pending.size() - keep);
            if (!dropped.isEmpty())
                log(QStringLiteral("ignored bytes: %1").arg(spaced(dropped)));
            m_pending = m_pending.right(keep);
            return;
        }
        if (at > 0) {
            log(QStringLiteral("ignored bytes: %1").arg(spaced(m_pending.left(at))));
            m_pending.remove(0, at);
        }
        if (m_pending.size() < 5)
            return;
        const uchar op = uchar(m_pending.at(4));
        const int length = (op == OpReadMode || op == OpPassword) ? 12 : op == OpWrite ? 15 : 0;
        if (length == 0) {
            log(QStringLiteral("ignored bytes: %1").arg(spaced(m_pending.left(5))));
            m_pending.remove(0, 1);
            continue;
        }
        if (m_pending.size() < length)
            return;
        const QByteArray frame = m_pending.left(length);
        if (takeFrame(frame)) {
            m_frames.append(frame);
            m_pending.remove(0, length);
        } else {
            log(QStringLiteral("ignored frame: %1").arg(spaced(frame)));
            m_pending.remove(0, 1);
        }
    }
}

bool SimulatedIssuer::takeFrame(const QByteArray &f)
{
    const auto at = [&f](int i) { return uchar(f.at(i)); };
    if (at(f.size() - 1) != 0x0D)
        return false;
    if (at(4) == OpReadMode) {
        if (f.mid(8, 3) != QByteArray(3, '\0'))
            return false;
        const QString given = QString::fromLatin1(hexUpper(f.mid(5, 3)));
        const bool ok = given == m_password;
        log(QStringLiteral("ReadModeFrame, password %1: %2").arg(given, ok ? "accepted" : "wrong"));
        if (ok)
            m_mode = Mode::Read;
        const QByteArray normal = ok ? QByteArrayLiteral("0500") : QByteArray(WrongPasswordStatus);
        answer(m_modeStatus.value_or(normal));
        return true;
    }
    if (at(4) == OpPassword) {
        const QString old = QString::fromLatin1(hexUpper(f.mid(5, 3)));
        const QString next = QString::fromLatin1(hexUpper(f.mid(8, 3)));
        const bool ok = old == m_password;
        log(QStringLiteral("PasswordChangeFrame %1 -> %2: %3")
                .arg(old, next, ok ? "changed" : "old password wrong"));
        if (ok)
            m_password = next;
        const QByteArray normal = ok ? QByteArrayLiteral("0600") : QByteArrayLiteral("0601");
        answer(m_passwordAnswer.value_or(normal));
        return true;
    }
    // B9 frames: FF FF FF, then what they carry.
    if (f.mid(5, 3) != QByteArray(3, '\xFF'))
        return false;
    const QByteArray zeros(2, '\0');
    if (f.mid(8, 3) == QByteArray(3, '\xFF') && at(11) == 0x31 && f.mid(12, 2) == zeros) {
        log(QStringLiteral("ValidityInitFrame"));
        m_mode = Mode::Init;
    } else if (at(11) == 0x31) {
        const QByteArray maskDigits = f.mid(12, 2);
        bool ok = false;
        const int mask = QString::fromLatin1(maskDigits).toInt(&ok, 16);
        if (!ok)
            return false;
        m_issueYear = fromBcd(at(8));
        m_issueMonth = fromBcd(at(9));
        m_issueDay = fromBcd(at(10));
        m_issueMask = mask;
        log(QStringLiteral("IssueFrame: validity 20%1-%2-%3, groups %4")
                .arg(m_issueYear, 2, 10, QLatin1Char('0'))
                .arg(m_issueMonth, 2, 10, QLatin1Char('0'))
                .arg(m_issueDay, 2, 10, QLatin1Char('0'))
                .arg(hex2(mask)));
        m_mode = Mode::Issue;
    } else if (at(11) == 0x30 && f.mid(12, 2) == zeros) {
        // The unloss frame has one more FF in front of its two code bytes. A loss frame for a
        // card whose characters 3-4 are FF is byte for byte the same, and is taken as unloss.
        if (at(8) == 0xFF) {
            m_tokenTarget = f.mid(9, 2);
            m_mode = Mode::Unloss;
            log(QStringLiteral("UnlossFrame: card ...%1")
                    .arg(QString::fromLatin1(hexUpper(m_tokenTarget))));
        } else {
            m_tokenTarget = f.mid(8, 3);
            m_mode = Mode::Loss;
            log(QStringLiteral("LossFrame: card ..%1")
                    .arg(QString::fromLatin1(hexUpper(m_tokenTarget))));
        }
    } else {
        return false;
    }
    if (writeCommandTaken)
        writeCommandTaken(m_mode);
    return true;
}

SimulatedIssuer::Card &SimulatedIssuer::cardFor(const QString &code)
{
    for (Card &c : m_deck) {
        if (c.code == code)
            return c;
    }
    m_deck.append(Card{code});
    return m_deck.last();
}

void SimulatedIssuer::placeCard(const QString &given)
{
    QString code = given.toUpper();
    if (code.isEmpty()) {
        for (const Card &c : std::as_const(m_deck)) {
            if (!c.issued && c.code != m_lastCard &&
                c.code.startsWith(QStringLiteral("00")) == m_zeroCodes) {
                code = c.code;
                break;
            }
        }
        if (code.isEmpty())
            code = cardFor(nextFreshCode(m_zeroCodes)).code;
    }
    Card &card = cardFor(code);
    m_lastCard = code;
    switch (m_mode) {
    case Mode::Issue:
        card.year = m_issueYear;
        card.month = m_issueMonth;
        card.day = m_issueDay;
        card.mask = m_issueMask;
        card.issued = true;
        log(QStringLiteral("card %1 written").arg(code));
        break;
    case Mode::Init:
        card.year = card.month = card.day = card.mask = 0;
        log(QStringLiteral("card %1 initialised").arg(code));
        break;
    default:
        log(QStringLiteral("card %1 read").arg(code));
        break;
    }
    sendCardData(card);
}

void SimulatedIssuer::sendCardData(const Card &card)
{
    if (m_cardNumberOnly) {
        answer(card.code.toLatin1());
        return;
    }
    answer((card.code + hex2(card.year) + hex2(card.month) + hex2(card.day) + hex2(card.mask))
               .toLatin1());
}

void SimulatedIssuer::placeToken()
{
    if (m_mode == Mode::Loss || m_mode == Mode::Unloss) {
        m_tokenKind = m_mode == Mode::Loss ? TokenKind::Loss : TokenKind::Unloss;
        m_tokenCode = m_tokenTarget;
        log(QStringLiteral("loss token written"));
    } else if (m_mode != Mode::Read) {
        log(QStringLiteral("the loss token cannot take this command; nothing written"));
        return;
    }
    switch (m_tokenKind) {
    case TokenKind::Blank:
        log(QStringLiteral("loss token is blank; nothing to report"));
        return;
    case TokenKind::Loss:
        answer("0000000000" + hexUpper(m_tokenCode));
        return;
    case TokenKind::Unloss:
        answer("0000000000FF" + hexUpper(m_tokenCode));
        return;
    }
}

void SimulatedIssuer::remove()
{
    log(QStringLiteral("issuer is empty"));
}

QStringList SimulatedIssuer::describe() const
{
    static const char *modes[] = {"read", "issue", "loss", "unloss", "initialise"};
    QStringList out;
    out << QStringLiteral("password %1, mode %2").arg(m_password, modes[int(m_mode)]);
    for (const Card &c : m_deck) {
        out << (c.issued ? QStringLiteral("%1  20%2-%3-%4 groups %5")
                               .arg(c.code)
                               .arg(c.year, 2, 10, QLatin1Char('0'))
                               .arg(c.month, 2, 10, QLatin1Char('0'))
                               .arg(c.day, 2, 10, QLatin1Char('0'))
                               .arg(hex2(c.mask))
                         : QStringLiteral("%1  fresh").arg(c.code));
    }
    static const char *tokens[] = {"blank", "loss", "unloss"};
    out << QStringLiteral("loss token: %1 %2")
               .arg(tokens[int(m_tokenKind)], QString::fromLatin1(hexUpper(m_tokenCode)));
    const auto onOff = [](bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); };
    const auto chosen = [](const std::optional<QByteArray> &code) {
        return !code             ? QStringLiteral("normal")
               : code->isEmpty() ? QStringLiteral("none")
                                 : QString::fromLatin1(*code);
    };
    out << QStringLiteral("mute %1, mode-status %2, password-answer %3, card-number-only %4, "
                          "zero-codes %5")
               .arg(onOff(m_mute), chosen(m_modeStatus), chosen(m_passwordAnswer),
                    onOff(m_cardNumberOnly), onOff(m_zeroCodes));
    return out;
}

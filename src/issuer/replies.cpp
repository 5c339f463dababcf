#include "issuer/replies.h"
#include "issuer/texts.h"

#include "common/gbk.h"
#include "issuer/codecs.h"
#include "issuer/trim.h"

namespace issuer {

namespace {

const QString CR = QStringLiteral("\r");

// Bytes from..from+length-1 (1-based) of the reply as text.
QString part(const QByteArray &r, int from, int length)
{
    return gbk::decode(r.mid(from - 1, length));
}

} // namespace

QByteArray lastReplyFromRead(const QByteArray &bytes, int n)
{
    if (n <= 0)
        return {};
    // The read lands in a buffer of blanks followed by a NUL; the text runs to the first NUL.
    QByteArray buffer(ReadLimit, ' ');
    const QByteArray got = bytes.left(qMin(n, ReadLimit));
    buffer.replace(0, got.size(), got);
    const qsizetype nul = buffer.indexOf('\0');
    const QByteArray text = trimmed(nul >= 0 ? buffer.left(nul) : buffer);
    return (QByteArray(" ") + text).left(n);
}

namespace {

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// The text of a read: its first n bytes (at most a read's worth) up to the first NUL.
QByteArray readText(const QByteArray &bytes, int n)
{
    const QByteArray got = bytes.left(qMin(n, ReadLimit));
    const qsizetype nul = got.indexOf('\0');
    return nul >= 0 ? got.left(nul) : got;
}

} // namespace

QList<QByteArray> repliesFromRead(const QByteArray &bytes, int n)
{
    if (n <= 0)
        return {};
    const QByteArray text = readText(bytes, n);
    const QByteArray body = trimmed(text);
    bool lineEndInside = false;
    for (const char c : body)
        lineEndInside = lineEndInside || isLineEnd(c);
    if (!lineEndInside)
        return {lastReplyFromRead(bytes, n)};

    QList<QByteArray> replies;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isLineEnd(text.at(i)))
            continue;
        const QByteArray piece = text.mid(start, i - start);
        const QByteArray reply = trimmed(piece);
        if (!reply.isEmpty()) {
            // A piece that ends the read's text without any byte after it loses its last
            // character, as a whole read without a terminator does.
            const bool cut =
                i == text.size() && text.size() == qMin(n, ReadLimit) && piece.endsWith(reply);
            replies << (cut ? (QByteArray(" ") + reply).left(piece.size())
                            : QByteArray(" ") + reply);
        }
        start = i + 1;
    }
    return replies;
}

bool readEndsInsideReply(const QByteArray &bytes, int n)
{
    if (n <= 0 || n >= ReadLimit)
        return false;
    const QByteArray text = readText(bytes, n);
    return text.size() == n && !text.isEmpty() && uchar(text.back()) > 32;
}

ReplyForm classifyReply(const QByteArray &r)
{
    switch (r.size()) {
    case 8:
        return ReplyForm::CardNumber;
    case 16:
        if (r.left(8) != "00000000")
            return ReplyForm::CardData;
        return r.mid(10, 2) == "FF" ? ReplyForm::UnlossToken : ReplyForm::LossToken;
    case 2:
    case 4:
        return ReplyForm::Status;
    default:
        return ReplyForm::Ignored;
    }
}

QString tokenLine(const TokenRead &token, const QString &cardCode)
{
    return token.unloss ? texts::issuer::UnlossLinePrefix + cardCode + CR
                        : texts::issuer::LossLinePrefix + token.digits + CR;
}

ReplyPlan planReply(const QByteArray &lastReply)
{
    using E = ReplyEffect;
    const QByteArray r = trimmed(lastReply);
    ReplyPlan plan;
    plan.form = classifyReply(r);
    switch (plan.form) {
    case ReplyForm::Ignored:
        break;
    case ReplyForm::CardNumber: {
        const QString code = part(r, 1, 8);
        const QString line = texts::issuer::CardNumberPrefix + code + CR;
        plan.effects = {E::eventLine(line), E::cardRead({code, {}, {}, line}),
                        E::pane(texts::issuer::NoValidityShown)};
        break;
    }
    case ReplyForm::LossToken:
        plan.effects = {E::tokenRead({false, part(r, 11, 6), r})};
        break;
    case ReplyForm::UnlossToken:
        plan.effects = {E::tokenRead({true, part(r, 13, 4), r})};
        break;
    case ReplyForm::CardData: {
        CardRead read;
        try {
            read.validity = QStringLiteral("20") + HexToDecimalText(part(r, 9, 2)) +
                            QStringLiteral("年") + HexToDecimalText(part(r, 11, 2)) +
                            QStringLiteral("月") + HexToDecimalText(part(r, 13, 2)) +
                            QStringLiteral("日");
            read.groups = HexToDecimalText(part(r, 15, 2));
        } catch (const ConversionError &error) {
            plan.effects = {E::reportError(texts::issuer::UnreadableCardData.arg(
                gbk::decode(r.left(8)), gbk::decode(r), error.text()))};
            break;
        }
        read.code = gbk::decode(r.left(8));
        // Composed from the reply's bytes, so that code bytes which are not GBK keep the line's
        // fixed layout.
        read.line = gbk::decode(gbk::encode(texts::issuer::CardLinePrefix) + r.left(8) +
                                gbk::encode(texts::issuer::CardLineValidity + read.validity));
        plan.effects = {E::eventLine(texts::issuer::CardLineEcho + read.line), E::pause(),
                        E::cardRead(read)};
        break;
    }
    case ReplyForm::Status: {
        const QByteArray code4 = r.left(4);
        const QByteArray code2 = r.left(2);
        StatusAnswer answer{gbk::decode(code4), gbk::decode(code2), {}, gbk::decode(lastReply), {}};
        if (code4 == "0500" || code4 == "0400" || code2 == "00" || code4 == "0501") {
            answer.eventLine = texts::issuer::LinkNormalLine;
            answer.pane = texts::issuer::LinkNormalPane;
        } else if (code4 == "0600") {
            answer.eventLine = texts::issuer::PasswordChangedLine;
            answer.pane = texts::issuer::PasswordChangedPane;
        } else if (code4 == "0601" || code2 == "01") {
            answer.eventLine = texts::issuer::PasswordRejectedLine;
            answer.pane = texts::issuer::PasswordRejectedPane;
        }
        if (!answer.eventLine.isEmpty())
            plan.effects = {E::statusAnswer(answer)};
        break;
    }
    }
    return plan;
}

} // namespace issuer

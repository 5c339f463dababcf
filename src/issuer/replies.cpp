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

ReplyPlan planReply(const QByteArray &lastReply)
{
    using E = ReplyEffect;
    using C = ReplyControl;
    const QByteArray r = trimmed(lastReply);
    ReplyPlan plan;
    plan.form = classifyReply(r);
    switch (plan.form) {
    case ReplyForm::Ignored:
        break;
    case ReplyForm::CardNumber: {
        const QString line = texts::issuer::CardNumberPrefix + part(r, 1, 8) + CR;
        plan.effects = {E::addLine(C::RzMemo1, line), E::addLine(C::RzMemo2, line),
                        E::setText(C::wtxt, texts::issuer::NoValidityShown)};
        break;
    }
    case ReplyForm::LossToken: {
        // The card is decided before the line is read: the card read ends the pending loss
        // that tells which card the digits stand for.
        QList<E> effects = {
            E::tokenCardCode(part(r, 11, 6)),
            E::addLine(C::RzMemo2, texts::issuer::LossLinePrefix + part(r, 11, 6) + CR)};
        for (const C c : {C::edt17, C::edt10, C::Form7edt1}) {
            E set = E::setText(c, {});
            set.withCardCode = true;
            effects << set;
        }
        plan.effects = effects;
        break;
    }
    case ReplyForm::UnlossToken: {
        E line = E::addLine(C::RzMemo2, texts::issuer::UnlossLinePrefix);
        line.withCardCode = true;
        line.tail = CR;
        // The key is the token's digits: the reaction of edt17 to them may have emptied it.
        QList<E> effects = {E::setText(C::edt17, part(r, 13, 4)), E::lookupCardCode(part(r, 13, 4)),
                            line};
        for (const C c : {C::edt17, C::edt10, C::Form7edt1}) {
            E set = E::setText(c, {});
            set.withCardCode = true;
            effects << set;
        }
        effects << E::endLookup();
        plan.effects = effects;
        plan.failureMessage = texts::issuer::CardCodeMismatch;
        break;
    }
    case ReplyForm::CardData: {
        QString line;
        QString group;
        try {
            // Composed from the reply's bytes, so that code bytes which are not GBK keep the
            // fixed byte positions the card reading relies on.
            const QString validity = texts::issuer::CardLineValidity +
                                     HexToDecimalText(part(r, 9, 2)) + QStringLiteral("年") +
                                     HexToDecimalText(part(r, 11, 2)) + QStringLiteral("月") +
                                     HexToDecimalText(part(r, 13, 2)) + QStringLiteral("日");
            line = gbk::decode(gbk::encode(texts::issuer::CardLinePrefix) + r.left(8) +
                               gbk::encode(validity));
            group = HexToDecimalText(part(r, 15, 2));
        } catch (const ConversionError &error) {
            plan.effects = {E::reportError(texts::issuer::UnreadableCardData.arg(
                gbk::decode(r.left(8)), gbk::decode(r), error.text()))};
            break;
        }
        plan.effects = {E::setGlobal(ReplyGlobal::ReplyGroupText, group),
                        E::addLine(C::RzMemo1, texts::issuer::CardLineEcho + line), E::pause(),
                        E::addLine(C::RzMemo2, line)};
        break;
    }
    case ReplyForm::Status: {
        const QByteArray code4 = r.left(4);
        const QByteArray code2 = r.left(2);
        plan.effects = {E::setGlobal(ReplyGlobal::ReplyCode4, gbk::decode(code4)),
                        E::setGlobal(ReplyGlobal::ReplyCode2, gbk::decode(code2))};
        QString line;
        QString pane;
        if (code4 == "0500" || code4 == "0400" || code2 == "00" || code4 == "0501") {
            line = texts::issuer::LinkNormalLine;
            pane = texts::issuer::LinkNormalPane;
        } else if (code4 == "0600") {
            line = texts::issuer::PasswordChangedLine;
            pane = texts::issuer::PasswordChangedPane;
        } else if (code4 == "0601" || code2 == "01") {
            line = texts::issuer::PasswordRejectedLine;
            pane = texts::issuer::PasswordRejectedPane;
        }
        if (!line.isEmpty()) {
            plan.effects << E::addLine(C::RzMemo1, line)
                         << E::addLine(C::RzMemo5, gbk::decode(lastReply))
                         << E::setText(C::wtxt, pane);
        }
        break;
    }
    }
    return plan;
}

} // namespace issuer

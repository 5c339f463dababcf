#pragma once
// Issuer replies: what one read of the port leaves as its last reply, which reply form it is,
// what it says (a card read, a token read, a status answer) and the plan of steps that hands it
// on. All of it is pure; the receive handler applies a plan step by step.
#include <QByteArray>
#include <QList>
#include <QString>

namespace issuer {

// Bytes one read may take.
constexpr int ReadLimit = 1024;

// The last reply from the result of one read: n is the read's result (0: nothing, negative: error),
// bytes what was read. A blank followed by the trimmed text (cut at its first NUL), the whole cut
// to n bytes, so a reply without any terminator loses its last character.
QByteArray lastReplyFromRead(const QByteArray &bytes, int n);

// Every reply one read carries, in order, each as its last reply. The issuer ends each reply with
// a line end; replies that reach the port within one notification's pauses arrive in one read
// and each is handled on its own. A read without a line end inside its text is one reply, as
// lastReplyFromRead gives it; a last piece without a line end after complete lines is cut by the
// same rule, counted in its own bytes.
QList<QByteArray> repliesFromRead(const QByteArray &bytes, int n);

// Whether the text of a read ends inside a reply (no line end, blank or NUL after its last
// character): the rest of that reply may still be on its way.
bool readEndsInsideReply(const QByteArray &bytes, int n);

enum class ReplyForm { Ignored, CardNumber, LossToken, UnlossToken, CardData, Status };

// The form of reply text R (the last reply trimmed), by its length and content.
ReplyForm classifyReply(const QByteArray &reply);

// A card the issuer read (or has just written). A card-data reply gives its code, validity and
// gate groups; a card-number reply (the issuer's switch hides the rest) its code only.
struct CardRead
{
    QString code;     // the card's eight code characters
    QString validity; // "2015年05月09日"; empty from a card-number reply
    QString groups;   // the gate groups' number as decimal text; empty from a card-number reply
    QString line;     // the card memo's line for it
    bool operator==(const CardRead &) const = default;
};

// A loss or unloss token the issuer read back after writing it.
struct TokenRead
{
    bool unloss = false;
    QString digits;   // the card digits it carries: six for a loss, four for an unloss
    QByteArray reply; // the reply's characters, which a pending loss or unloss is checked against
    bool operator==(const TokenRead &) const = default;
};

// The card memo's line for a token. A loss line names the card by the token's own digits, an
// unloss line by cardCode, the archive's card the digits were found in.
QString tokenLine(const TokenRead &token, const QString &cardCode);

// A status answer: its first four and first two characters, and what it shows. A code without
// a meaning here shows nothing (empty texts).
struct StatusAnswer
{
    QString code4;
    QString code2;
    QString eventLine; // the event memo's line
    QString rawLine;   // the reply as read, for the counter memo
    QString pane;      // the status pane's text
    bool operator==(const StatusAnswer &) const = default;
};

// One step of handling a reply, in order.
struct ReplyEffect
{
    enum Kind {
        EventLine,  // a line in the event memo (text)
        Pause,      // the short pause between the event line and the card line of a card read
        Card,       // a card was read (card)
        Token,      // a token was read (token)
        Status,     // a status answer arrived (status)
        Pane,       // the status pane shows text
        ReportError // the general error display with the text
    };
    Kind kind = EventLine;
    QString text;
    CardRead card;
    TokenRead token;
    StatusAnswer status;

    static ReplyEffect make(Kind kind, const QString &text = {})
    {
        ReplyEffect e;
        e.kind = kind;
        e.text = text;
        return e;
    }
    static ReplyEffect eventLine(const QString &t) { return make(EventLine, t); }
    static ReplyEffect pause() { return make(Pause); }
    static ReplyEffect pane(const QString &t) { return make(Pane, t); }
    static ReplyEffect reportError(const QString &t) { return make(ReportError, t); }
    static ReplyEffect cardRead(const CardRead &read)
    {
        ReplyEffect e = make(Card);
        e.card = read;
        return e;
    }
    static ReplyEffect tokenRead(const TokenRead &token)
    {
        ReplyEffect e = make(Token);
        e.token = token;
        return e;
    }
    static ReplyEffect statusAnswer(const StatusAnswer &status)
    {
        ReplyEffect e = make(Status);
        e.status = status;
        return e;
    }
    bool operator==(const ReplyEffect &) const = default;
};

struct ReplyPlan
{
    ReplyForm form = ReplyForm::Ignored;
    QList<ReplyEffect> effects;
};

// The plan for one reply, given the last reply. A card-data reply whose date or group digits are
// not hex digits cannot be shown as a card: its plan reports the conversion error, since the issuer
// may have written that card. A status code without a meaning here has no effect.
ReplyPlan planReply(const QByteArray &lastReply);

} // namespace issuer

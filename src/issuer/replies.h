#pragma once
// Issuer replies: what one read of the port leaves in LastReply, which reply form it is, and
// the plan of effects that hands it to the main window's event controls. All of it is pure; the
// receive handler applies a plan step by step.
#include <QByteArray>
#include <QList>
#include <QString>

namespace issuer {

// Bytes one read may take.
constexpr int ReadLimit = 1024;

// LastReply from the result of one read: n is the read's result (0: nothing, negative: error),
// bytes what was read. A blank followed by the trimmed text (cut at its first NUL), the whole cut
// to n bytes, so a reply without any terminator loses its last character.
QByteArray lastReplyFromRead(const QByteArray &bytes, int n);

// Every reply one read carries, in order, each as its LastReply. The issuer ends each reply with
// a line end; replies that reach the port within one notification's pauses arrive in one read
// and each is handled on its own. A read without a line end inside its text is one reply, as
// lastReplyFromRead gives it; a last piece without a line end after complete lines is cut by the
// same rule, counted in its own bytes.
QList<QByteArray> repliesFromRead(const QByteArray &bytes, int n);

// Whether the text of a read ends inside a reply (no line end, blank or NUL after its last
// character): the rest of that reply may still be on its way.
bool readEndsInsideReply(const QByteArray &bytes, int n);

enum class ReplyForm { Ignored, CardNumber, LossToken, UnlossToken, CardData, Status };

// The form of reply text R (LastReply trimmed), by its length and content.
ReplyForm classifyReply(const QByteArray &reply);

// Where the effects of a reply go.
enum class ReplyControl { RzMemo1, RzMemo2, RzMemo5, edt17, edt10, Form7edt1, wtxt };
enum class ReplyGlobal { ReplyCode4, ReplyCode2, ReplyGroupText };

struct ReplyEffect
{
    enum Kind {
        AddLine,        // add text to a memo (runs its change handler)
        SetText,        // set an edit's or the pane's text (runs its change handler on a change)
        SetGlobal,      // set one of the reply globals
        Pause,          // the short pause between the two card-data lines
        LookupCardCode, // find the archive's card code K for the token's digits (the text)
        TokenCardCode,  // K: the card a loss token's six digits (the effect's text) stand for
        EndLookup,      // close the archive query of the lookup (nothing is posted)
        ReportError     // the general error display with the effect's text
    };
    Kind kind = AddLine;
    ReplyControl control = ReplyControl::RzMemo1;
    ReplyGlobal global = ReplyGlobal::ReplyCode4;
    QString text;
    // With withCardCode the effect's text is text + K + tail, K from the last LookupCardCode.
    bool withCardCode = false;
    QString tail;

    static ReplyEffect make(Kind kind, ReplyControl control, const QString &text)
    {
        ReplyEffect e;
        e.kind = kind;
        e.control = control;
        e.text = text;
        return e;
    }
    static ReplyEffect addLine(ReplyControl c, const QString &t) { return make(AddLine, c, t); }
    static ReplyEffect setText(ReplyControl c, const QString &t) { return make(SetText, c, t); }
    static ReplyEffect setGlobal(ReplyGlobal g, const QString &t)
    {
        ReplyEffect e = make(SetGlobal, ReplyControl::RzMemo1, t);
        e.global = g;
        return e;
    }
    static ReplyEffect pause() { return make(Pause, ReplyControl::RzMemo1, {}); }
    static ReplyEffect lookupCardCode(const QString &key)
    {
        return make(LookupCardCode, ReplyControl::edt17, key);
    }
    static ReplyEffect endLookup() { return make(EndLookup, ReplyControl::RzMemo1, {}); }
    static ReplyEffect reportError(const QString &text)
    {
        return make(ReportError, ReplyControl::RzMemo1, text);
    }
    static ReplyEffect tokenCardCode(const QString &digits)
    {
        return make(TokenCardCode, ReplyControl::RzMemo2, digits);
    }
    bool operator==(const ReplyEffect &) const = default;
};

struct ReplyPlan
{
    ReplyForm form = ReplyForm::Ignored;
    QList<ReplyEffect> effects;
    // The unloss lookup is guarded as a whole: any failure shows this text and ends the
    // handling. Empty for the other forms.
    QString failureMessage;
};

// The plan for one reply, given LastReply. A card-data reply whose date or group digits are not
// hex digits cannot be shown as a card line: its plan reports the conversion error, since the
// issuer may have written that card.
ReplyPlan planReply(const QByteArray &lastReply);

} // namespace issuer

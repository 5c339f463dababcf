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
        LookupCardCode, // find the archive's card code K for the text of edt17
        EndLookup       // close the archive query of the lookup (nothing is posted)
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
    static ReplyEffect lookupCardCode() { return make(LookupCardCode, ReplyControl::edt17, {}); }
    static ReplyEffect endLookup() { return make(EndLookup, ReplyControl::RzMemo1, {}); }
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
// hex digits gives an empty plan (it is ignored like any other malformed reply).
ReplyPlan planReply(const QByteArray &lastReply);

// The archive lookup of an unloss token: rows whose card code contains the key, and, when the
// key is all digits, the row with that vehicle number. The key is bound, never spliced.
struct CardLookup
{
    QString sql;
    bool byVehicleNumber = false; // also binds :id with the key as a number
};
CardLookup unlossLookup(const QString &key);

// Texts of the reply handling.
namespace texts {
inline const QString CardNumberPrefix = QStringLiteral("卡号:");
inline const QString NoValidityShown =
    QStringLiteral("此卡未显示有效期,请检查发行器底部的拨码开关的状态!");
inline const QString LossLinePrefix = QStringLiteral("状态: 挂失   卡号: 00");
inline const QString UnlossLinePrefix = QStringLiteral("状态: 解挂   卡号: ");
inline const QString CardLinePrefix = QStringLiteral("卡片内码:");
inline const QString CardLineValidity = QStringLiteral("   有效期：20");
inline const QString CardLineEcho = QStringLiteral("       此");
inline const QString LinkNormalLine = QStringLiteral("发行器通讯正常,请读卡!");
inline const QString LinkNormalPane = QStringLiteral("发行器通讯正常，请读卡!");
inline const QString PasswordChangedLine =
    QStringLiteral(" 发行器用户密码修改成功.请备份好新密码.");
inline const QString PasswordChangedPane = QStringLiteral("发行器用户密码修改成功.请备份好新密码.");
inline const QString PasswordRejectedLine =
    QStringLiteral(" 发行器用户密码修改失败，原始密码错误.");
inline const QString PasswordRejectedPane = QStringLiteral("发行器用户密码修改失败，原始密码错误.");
inline const QString CardCodeMismatch = QStringLiteral("卡片内码不符!");
} // namespace texts

} // namespace issuer

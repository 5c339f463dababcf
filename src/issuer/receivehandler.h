#pragma once
// The receive handler: each notification of the serial link is read after the handler's pauses;
// every reply the read carries is kept in LastReply, classified and handed to the main window's
// event controls in a fixed order, one reply completely before the next. One notification is
// handled completely before the next; notifications that arrive meanwhile wait in a queue. The
// pauses are timers, so the event loop runs throughout.
#include "issuer/replies.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

class SerialLink;

// The controls and services a reply reaches.
class ReplyTarget
{
public:
    virtual ~ReplyTarget() = default;
    virtual void addLine(issuer::ReplyControl control, const QString &line) = 0;
    virtual void setText(issuer::ReplyControl control, const QString &text) = 0;
    virtual QString text(issuer::ReplyControl control) const = 0;
    // Opens the archive lookup for an unloss token and returns the card code of its current row
    // (empty when nothing matched); throws when the archive cannot be searched.
    virtual QString lookupCardCode(const QString &key) = 0;
    virtual void endLookup() = 0;
    // The card code a loss token's last six digits stand for: without a card of its own the
    // code the token spells, "00" and the six digits.
    virtual QString lossTokenCardCode(const QString &digits)
    {
        return QStringLiteral("00") + digits;
    }
    // A plain message box, and the general error display.
    virtual void showMessage(const QString &text) = 0;
    virtual void showError(const QString &text) = 0;
};

class ReceiveHandler : public QObject
{
    Q_OBJECT
public:
    ReceiveHandler(SerialLink *link, ReplyTarget *target, QObject *parent = nullptr);

    // A notification of the link: at least one byte waits on the port.
    void notify(int port);
    bool busy() const { return m_stage != Stage::Idle; }
    // While a reply's effects are being applied: the port it came from and its form.
    bool applying() const { return m_stage == Stage::Applying; }
    int currentPort() const { return m_port; }
    issuer::ReplyForm currentForm() const { return m_plan.form; }

signals:
    // One notification was handled to its end (or dropped because its port was closed).
    void notificationHandled(int port);

private:
    enum class Stage { Idle, BeforeBuffer, BeforeRead, ReadingRest, AfterRead, Applying };

    void startNext();
    void advance();
    void planNextReply();
    void applyEffects();
    void finish();
    void portClosed(int port);

    SerialLink *m_link;
    ReplyTarget *m_target;
    QTimer m_timer;
    Stage m_stage = Stage::Idle;
    int m_port = 0;
    QList<int> m_queue;
    QByteArray m_bytes;
    int m_readResult = 0;
    int m_restReads = 0;
    // The replies of the read still to be handled, in order.
    QList<QByteArray> m_replies;
    issuer::ReplyPlan m_plan;
    qsizetype m_next = 0;
    QString m_cardCode;
};

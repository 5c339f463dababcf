#pragma once
// The receive handler: each notification of the serial link is read after the handler's pauses;
// every reply the read carries is kept as the last reply, classified and handed to the reply
// target step by step, one reply completely before the next. One notification is
// handled completely before the next; notifications that arrive meanwhile wait in a queue. The
// pauses are timers, so the event loop runs throughout.
#include "issuer/replies.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

class SerialLink;

// Whoever takes what the replies say: the event memo's lines, the status pane, the cards and
// tokens read, and the status answers, each at its step of the reply's plan.
class ReplyTarget
{
public:
    virtual ~ReplyTarget() = default;
    virtual void eventLine(const QString &line) = 0;
    virtual void statusAnswered(const issuer::StatusAnswer &answer) = 0;
    virtual void cardRead(const issuer::CardRead &read) = 0;
    virtual void tokenRead(const issuer::TokenRead &token) = 0;
    virtual void showPane(const QString &text) = 0;
    // The general error display.
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
    // The last reply read, as the reply forms are told apart by: a blank, then its text. A read
    // that failed leaves it empty.
    const QString &lastReply() const { return m_lastReply; }

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
    QString m_lastReply;
};

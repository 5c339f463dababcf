#include "issuer/receivehandler.h"

#include "common/errors.h"
#include "common/gbk.h"
#include "issuer/seriallink.h"
#include "issuer/timings.h"

#include <QPointer>
#include <exception>

using namespace issuer;

ReceiveHandler::ReceiveHandler(SerialLink *link, ReplyTarget *target, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_target(target)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ReceiveHandler::advance);
    connect(link, &SerialLink::dataWaiting, this, &ReceiveHandler::notify);
    connect(link, &SerialLink::portClosed, this, &ReceiveHandler::portClosed);
}

void ReceiveHandler::notify(int port)
{
    // A read still to come on that port takes the new bytes as well.
    const bool readPending =
        m_port == port && (m_stage == Stage::BeforeBuffer || m_stage == Stage::BeforeRead);
    if (!readPending && !m_queue.contains(port))
        m_queue.append(port);
    if (m_stage == Stage::Idle)
        startNext();
}

void ReceiveHandler::startNext()
{
    if (m_queue.isEmpty())
        return;
    m_port = m_queue.takeFirst();
    m_bytes.clear();
    m_readResult = 0;
    m_restReads = 0;
    m_replies.clear();
    m_plan = {};
    m_next = 0;
    m_stage = Stage::BeforeBuffer;
    m_timer.start(timings().beforeBuffer);
}

void ReceiveHandler::advance()
{
    switch (m_stage) {
    case Stage::Idle:
        return;
    case Stage::BeforeBuffer:
        m_stage = Stage::BeforeRead;
        m_timer.start(timings().beforeRead);
        return;
    case Stage::BeforeRead:
        m_readResult = m_link->read(m_port, &m_bytes, ReadLimit);
        if (m_readResult == 0) {
            finish();
            return;
        }
        if (readEndsInsideReply(m_bytes, m_readResult)) {
            // The read caught a reply on its way: its rest follows within milliseconds.
            m_stage = Stage::ReadingRest;
            m_timer.start(timings().replyRestWait);
            return;
        }
        m_stage = Stage::AfterRead;
        m_timer.start(timings().afterRead);
        return;
    case Stage::ReadingRest: {
        QByteArray rest;
        const int n = m_link->read(m_port, &rest, ReadLimit - m_readResult);
        if (n > 0) {
            m_bytes = m_bytes.left(m_readResult) + rest.left(n);
            m_readResult += n;
        }
        if (n > 0 && ++m_restReads < 3 && readEndsInsideReply(m_bytes, m_readResult)) {
            m_timer.start(timings().replyRestWait);
            return;
        }
        m_stage = Stage::AfterRead;
        m_timer.start(timings().afterRead);
        return;
    }
    case Stage::AfterRead:
        if (m_readResult < 0) {
            m_lastReply.clear();
            finish();
            return;
        }
        m_replies = repliesFromRead(m_bytes, m_readResult);
        planNextReply();
        return;
    case Stage::Applying:
        applyEffects();
        return;
    }
}

void ReceiveHandler::planNextReply()
{
    if (m_replies.isEmpty()) {
        finish();
        return;
    }
    const QByteArray reply = m_replies.takeFirst();
    m_lastReply = gbk::decode(reply);
    m_plan = planReply(reply);
    m_next = 0;
    m_stage = Stage::Applying;
    applyEffects();
}

void ReceiveHandler::applyEffects()
{
    // A change handler may open a modal box or even tear the window down; re-check after each
    // step.
    QPointer<ReceiveHandler> self(this);
    while (m_next < m_plan.effects.size()) {
        const ReplyEffect e = m_plan.effects.at(m_next++);
        if (e.kind == ReplyEffect::Pause) {
            m_timer.start(timings().cardDataGap);
            return;
        }
        bool failed = false;
        QString failure;
        try {
            switch (e.kind) {
            case ReplyEffect::EventLine:
                m_target->eventLine(e.text);
                break;
            case ReplyEffect::Status:
                m_target->statusAnswered(e.status);
                break;
            case ReplyEffect::Card:
                m_target->cardRead(e.card);
                break;
            case ReplyEffect::Token:
                m_target->tokenRead(e.token);
                break;
            case ReplyEffect::Pane:
                m_target->showPane(e.text);
                break;
            case ReplyEffect::ReportError:
                m_target->showError(e.text);
                break;
            case ReplyEffect::Pause:
                break;
            }
        } catch (const VelmoraError &error) {
            failed = true;
            failure = error.text();
        } catch (const std::exception &error) {
            failed = true;
            failure = QString::fromUtf8(error.what());
        }
        if (!self)
            return;
        if (failed) {
            // The rest of this reply's steps are dropped.
            m_target->showError(failure);
            if (!self)
                return;
            break;
        }
    }
    // The next reply of the same read, if any, with its own effects.
    planNextReply();
}

void ReceiveHandler::finish()
{
    const int port = m_port;
    m_stage = Stage::Idle;
    m_port = 0;
    m_plan = {};
    m_replies.clear();
    m_bytes.clear();
    emit notificationHandled(port);
    if (m_stage == Stage::Idle)
        startNext();
}

void ReceiveHandler::portClosed(int port)
{
    // Closing a port ends its notifications, also those still waiting here.
    m_queue.removeAll(port);
    if (m_port == port && (m_stage == Stage::BeforeBuffer || m_stage == Stage::BeforeRead ||
                           m_stage == Stage::ReadingRest)) {
        m_timer.stop();
        finish();
    }
}

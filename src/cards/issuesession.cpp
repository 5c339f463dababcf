#include "cards/issuesession.h"

#include <utility>

namespace cards {

IssueSession::IssueSession(std::function<void()> sendReadMode)
    : m_sendReadMode(std::move(sendReadMode))
{}

bool IssueSession::groupChosen(int group) const
{
    return group >= 1 && group <= 8 && (m_groups & (1 << (group - 1))) != 0;
}

void IssueSession::enter(Mode mode)
{
    m_mode = mode;
    m_open = true;
    m_initialisation = false;
}

void IssueSession::chooseSingle()
{
    enter(Mode::Single);
}

void IssueSession::chooseBatch()
{
    enter(Mode::Batch);
}

void IssueSession::chooseExtension()
{
    enter(Mode::Extension);
    m_extendedCard.clear();
}

void IssueSession::startSent()
{
    m_started = true;
}

void IssueSession::setGroup(int group, bool chosen)
{
    if (group < 1 || group > 8)
        return;
    const int bit = 1 << (group - 1);
    m_groups = chosen ? (m_groups | bit) : (m_groups & ~bit);
}

void IssueSession::recordSaved()
{
    if (m_mode == Mode::Batch)
        return;
    if (m_mode == Mode::Extension)
        m_mode = Mode::None;
    m_open = false;
    m_started = false;
}

void IssueSession::singleCompleted()
{
    m_mode = Mode::None;
    m_open = false;
}

void IssueSession::extensionCompleted()
{
    if (m_mode == Mode::Extension)
        m_mode = Mode::None;
}

void IssueSession::duplicateRefused()
{
    if (m_mode == Mode::Batch)
        return;
    m_mode = Mode::None;
    m_open = false;
    m_started = false;
}

void IssueSession::awaitToken(Token token, const QString &card)
{
    m_token = token;
    m_tokenCard = card;
}

void IssueSession::reset()
{
    m_mode = Mode::None;
    m_open = false;
    m_started = false;
    m_token = Token::None;
    m_initialisation = false;
}

void IssueSession::end()
{
    reset();
    if (m_sendReadMode)
        m_sendReadMode();
}

} // namespace cards

// Loss, unloss and initialisation on the card tab: the buttons that ask and send the frame, and
// their completions inside the card read when the issuer reports the token or card it wrote.
#include "cards/cardlookup.h"
#include "cards/cardtab.h"
#include "cards/issuesession.h"
#include "cards/issuing.h"
#include "cards/loss.h"
#include "cards/texts.h"
#include "common/dialogs.h"
#include "common/globals.h"
#include "db/cardlog.h"
#include "db/datafrm.h"
#include "db/ownerarchive.h"
#include "db/query.h"
#include "db/texts.h"
#include "issuer/frames.h"
#include "issuer/issuerport.h"
#include "issuer/trim.h"
#include "shell/texts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Sets the columns of the record of `code` (the whole code: a card that is only contained in
// another record's code is not that record). False when there is no such record or the save
// fails; the archive is then unchanged. The owner fields show no record afterwards.
bool markRecord(Query *ownerRecords, const QString &operation, const QString &code,
                const QList<QPair<QString, QString>> &columns)
{
    if (!ownerRecords || !Datafrm)
        return false;
    ownerRecords->close();
    try {
        const cardlog::Operation logged(operation);
        return owners::OwnerArchive(*Datafrm->con).setColumns(code, columns);
    } catch (const std::exception &) {
        return false;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The buttons

void CardTab::lossButtonClick()
{
    sendTokenRequest(true);
}

void CardTab::unlossButtonClick()
{
    sendTokenRequest(false);
}

void CardTab::sendTokenRequest(bool loss)
{
    using Token = cards::IssueSession::Token;
    // The frame carries characters 3..8 (loss) or 5..8 (unloss) of the code: without all eight
    // it would lose some.
    if (!cards::isFullCardCode(cardCodeField->text())) {
        Dialogs::message(texts::cards::CardCodeEmpty, this);
        return;
    }
    if (Dialogs::box(loss ? texts::cards::LossQuestion : texts::cards::UnlossQuestion,
                     loss ? texts::cards::Loss : texts::cards::Unloss, Dialogs::YesNo,
                     loss ? Dialogs::Warning : Dialogs::Question, this) != Dialogs::Yes) {
        m_session->dropToken();
        lossButton->setEnabled(false);
        unlossButton->setEnabled(false);
        return;
    }
    try {
        // The token's report will be checked against this card, not against what it selects.
        const QString card = issuer::trimmed(cardCodeField->text());
        m_session->awaitToken(loss ? Token::Loss : Token::Unloss, card);
        if (loss)
            m_port.sendFrame(IssuerFrame::Loss, LossFrame(card));
        else
            m_port.sendFrame(IssuerFrame::Unloss, UnlossFrame(card));
        Dialogs::message(loss ? texts::cards::LossSent : texts::cards::UnlossSent, this);
        lossButton->setEnabled(false);
        unlossButton->setEnabled(false);
    } catch (const std::exception &) {
        Dialogs::message(texts::cards::CardCodeEmpty, this);
    }
}

void CardTab::initialiseButtonClick()
{
    if (refusedWhileBusy())
        return;
    m_session->awaitInitialisation();
    if (Dialogs::box(texts::cards::InitQuestion, texts::shell::SystemPrompt, Dialogs::YesNo,
                     Dialogs::Question, this) != Dialogs::Yes) {
        m_session->dropInitialisation();
        return;
    }
    m_port.sendFrame(IssuerFrame::ValidityInit, ValidityInitFrame());
    setStatus(texts::cards::InitSentPane);
    Dialogs::message(texts::cards::InitSentBox, this);
    initialiseButton->setEnabled(false);
}

bool CardTab::refusedWhileBusy()
{
    if (!modeSelected())
        return false;
    Dialogs::message(texts::cards::ModeBusy, this);
    return true;
}

QString CardTab::tokenCardFor(bool unloss, const QString &digits) const
{
    using Token = cards::IssueSession::Token;
    const cards::TokenOperation operation =
        unloss ? cards::TokenOperation::Unloss : cards::TokenOperation::Loss;
    const QString &card = m_session->tokenCard();
    if (m_session->tokenPending() != (unloss ? Token::Unloss : Token::Loss) ||
        !cards::isFullCardCode(card) ||
        cards::tokenDigits(operation, card).compare(digits, Qt::CaseInsensitive) != 0)
        return {};
    return card;
}

// ---------------------------------------------------------------------------------------------
// Completions inside the card read

bool CardTab::confirmTokenRead(bool unloss, const QByteArray &tokenReply)
{
    const cards::TokenOperation operation =
        unloss ? cards::TokenOperation::Unloss : cards::TokenOperation::Loss;
    const QString card = m_session->tokenCard();
    const bool confirmed = cards::tokenConfirms(operation, card, tokenReply);
    m_session->dropToken();
    lossButton->setEnabled(false);
    unlossButton->setEnabled(false);
    if (!confirmed) {
        // The token carries another card's digits (or the other command): nothing is recorded
        // for the card the operator chose.
        sendReadModeFrame();
        Dialogs::message(texts::cards::CardCodeMismatch, this);
        return false;
    }
    cardCodeField->setText(card);
    codeLookupField->setText(card);
    sendReadModeFrame();
    const QString status = unloss ? texts::cards::StatusFound : texts::cards::StatusLost;
    if (!markRecord(ownerRecords(),
                    unloss ? texts::db::history::FoundAgain : texts::db::history::ReportedLost,
                    card, {{QStringLiteral("卡片状态"), status}})) {
        Dialogs::message(texts::cards::CardCodeEmpty, this);
        return false;
    }
    Dialogs::message(unloss ? texts::cards::UnlossWritten : texts::cards::LossWritten, this);
    return true;
}

bool CardTab::cardReadCompletesInitialisation()
{
    m_session->dropInitialisation();
    sendReadModeFrame();
    // The card just read, exactly: a containing lookup could select another owner's record.
    if (!markRecord(ownerRecords(), texts::db::history::Initialised, codeLookupField->text(),
                    {{QStringLiteral("卡片状态"), texts::cards::StatusInitialised},
                     {QStringLiteral("卡片有效期限"), texts::cards::InitialisedValidity}})) {
        Dialogs::message(texts::cards::InitUnregistered, this);
        return false;
    }
    Dialogs::message(texts::cards::InitDone, this);
    return true;
}

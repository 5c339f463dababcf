// The card read of the card tab: every line the issuer link adds to the card memo, the counters
// and lamps it moves, and the save of the archive record that completes an issue or extension.
#include "archive/tform7.h"
#include "cards/cardfields.h"
#include "cards/cardtab.h"
#include "cards/issuesession.h"
#include "cards/issuing.h"
#include "cards/texts.h"
#include "common/clock.h"
#include "common/dialogs.h"
#include "common/globals.h"
#include "common/guard.h"
#include "db/cardlog.h"
#include "db/datafrm.h"
#include "db/dberror.h"
#include "db/texts.h"
#include "issuer/replies.h"
#include "shell/texts.h"
#include "shell/widgets.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

namespace {

constexpr int CardMemoLimit = 3000;

void setArchiveSearch(QLineEdit *archiveSearch, const QString &text)
{
    if (archiveSearch)
        archiveSearch->setText(text);
}

int counter(const QLineEdit *e)
{
    return e->text().toInt();
}

bool sameCardCode(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

void CardTab::onCardRead(const issuer::CardRead &read)
{
    if (!read.groups.isEmpty())
        m_readGroups = read.groups;
    guarded([&] { reactToRead(read.code, read.validity, nullptr); });
}

void CardTab::onTokenRead(const issuer::TokenRead &token)
{
    // A token shows no card code or validity of its own.
    guarded([&] { reactToRead(QString(), QString(), &token); });
}

void CardTab::reactToRead(const QString &code, const QString &validity,
                          const issuer::TokenRead *token)
{
    bindArchiveFields();
    readsCounter->setText(QString::number(counter(readsCounter) + 1));
    readGroupField->setText(m_readGroups);
    readGroupsList->show();

    cardCodeField->clear();
    validityField->clear();
    codeLookupField->clear();
    setArchiveSearch(m_archiveCodeEdit.data(), QString());
    validityField->setText(validity);

    if (token) {
        using Token = cards::IssueSession::Token;
        if (m_session->tokenPending() == Token::Loss) {
            if (!confirmTokenRead(false, token->reply))
                return;
        } else if (m_session->tokenPending() == Token::Unloss) {
            if (!confirmTokenRead(true, token->reply))
                return;
        }
    } else {
        cardCodeField->setText(code);
        codeLookupField->setText(code);
        setArchiveSearch(m_archiveCodeEdit.data(), code);
    }

    if (m_session->initialisationPending() && !cardReadCompletesInitialisation())
        return;

    using Mode = cards::IssueSession::Mode;
    using Save = cards::IssueSession::SaveOutcome;
    const cards::IssueSession &session = *m_session;
    if (session.mode() == Mode::Batch) {
        // The next card of a batch carries the groups of the card just written.
        selectNoneButtonClick();
        for (int i = 0; i < 8; ++i) {
            if (readGroupsList->item(i)->checkState() == Qt::Checked) {
                groupCheck(i + 1)->setEnabled(true);
                groupCheck(i + 1)->setChecked(true);
            }
        }
    } else if (!(session.open() &&
                 (session.mode() == Mode::Single || session.mode() == Mode::Batch) &&
                 startIssueButton->isEnabled() && counter(startsSentCounter) > 0)) {
        setStatus(texts::cards::ReadNormal);
    }

    if (session.open() && session.mode() == Mode::Extension && extendButton->isEnabled() &&
        counter(startsSentCounter) > 0 && session.started()) {
        const QString written = cardCodeField->text();
        const QString extended = session.extendedCard();
        saveRecordButton->setEnabled(true);
        saveRecordButtonClick();
        if (session.lastSave() == Save::Failed)
            return; // issuing has ended and the operator was told
        sendReadModeFrame();
        if (session.lastSave() == Save::Saved && sameCardCode(written, extended))
            setStatus(texts::cards::ExtendDone);
        else if (session.lastSave() == Save::Saved)
            setStatus(texts::cards::ExtendOtherCardPane.arg(written, extended));
        else if (session.lastSave() == Save::Duplicate)
            setStatus(texts::cards::ExtendOtherRecordPane.arg(written));
        startIssueButton->setEnabled(false);
        startIssueButton->setStyleSheet(QString());
        codeLookupField->setText(texts::cards::ReadEntry);
        m_session->extensionCompleted();
    }

    if (!vehicleNumberField->text().isEmpty() && !cardCodeField->text().isEmpty() &&
        !validityField->text().isEmpty() && session.open() && singleIssueButton->isEnabled() &&
        session.mode() == Mode::Single && session.started()) {
        try {
            saveRecordButton->setEnabled(true);
            saveRecordButtonClick();
            if (session.lastSave() == Save::Failed)
                return;
            if (session.lastSave() == Save::Saved)
                setStatus(texts::cards::SingleSaved);
            singleIssueButton->setEnabled(true);
            singleIssueButton->setFocus();
            sendReadModeFrame();
            startIssueButton->setEnabled(false);
            m_session->singleCompleted();
            singleIssueMark->setChecked(false);
            batchIssueMark->setChecked(false);
            batchIssueMark->setEnabled(true);
            validityPicker->hide();
        } catch (const std::exception &) {
            return; // the rest of the card read is skipped, without a message
        }
    }

    if (!vehicleNumberField->text().isEmpty() && session.open() && session.mode() == Mode::Batch &&
        batchIssueButton->isEnabled() && counter(startsSentCounter) > 0 && session.started()) {
        try {
            saveRecordButton->setEnabled(true);
            saveRecordButtonClick();
            // A record that could not be saved ends the batch: the issuer must not write on.
            if (session.lastSave() == Save::Failed)
                return;
            const bool saved = session.lastSave() == Save::Saved;
            // The issuer stays in issuing mode: the next card gets the next record.
            batchIssueButtonClick();
            if (saved)
                setStatus(texts::cards::BatchSaved);
        } catch (const std::exception &) {
            return;
        }
    }

    selectAllButton->setEnabled(false);
    invertGatesButton->setEnabled(false);
}

// ---------------------------------------------------------------------------------------------
// Saving the archive record

void CardTab::saveRecordButtonClick()
{
    using Save = cards::IssueSession::SaveOutcome;
    m_session->setLastSave(Save::None);
    if (!m_session->open() || counter(startsSentCounter) <= 0 || !startIssueButton->isEnabled() ||
        cardCodeField->text().isEmpty() || validityField->text().isEmpty() ||
        vehicleNumberField->text().isEmpty()) {
        saveRecordButton->setEnabled(false);
        return;
    }
    namespace h = texts::db::history;
    using Mode = cards::IssueSession::Mode;
    const Mode mode = m_session->mode();
    const QString operation = mode == Mode::Extension ? h::Extended
                              : mode == Mode::Batch   ? h::IssuedBatch
                                                      : h::IssuedSingle;
    const QString groups = cards::groupListText(m_session->groupMask());
    try {
        // The history row is written with the record, in its transaction.
        const cardlog::Operation logged(operation, groups);
        if (saveArchiveRecord())
            m_session->setLastSave(Save::Saved);
    } catch (const DbError &e) {
        const bool duplicate = cards::isDuplicateCardRefusal(e.text());
        logRefusedSave(duplicate ? h::DuplicateRefused : operation, groups, e.text());
        if (duplicate) {
            m_session->setLastSave(Save::Duplicate);
            duplicateCard();
        } else {
            cardWrittenWithoutRecord(e.text());
        }
        return;
    }
    selectNoneButtonClick();
}

void CardTab::logRefusedSave(const QString &operation, const QString &groups, const QString &reason)
{
    if (!Datafrm)
        return;
    try {
        cardlog::append(*Datafrm->con,
                        {operation, cardCodeField->text(), vehicleNumberField->text(),
                         plateField->text(), QString(), validityField->text(), groups,
                         texts::db::history::NotSaved.arg(reason)});
    } catch (const std::exception &) {
        // The file that refused the record may refuse its history too (a full disk); the box
        // that follows tells the operator what happened to the card.
    }
}

void CardTab::cardWrittenWithoutRecord(const QString &reason)
{
    const QString code = cardCodeField->text();
    m_session->setLastSave(cards::IssueSession::SaveOutcome::Failed);
    // Read mode first, so that no further card is written while the operator reads the box.
    endIssuing(true);
    setStatus(texts::cards::WrittenUnsavedPane.arg(code));
    Dialogs::box(texts::cards::WrittenUnsavedBox.arg(code, reason),
                 texts::cards::WrittenUnsavedCaption, Dialogs::OkOnly, Dialogs::Warning, this);
}

bool CardTab::saveArchiveRecord()
{
    Query *q = ownerRecords();
    using Mode = cards::IssueSession::Mode;
    if (m_session->mode() == Mode::Extension && extendButton->isEnabled() && m_session->started()) {
        // The issuer has written whatever card was laid: the record follows that card (a card
        // of another record is refused by the archive and takes the duplicate path).
        q->fieldByName(QStringLiteral("卡片状态")).setAsString(texts::cards::StatusEnabled);
        q->post();
        extendButton->setEnabled(false);
        saveRecordButton->setEnabled(false);
        setStatus(texts::cards::ExtendUpdatedPane);
        Dialogs::message(texts::cards::ExtendUpdatedBox, this);
        sendReadModeFrame();
        validityPicker->hide();
        startIssueButton->setEnabled(false);
        startIssueButton->setStyleSheet(QString());
        singleIssueButton->setEnabled(true);
        batchIssueButton->setEnabled(true);
        selectAllButton->setEnabled(false);
        invertGatesButton->setEnabled(false);
        m_session->recordSaved();
        {
            const QSignalBlocker block(validityPicker);
            validityPicker->setDate(appclock::today());
        }
        return true;
    }
    if (m_session->mode() == Mode::Batch && batchIssueButton->isEnabled() && m_session->started()) {
        q->post();
        saveRecordButton->setEnabled(false);
        extendButton->setEnabled(false);
        q->close();
        lookupButton->setEnabled(false);
        selectAllButton->setEnabled(false);
        invertGatesButton->setEnabled(false);
        batchIssueButton->setFocus();
        m_session->recordSaved();
        return true;
    }
    if (m_session->open() && singleIssueButton->isEnabled() && m_session->mode() == Mode::Single &&
        m_session->started()) {
        q->post();
        saveRecordButton->setEnabled(false);
        extendButton->setEnabled(false);
        q->close();
        setStatus(texts::cards::SingleSavedPane);
        Dialogs::message(texts::cards::SingleSavedBox, this);
        m_session->recordSaved();
        singleIssueButton->setFocus();
        selectAllButton->setEnabled(false);
        invertGatesButton->setEnabled(false);
        return true;
    }
    return false;
}

void CardTab::duplicateCard()
{
    Query *q = ownerRecords();
    QString validity;
    try {
        cards::openCardRecord(q, codeLookupField->text());
        validity = q->fieldByName(QStringLiteral("卡片有效期限")).asString();
    } catch (const std::exception &) {
        Dialogs::message(texts::cards::CardCodeEmpty, this);
        return;
    }
    Dialogs::message(texts::cards::DuplicateCard.arg(validity), this);
    saveRecordButton->setEnabled(false);
    extendButton->setEnabled(false);
    singleIssueMark->setChecked(false);
    singleIssueMark->setEnabled(true);
    q->close();
    selectAllButton->setEnabled(false);
    invertGatesButton->setEnabled(false);
    const bool batch = m_session->mode() == cards::IssueSession::Mode::Batch;
    m_session->duplicateRefused();
    if (batch) {
        Dialogs::message(texts::cards::BatchContinue, this);
        return;
    }
    batchIssueMark->setChecked(false);
    batchIssueMark->setEnabled(true);
}

// ---------------------------------------------------------------------------------------------
// Counters and lamps

void CardTab::readsCounterChange()
{
    readGroupsList->setEnabled(true);
    readLamp->setColor(colors::Red);
    if (!m_session->active()) {
        if (Query *q = ownerRecords())
            q->close();
    }
    const QString group = readGroupField->text();
    if (!group.isEmpty() && group != QLatin1String("00")) {
        readLamp->setColor(colors::Green);
        // Room for the line being read: the memo keeps only the newest one.
        if (cardMemo->lineCount() > CardMemoLimit)
            cardMemo->removeFirstLines(cardMemo->lineCount() - 1);
    }
}

void CardTab::readGroupFieldChange()
{
    readGroupsList->setEnabled(true);
    const int n = cards::groupNumber(readGroupField->text());
    readGroupField->setText(QString::number(n));
    for (int i = 0; i < 8; ++i)
        readGroupsList->item(i)->setCheckState(cards::groupSelected(n, i + 1) ? Qt::Checked
                                                                              : Qt::Unchecked);
    setWindowTitle(GSName + texts::shell::CaptionSuffix);
}

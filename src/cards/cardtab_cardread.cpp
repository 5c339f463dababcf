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
#include "db/datafrm.h"
#include "db/dberror.h"
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

Query *archive()
{
    return Datafrm ? Datafrm->Qryda1 : nullptr;
}

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
    edt2->setText(QString::number(counter(edt2) + 1));
    edt8->setText(m_readGroups);
    chklst1->show();

    edt10->clear();
    edt15->clear();
    edt17->clear();
    setArchiveSearch(m_archiveCodeEdit.data(), QString());
    edt15->setText(validity);

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
        edt10->setText(code);
        edt17->setText(code);
        setArchiveSearch(m_archiveCodeEdit.data(), code);
    }

    if (m_session->initialisationPending() && !cardReadCompletesInitialisation())
        return;

    using Mode = cards::IssueSession::Mode;
    using Save = cards::IssueSession::SaveOutcome;
    const cards::IssueSession &session = *m_session;
    if (session.mode() == Mode::Batch) {
        // The next card of a batch carries the groups of the card just written.
        btn24Click();
        for (int i = 0; i < 8; ++i) {
            if (chklst1->item(i)->checkState() == Qt::Checked) {
                groupCheck(i + 1)->setEnabled(true);
                groupCheck(i + 1)->setChecked(true);
            }
        }
    } else if (!(session.open() &&
                 (session.mode() == Mode::Single || session.mode() == Mode::Batch) &&
                 btn3->isEnabled() && counter(edt1) > 0)) {
        setStatus(texts::cards::ReadNormal);
    }

    if (session.open() && session.mode() == Mode::Extension && btn13->isEnabled() &&
        counter(edt1) > 0 && session.started()) {
        const QString written = edt10->text();
        const QString extended = session.extendedCard();
        btn17->setEnabled(true);
        btn17Click();
        if (session.lastSave() == Save::Failed)
            return; // issuing has ended and the operator was told
        sendReadModeFrame();
        if (session.lastSave() == Save::Saved && sameCardCode(written, extended))
            setStatus(texts::cards::ExtendDone);
        else if (session.lastSave() == Save::Saved)
            setStatus(texts::cards::ExtendOtherCardPane.arg(written, extended));
        else if (session.lastSave() == Save::Duplicate)
            setStatus(texts::cards::ExtendOtherRecordPane.arg(written));
        btn3->setEnabled(false);
        btn3->setStyleSheet(QString());
        edt17->setText(texts::cards::ReadEntry);
        m_session->extensionCompleted();
    }

    if (!edt9->text().isEmpty() && !edt10->text().isEmpty() && !edt15->text().isEmpty() &&
        session.open() && btn12->isEnabled() && session.mode() == Mode::Single &&
        session.started()) {
        try {
            btn17->setEnabled(true);
            btn17Click();
            if (session.lastSave() == Save::Failed)
                return;
            if (session.lastSave() == Save::Saved)
                setStatus(texts::cards::SingleSaved);
            btn12->setEnabled(true);
            btn12->setFocus();
            sendReadModeFrame();
            btn3->setEnabled(false);
            m_session->singleCompleted();
            rb1->setChecked(false);
            rb2->setChecked(false);
            rb2->setEnabled(true);
            dtp1->hide();
        } catch (const std::exception &) {
            return; // the rest of the card read is skipped, without a message
        }
    }

    if (!edt9->text().isEmpty() && session.open() && session.mode() == Mode::Batch &&
        btn14->isEnabled() && counter(edt1) > 0 && session.started()) {
        try {
            btn17->setEnabled(true);
            btn17Click();
            // A record that could not be saved ends the batch: the issuer must not write on.
            if (session.lastSave() == Save::Failed)
                return;
            const bool saved = session.lastSave() == Save::Saved;
            // The issuer stays in issuing mode: the next card gets the next record.
            btn14Click();
            if (saved)
                setStatus(texts::cards::BatchSaved);
        } catch (const std::exception &) {
            return;
        }
    }

    btn11->setEnabled(false);
    btn15->setEnabled(false);
}

// ---------------------------------------------------------------------------------------------
// Saving the archive record

void CardTab::btn17Click()
{
    using Save = cards::IssueSession::SaveOutcome;
    m_session->setLastSave(Save::None);
    if (!m_session->open() || counter(edt1) <= 0 || !btn3->isEnabled() || edt10->text().isEmpty() ||
        edt15->text().isEmpty() || edt9->text().isEmpty()) {
        btn17->setEnabled(false);
        return;
    }
    try {
        if (saveArchiveRecord())
            m_session->setLastSave(Save::Saved);
    } catch (const DbError &e) {
        if (cards::isDuplicateCardRefusal(e.text())) {
            m_session->setLastSave(Save::Duplicate);
            duplicateCard();
        } else {
            cardWrittenWithoutRecord(e.text());
        }
        return;
    }
    btn24Click();
}

void CardTab::cardWrittenWithoutRecord(const QString &reason)
{
    const QString code = edt10->text();
    m_session->setLastSave(cards::IssueSession::SaveOutcome::Failed);
    // Read mode first, so that no further card is written while the operator reads the box.
    endIssuing(true);
    setStatus(texts::cards::WrittenUnsavedPane.arg(code));
    Dialogs::box(texts::cards::WrittenUnsavedBox.arg(code, reason),
                 texts::cards::WrittenUnsavedCaption, Dialogs::OkOnly, Dialogs::Warning, this);
}

bool CardTab::saveArchiveRecord()
{
    Query *q = archive();
    using Mode = cards::IssueSession::Mode;
    if (m_session->mode() == Mode::Extension && btn13->isEnabled() && m_session->started()) {
        // The issuer has written whatever card was laid: the record follows that card (a card
        // of another record is refused by the archive and takes the duplicate path).
        q->fieldByName(QStringLiteral("卡片状态")).setAsString(texts::cards::StatusEnabled);
        q->post();
        btn13->setEnabled(false);
        btn17->setEnabled(false);
        setStatus(texts::cards::ExtendUpdatedPane);
        Dialogs::message(texts::cards::ExtendUpdatedBox, this);
        sendReadModeFrame();
        dtp1->hide();
        btn3->setEnabled(false);
        btn3->setStyleSheet(QString());
        btn12->setEnabled(true);
        btn14->setEnabled(true);
        btn11->setEnabled(false);
        btn15->setEnabled(false);
        m_session->recordSaved();
        {
            const QSignalBlocker block(dtp1);
            dtp1->setDate(appclock::today());
        }
        return true;
    }
    if (m_session->mode() == Mode::Batch && btn14->isEnabled() && m_session->started()) {
        q->post();
        btn17->setEnabled(false);
        btn13->setEnabled(false);
        q->close();
        btn18->setEnabled(false);
        btn11->setEnabled(false);
        btn15->setEnabled(false);
        btn14->setFocus();
        m_session->recordSaved();
        return true;
    }
    if (m_session->open() && btn12->isEnabled() && m_session->mode() == Mode::Single &&
        m_session->started()) {
        q->post();
        btn17->setEnabled(false);
        btn13->setEnabled(false);
        q->close();
        setStatus(texts::cards::SingleSavedPane);
        Dialogs::message(texts::cards::SingleSavedBox, this);
        m_session->recordSaved();
        btn12->setFocus();
        btn11->setEnabled(false);
        btn15->setEnabled(false);
        return true;
    }
    return false;
}

void CardTab::duplicateCard()
{
    Query *q = archive();
    QString validity;
    try {
        cards::openCardRecord(q, edt17->text());
        validity = q->fieldByName(QStringLiteral("卡片有效期限")).asString();
    } catch (const std::exception &) {
        Dialogs::message(texts::cards::CardCodeEmpty, this);
        return;
    }
    Dialogs::message(texts::cards::DuplicateCard.arg(validity), this);
    btn17->setEnabled(false);
    btn13->setEnabled(false);
    rb1->setChecked(false);
    rb1->setEnabled(true);
    q->close();
    btn11->setEnabled(false);
    btn15->setEnabled(false);
    const bool batch = m_session->mode() == cards::IssueSession::Mode::Batch;
    m_session->duplicateRefused();
    if (batch) {
        Dialogs::message(texts::cards::BatchContinue, this);
        return;
    }
    rb2->setChecked(false);
    rb2->setEnabled(true);
}

// ---------------------------------------------------------------------------------------------
// Counters and lamps

void CardTab::edt2Change()
{
    chklst1->setEnabled(true);
    shp4->setColor(colors::Red);
    if (!m_session->active()) {
        if (Query *q = archive())
            q->close();
    }
    const QString group = edt8->text();
    if (!group.isEmpty() && group != QLatin1String("00")) {
        shp4->setColor(colors::Green);
        // Room for the line being read: the memo keeps only the newest one.
        if (RzMemo2->lineCount() > CardMemoLimit)
            RzMemo2->removeFirstLines(RzMemo2->lineCount() - 1);
    }
}

void CardTab::edt8Change()
{
    chklst1->setEnabled(true);
    const int n = cards::groupNumber(edt8->text());
    edt8->setText(QString::number(n));
    for (int i = 0; i < 8; ++i)
        chklst1->item(i)->setCheckState(cards::groupSelected(n, i + 1) ? Qt::Checked
                                                                       : Qt::Unchecked);
    setWindowTitle(GSName + texts::shell::CaptionSuffix);
}

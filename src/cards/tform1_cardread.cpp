// The card read of the card tab: every line the issuer link adds to the card memo, the counters
// and lamps it moves, and the save of the archive record that completes an issue or extension.
#include "archive/tform7.h"
#include "cards/cardfields.h"
#include "cards/issuing.h"
#include "cards/texts.h"
#include "common/clock.h"
#include "common/dialogs.h"
#include "common/globals.h"
#include "common/guard.h"
#include "db/datafrm.h"
#include "db/dberror.h"
#include "issuer/replies.h"
#include "shell/forms.h"
#include "shell/texts.h"
#include "shell/tform1.h"
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

void TForm1::onCardRead(const issuer::CardRead &read)
{
    if (!read.groups.isEmpty())
        m_readGroups = read.groups;
    guarded([&] { reactToRead(read.code, read.validity, nullptr); });
}

void TForm1::onTokenRead(const issuer::TokenRead &token)
{
    // A token shows no card code or validity of its own.
    guarded([&] { reactToRead(QString(), QString(), &token); });
}

void TForm1::reactToRead(const QString &code, const QString &validity,
                         const issuer::TokenRead *token)
{
    bindArchiveFields();
    edt2->setText(QString::number(counter(edt2) + 1));
    edt8->setText(m_readGroups);
    chklst1->show();

    edt10->clear();
    edt15->clear();
    edt17->clear();
    setArchiveSearch(archiveCodeEdit(), QString());
    edt15->setText(validity);

    if (token) {
        if (LossPending > 0) {
            if (!confirmTokenRead(false, token->reply))
                return;
        } else if (UnlossPending > 0) {
            if (!confirmTokenRead(true, token->reply))
                return;
        }
    } else {
        edt10->setText(code);
        edt17->setText(code);
        setArchiveSearch(archiveCodeEdit(), code);
    }

    if (InitPending > 0 && !cardReadCompletesInitialisation())
        return;

    if (rb2->isChecked()) {
        // The next card of a batch carries the groups of the card just written.
        btn24Click();
        for (int i = 0; i < 8; ++i) {
            if (chklst1->item(i)->checkState() == Qt::Checked) {
                groupCheck(i + 1)->setEnabled(true);
                groupCheck(i + 1)->setChecked(true);
            }
        }
    } else if (!(IssueActive > 0 && (rb1->isChecked() || rb2->isChecked()) && btn3->isEnabled() &&
                 counter(edt1) > 0)) {
        wtxt->setText(texts::cards::ReadNormal);
    }

    if (IssueActive > 0 && ExtendActive > 0 && btn13->isEnabled() && counter(edt1) > 0 &&
        StartSentCount > 0) {
        const QString written = edt10->text();
        btn17->setEnabled(true);
        btn17Click();
        if (m_lastSaveFailed)
            return; // issuing has ended and the operator was told
        sendReadModeFrame();
        if (m_lastSaveSucceeded && sameCardCode(written, m_extendedCode))
            wtxt->setText(texts::cards::ExtendDone);
        else if (m_lastSaveSucceeded)
            wtxt->setText(texts::cards::ExtendOtherCardPane.arg(written, m_extendedCode));
        else if (m_lastSaveDuplicate)
            wtxt->setText(texts::cards::ExtendOtherRecordPane.arg(written));
        btn3->setEnabled(false);
        btn3->setStyleSheet(QString());
        edt17->setText(texts::cards::ReadEntry);
        ExtendActive = 0;
    }

    if (!edt9->text().isEmpty() && !edt10->text().isEmpty() && !edt15->text().isEmpty() &&
        IssueActive > 0 && btn12->isEnabled() && rb1->isChecked() && StartSentCount > 0) {
        try {
            btn17->setEnabled(true);
            btn17Click();
            if (m_lastSaveFailed)
                return;
            if (m_lastSaveSucceeded)
                wtxt->setText(texts::cards::SingleSaved);
            btn12->setEnabled(true);
            btn12->setFocus();
            sendReadModeFrame();
            btn3->setEnabled(false);
            IssueActive = 0;
            rb1->setChecked(false);
            rb2->setChecked(false);
            rb2->setEnabled(true);
            dtp1->hide();
        } catch (const std::exception &) {
            return; // the rest of the card read is skipped, without a message
        }
    }

    if (!edt9->text().isEmpty() && IssueActive > 0 && rb2->isChecked() && btn14->isEnabled() &&
        counter(edt1) > 0 && StartSentCount > 0) {
        try {
            btn17->setEnabled(true);
            btn17Click();
            // A record that could not be saved ends the batch: the issuer must not write on.
            if (m_lastSaveFailed)
                return;
            const bool saved = m_lastSaveSucceeded;
            // The issuer stays in issuing mode: the next card gets the next record.
            btn14Click();
            if (saved)
                wtxt->setText(texts::cards::BatchSaved);
        } catch (const std::exception &) {
            return;
        }
    }

    btn11->setEnabled(false);
    btn15->setEnabled(false);
}

// ---------------------------------------------------------------------------------------------
// Saving the archive record

void TForm1::btn17Click()
{
    m_lastSaveSucceeded = m_lastSaveDuplicate = m_lastSaveFailed = false;
    if (IssueActive <= 0 || counter(edt1) <= 0 || !btn3->isEnabled() || edt10->text().isEmpty() ||
        edt15->text().isEmpty() || edt9->text().isEmpty()) {
        btn17->setEnabled(false);
        return;
    }
    try {
        m_lastSaveSucceeded = saveArchiveRecord();
    } catch (const DbError &e) {
        if (cards::isDuplicateCardRefusal(e.text())) {
            m_lastSaveDuplicate = true;
            duplicateCard();
        } else {
            cardWrittenWithoutRecord(e.text());
        }
        return;
    }
    btn24Click();
}

void TForm1::cardWrittenWithoutRecord(const QString &reason)
{
    const QString code = edt10->text();
    m_lastSaveFailed = true;
    // Read mode first, so that no further card is written while the operator reads the box.
    endIssuing(true);
    wtxt->setText(texts::cards::WrittenUnsavedPane.arg(code));
    Dialogs::box(texts::cards::WrittenUnsavedBox.arg(code, reason),
                 texts::cards::WrittenUnsavedCaption, Dialogs::OkOnly, Dialogs::Warning, this);
}

bool TForm1::saveArchiveRecord()
{
    Query *q = archive();
    if (ExtendActive > 0 && btn13->isEnabled() && StartSentCount > 0) {
        // The issuer has written whatever card was laid: the record follows that card (a card
        // of another record is refused by the archive and takes the duplicate path).
        q->fieldByName(QStringLiteral("卡片状态")).setAsString(texts::cards::StatusEnabled);
        q->post();
        btn13->setEnabled(false);
        btn17->setEnabled(false);
        wtxt->setText(texts::cards::ExtendUpdatedPane);
        Dialogs::message(texts::cards::ExtendUpdatedBox, this);
        sendReadModeFrame();
        dtp1->hide();
        btn3->setEnabled(false);
        btn3->setStyleSheet(QString());
        btn12->setEnabled(true);
        btn14->setEnabled(true);
        btn11->setEnabled(false);
        btn15->setEnabled(false);
        ExtendActive = IssueActive = StartSentCount = 0;
        {
            const QSignalBlocker block(dtp1);
            dtp1->setDate(appclock::today());
        }
        return true;
    }
    if (rb2->isChecked() && btn14->isEnabled() && StartSentCount > 0) {
        q->post();
        btn17->setEnabled(false);
        btn13->setEnabled(false);
        q->close();
        btn18->setEnabled(false);
        btn11->setEnabled(false);
        btn15->setEnabled(false);
        btn14->setFocus();
        ExtendActive = 0;
        return true;
    }
    if (IssueActive > 0 && btn12->isEnabled() && rb1->isChecked() && StartSentCount > 0) {
        q->post();
        btn17->setEnabled(false);
        btn13->setEnabled(false);
        q->close();
        wtxt->setText(texts::cards::SingleSavedPane);
        Dialogs::message(texts::cards::SingleSavedBox, this);
        ExtendActive = IssueActive = StartSentCount = 0;
        btn12->setFocus();
        btn11->setEnabled(false);
        btn15->setEnabled(false);
        return true;
    }
    return false;
}

void TForm1::duplicateCard()
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
    ExtendActive = 0;
    if (rb2->isChecked()) {
        Dialogs::message(texts::cards::BatchContinue, this);
        return;
    }
    rb2->setChecked(false);
    rb2->setEnabled(true);
    IssueActive = 0;
    StartSentCount = 0;
}

// ---------------------------------------------------------------------------------------------
// Counters and lamps

void TForm1::edt2Change()
{
    chklst1->setEnabled(true);
    shp4->setColor(colors::Red);
    if (!rb1->isChecked() && !rb2->isChecked() && IssueActive < 1 && ExtendActive < 1) {
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

void TForm1::edt8Change()
{
    chklst1->setEnabled(true);
    const int n = cards::groupNumber(edt8->text());
    edt8->setText(QString::number(n));
    for (int i = 0; i < 8; ++i)
        chklst1->item(i)->setCheckState(cards::groupSelected(n, i + 1) ? Qt::Checked
                                                                       : Qt::Unchecked);
    setWindowTitle(GSName + texts::shell::CaptionSuffix);
}

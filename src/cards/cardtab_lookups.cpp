// The lookups of the card tab: the three query fields that exclude each other, the lookup by
// card code, plate or owner name with its outcomes by role and number of records, the
// expiring-soon list, and the buttons that open the archive and passage windows.
#include "archive/tform7.h"
#include "cards/cardfields.h"
#include "cards/cardlookup.h"
#include "cards/cardtab.h"
#include "cards/issuesession.h"
#include "cards/loss.h"
#include "cards/texts.h"
#include "common/clock.h"
#include "common/dialogs.h"
#include "common/globals.h"
#include "common/guard.h"
#include "common/keys.h"
#include "db/connection.h"
#include "db/datafrm.h"
#include "db/ownerarchive.h"
#include "issuer/trim.h"
#include "passages/tform10.h"
#include "shell/widgets.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

namespace {

int trimmedLength(const QLineEdit *e)
{
    return int(issuer::trimmed(e->text()).size());
}

void setPickerDate(QDateEdit *picker, const QDate &date)
{
    const QSignalBlocker block(picker);
    picker->setDate(date);
}

const QString Yellow = QStringLiteral("background-color:yellow;");

} // namespace

void CardTab::setupLookups()
{
    auto typing = [this](QLineEdit *w, bool (CardTab::*handler)(int)) {
        onKeyPress(w, [this, handler](int key) {
            // Text without a key code comes from a keyboard layout with characters beyond ASCII.
            if (!(keys::isCharacterKey(key) || key == Qt::Key_unknown))
                return false;
            bool swallow = false;
            guarded([&] { swallow = (this->*handler)(key); });
            return swallow;
        });
    };
    typing(codeLookupField, &CardTab::codeLookupFieldKeyPress);
    keepHexDigitsOnly(codeLookupField, 8);
    onFocusIn(codeLookupField, [this] { guarded([this] { codeLookupFieldEnter(); }); });
    onMouseDown(codeLookupField, [this] { guarded([this] { codeLookupFieldMouseDown(); }); });
    connect(codeLookupField, &QLineEdit::textChanged, this,
            [this] { guarded([this] { codeLookupFieldChange(); }); });
    const std::pair<QLineEdit *, QString> textFields[] = {
        {plateLookupField, texts::cards::PlateFieldPrompt},
        {nameLookupField, texts::cards::NameFieldPrompt}};
    for (const auto &[field, prompt] : textFields) {
        onKeyPress(field, [this, field](int key) {
            if (!(keys::isCharacterKey(key) || key == Qt::Key_unknown))
                return false;
            bool swallow = false;
            guarded([&] { swallow = textLookupKeyPress(field, key); });
            return swallow;
        });
        onFocusIn(field, [this, prompt] { setStatus(prompt); });
        onMouseDown(field, [this, field] { guarded([&] { takeTextLookup(field); }); });
        connect(field, &QLineEdit::textChanged, this,
                [this, field] { guarded([&] { takeTextLookup(field); }); });
    }
    auto handle = [this](QPushButton *b, void (CardTab::*handler)()) {
        connect(b, &QPushButton::clicked, this,
                [this, handler] { guarded([&] { (this->*handler)(); }); });
    };
    handle(lookupButton, &CardTab::lookupButtonClick);
    handle(expiringButton, &CardTab::expiringButtonClick);
    handle(archiveButton, &CardTab::archiveButtonClick);
    handle(passagesButton, &CardTab::passagesButtonClick);
    connect(historyButton, &QPushButton::clicked, this,
            [this] { emit cardHistoryRequested(cardCodeField->text().trimmed()); });
    handle(lossButton, &CardTab::lossButtonClick);
    handle(unlossButton, &CardTab::unlossButtonClick);
    handle(initialiseButton, &CardTab::initialiseButtonClick);
}

// ---------------------------------------------------------------------------------------------
// The query fields: a change in one empties the other two, and the lookup button follows the
// field in use.

void CardTab::codeLookupFieldEnter()
{
    setStatus(texts::cards::CardFieldPrompt);
}

bool CardTab::codeLookupFieldKeyPress(int)
{
    // Which characters get in is the field's filter's business: they come by paste and drop too.
    lookupButton->setEnabled(trimmedLength(codeLookupField) == 8);
    return false;
}

void CardTab::codeLookupFieldChange()
{
    nameLookupField->clear();
    plateLookupField->clear();
    const bool full = trimmedLength(codeLookupField) == 8;
    lookupButton->setEnabled(full);
    if (isAdministrator())
        initialiseButton->setEnabled(full);
}

void CardTab::codeLookupFieldMouseDown()
{
    plateLookupField->clear();
    nameLookupField->clear();
    lookupButton->setEnabled(trimmedLength(codeLookupField) == 8);
}

// The plate and name fields behave alike: typing in one enables the lookup while it holds more
// than blanks, Enter looks it up (even while the button is disabled), and changing or clicking it
// empties the other two.

bool CardTab::textLookupKeyPress(QLineEdit *field, int key)
{
    lookupButton->setEnabled(trimmedLength(field) > 0);
    if (!keys::isEnter(key))
        return false;
    if (!field->text().isEmpty())
        lookupButtonClick();
    return true;
}

void CardTab::takeTextLookup(QLineEdit *field)
{
    for (QLineEdit *other : {codeLookupField, plateLookupField, nameLookupField}) {
        if (other != field)
            other->clear();
    }
    lookupButton->setEnabled(trimmedLength(field) > 0);
}

// ---------------------------------------------------------------------------------------------
// The lookup

void CardTab::lookupButtonClick()
{
    namespace t = texts::cards;
    if (refusedWhileBusy())
        return;
    for (QRadioButton *rb : {singleIssueMark, batchIssueMark}) {
        rb->setEnabled(false);
        rb->setChecked(false);
    }
    validityPicker->hide();

    cards::LookupField field = cards::LookupField::CardCode;
    QString key;
    if (!codeLookupField->text().isEmpty()) {
        key = codeLookupField->text();
    } else if (!plateLookupField->text().isEmpty()) {
        field = cards::LookupField::Plate;
        key = plateLookupField->text();
    } else if (!nameLookupField->text().isEmpty()) {
        field = cards::LookupField::Name;
        key = nameLookupField->text();
    } else {
        Dialogs::box(t::NoQuery, t::NoQueryCaption, Dialogs::OkOnly, Dialogs::Warning, this);
        lookupButton->setEnabled(false);
        return;
    }

    bindArchiveFields();
    Query *q = ownerRecords();
    // The key exactly as typed, bound as a value: a quote in it is only ever part of the text.
    cards::openLookup(q, field, key);
    const int rows = q->recordCount();
    q->edit();
    const bool admin = isAdministrator();

    switch (field) {
    case cards::LookupField::CardCode:
        if (!admin) {
            endIssueButton->setEnabled(false);
            // Shown, not edited.
            q->close();
            q->open();
            extendButton->setEnabled(false);
            saveRecordButton->setEnabled(false);
            setStatusStyle(QStringLiteral("color:blue;"));
            setStatus(t::OperatorLookup);
            if (rows == 0) {
                Dialogs::message(t::NotFound, this);
                setStatus(t::NotFoundOperatorPane);
                extendButton->setEnabled(false);
            } else {
                Dialogs::message(t::FoundOperator, this);
            }
            return;
        }
        if (rows == 0) {
            Dialogs::message(t::CardNotRegistered, this);
            setStatus(t::NotFoundIssue);
            extendButton->setEnabled(false);
            singleIssueButton->setEnabled(true);
            batchIssueButton->setEnabled(true);
            codeLookupField->setText(t::ReadEntry);
            singleIssueButton->setFocus();
            return;
        }
        endIssueButton->setEnabled(true);
        singleIssueButton->setEnabled(false);
        batchIssueButton->setEnabled(false);
        for (QPushButton *b : {extendButton, lossButton, unlossButton})
            b->setEnabled(true);
        extendButton->setStyleSheet(Yellow);
        cardStatusField->setStyleSheet(Yellow);
        setStatus(t::FoundCard);
        extendButton->setFocus();
        return;
    case cards::LookupField::Plate:
    case cards::LookupField::Name:
        break;
    }

    const bool plate = field == cards::LookupField::Plate;
    if (rows == 0) {
        Dialogs::message(plate ? t::NotFound : t::NotFoundIssue, this);
        if (plate)
            setStatus(t::NotFoundIssuePlate);
        for (QPushButton *b : {extendButton, lossButton, unlossButton})
            b->setEnabled(false);
        if (admin) {
            singleIssueButton->setEnabled(true);
            batchIssueButton->setEnabled(true);
        }
        return;
    }
    if (admin) {
        for (QPushButton *b : {extendButton, lossButton, unlossButton})
            b->setEnabled(true);
    }
    // The found card goes to the card field, whose reaction empties the field just used; that
    // field's own reaction then empties the card field again.
    codeLookupField->setText(cardCodeField->text());
    singleIssueButton->setEnabled(false);
    batchIssueButton->setEnabled(false);
    setStatus(t::FoundRecords);
}

// ---------------------------------------------------------------------------------------------
// The expiring-soon list and the other windows

void CardTab::expiringButtonClick()
{
    if (refusedWhileBusy())
        return;
    try {
        // From today on each click, so a program left running past midnight moves along.
        const QDate today = appclock::today();
        const cards::DateRange range = cards::expiringRange(today);
        if (!Datafrm)
            throw std::runtime_error("no data module");
        // The archive window lists them; the tab only asks whether there are any.
        const int expiring = owners::OwnerArchive(*Datafrm->con)
                                 .countValidityBetween(cards::archiveDateText(range.first),
                                                       cards::archiveDateText(range.last));
        if (expiring == 0) {
            Dialogs::message(texts::cards::NoneExpiring, this);
            return;
        }
        // The archive window builds the same selection from the two pickers.
        setPickerDate(validityPicker, today);
        setPickerDate(expiringHorizon, range.last);
        if (!m_archiveWindow)
            throw std::runtime_error("no archive window");
        emit expiringArchiveRequested();
    } catch (const std::exception &) {
        Dialogs::message(texts::cards::ExpiringFailed, this);
    }
}

void CardTab::archiveButtonClick()
{
    if (refusedWhileBusy())
        return;
    if (Datafrm && !Datafrm->con->connected())
        Datafrm->con->connect();
    emit archiveWindowRequested();
}

void CardTab::passagesButtonClick()
{
    if (refusedWhileBusy())
        return;
    try {
        if (!m_passageWindow)
            throw std::runtime_error("no passage window");
        emit passageWindowRequested();
    } catch (const std::exception &) {
        Dialogs::message(texts::cards::PassagesFailed, this);
    }
}

void CardTab::attachArchiveWindow(TForm7 *archive)
{
    m_archiveWindow = archive;
    m_archiveCodeEdit = archive->edt1;
    connect(this, &CardTab::archiveWindowRequested, archive, &TForm7::showArchive);
    connect(this, &CardTab::expiringArchiveRequested, archive, &TForm7::showExpiringArchive);
    // What the archive window asks of the card tab when it hands over or is left.
    archive->cardModeActive = [this] { return m_session->modeChosen(); };
    archive->expiringUntil = [this] { return expiringHorizon->date(); };
    connect(archive, &TForm7::cardTabDateRequested, this, [this](const QDate &day) {
        // Only the date is set; the card tab's reaction to a picked date is not an issue step.
        const QSignalBlocker quiet(validityPicker);
        validityPicker->setDate(day);
    });
    connect(archive, &TForm7::cardCodeFieldResetRequested, this,
            [this] { codeLookupField->setText(texts::cards::ReadEntry); });
    connect(archive, &TForm7::cardTabStatusRequested, this, &CardTab::statusChanged);
    connect(archive, &TForm7::cardTabShowRequested, this, &CardTab::mainWindowRequested);
    connect(archive, &TForm7::issuingEndRequested, this, [this] { endIssuingOnLeave(); });
    connect(archive, &TForm7::addRequested, this, [this] {
        singleIssueMark->setEnabled(true);
        singleIssueButtonClick();
        batchIssueButton->setEnabled(true);
    });
    connect(archive, &TForm7::lookupsClearRequested, this, [this] {
        plateLookupField->clear();
        nameLookupField->clear();
    });
    connect(archive, &TForm7::cardTabResetRequested, this, [this] {
        validityPicker->hide();
        for (QRadioButton *rb : {singleIssueMark, batchIssueMark}) {
            rb->setChecked(false);
            rb->setEnabled(true);
        }
        singleIssueButton->setEnabled(true);
        batchIssueButton->setEnabled(true);
        startIssueButton->setEnabled(false);
        endIssueButton->setEnabled(false);
        extendButton->setEnabled(false);
        initialiseButton->setEnabled(false);
        lossButton->setEnabled(false);
        unlossButton->setEnabled(false);
    });
    connect(archive, &TForm7::archiveSaveDisableRequested, this,
            [this] { saveRecordButton->setEnabled(false); });
    connect(this, &CardTab::cardHistoryRequested, archive, &TForm7::showCardHistory);
}

void CardTab::attachPassageWindow(TForm10 *passages)
{
    m_passageWindow = passages;
    connect(this, &CardTab::passageWindowRequested, passages, &TForm10::openFromCardTab);
    connect(passages, &TForm10::cardTabRequested, this, [this] {
        codeLookupField->setText(texts::cards::ReadEntry);
        emit mainWindowRequested();
    });
}

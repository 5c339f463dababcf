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
    typing(edt17, &CardTab::edt17KeyPress);
    keepHexDigitsOnly(edt17, 8);
    typing(edt18, &CardTab::edt18KeyPress);
    typing(edt19, &CardTab::edt19KeyPress);
    onFocusIn(edt17, [this] { guarded([this] { edt17Enter(); }); });
    onFocusIn(edt18, [this] { guarded([this] { edt18Enter(); }); });
    onFocusIn(edt19, [this] { guarded([this] { edt19Enter(); }); });
    onMouseDown(edt17, [this] { guarded([this] { edt17MouseDown(); }); });
    onMouseDown(edt18, [this] { guarded([this] { edt18MouseDown(); }); });
    onMouseDown(edt19, [this] { guarded([this] { edt19MouseDown(); }); });
    connect(edt17, &QLineEdit::textChanged, this, [this] { guarded([this] { edt17Change(); }); });
    connect(edt18, &QLineEdit::textChanged, this, [this] { guarded([this] { edt18Change(); }); });
    connect(edt19, &QLineEdit::textChanged, this, [this] { guarded([this] { edt19Change(); }); });
    auto handle = [this](QPushButton *b, void (CardTab::*handler)()) {
        connect(b, &QPushButton::clicked, this,
                [this, handler] { guarded([&] { (this->*handler)(); }); });
    };
    handle(btn18, &CardTab::btn18Click);
    handle(btn21, &CardTab::btn21Click);
    handle(btn19, &CardTab::btn19Click);
    handle(btn28, &CardTab::btn28Click);
    handle(btn22, &CardTab::btn22Click);
    handle(btn23, &CardTab::btn23Click);
    handle(btn27, &CardTab::btn27Click);
}

// ---------------------------------------------------------------------------------------------
// The query fields: a change in one empties the other two, and the lookup button follows the
// field in use.

void CardTab::edt17Enter()
{
    setStatus(texts::cards::CardFieldPrompt);
}

bool CardTab::edt17KeyPress(int)
{
    // Which characters get in is the field's filter's business: they come by paste and drop too.
    btn18->setEnabled(trimmedLength(edt17) == 8);
    return false;
}

void CardTab::edt17Change()
{
    edt19->clear();
    edt18->clear();
    const bool full = trimmedLength(edt17) == 8;
    btn18->setEnabled(full);
    if (isAdministrator())
        btn27->setEnabled(full);
}

void CardTab::edt17MouseDown()
{
    edt18->clear();
    edt19->clear();
    btn18->setEnabled(trimmedLength(edt17) == 8);
}

void CardTab::edt18Enter()
{
    setStatus(texts::cards::PlateFieldPrompt);
}

bool CardTab::edt18KeyPress(int key)
{
    btn18->setEnabled(trimmedLength(edt18) > 0);
    if (!keys::isEnter(key))
        return false;
    // Enter looks the plate up even while the button is disabled.
    if (!edt18->text().isEmpty())
        btn18Click();
    return true;
}

void CardTab::edt18Change()
{
    edt17->clear();
    edt19->clear();
    btn18->setEnabled(trimmedLength(edt18) > 0);
}

void CardTab::edt18MouseDown()
{
    edt17->clear();
    edt19->clear();
    btn18->setEnabled(trimmedLength(edt18) > 0);
}

void CardTab::edt19Enter()
{
    setStatus(texts::cards::NameFieldPrompt);
}

bool CardTab::edt19KeyPress(int key)
{
    btn18->setEnabled(trimmedLength(edt19) > 0);
    if (!keys::isEnter(key))
        return false;
    if (!edt19->text().isEmpty())
        btn18Click();
    return true;
}

void CardTab::edt19Change()
{
    edt17->clear();
    edt18->clear();
    btn18->setEnabled(trimmedLength(edt19) > 0);
}

void CardTab::edt19MouseDown()
{
    edt17->clear();
    edt18->clear();
    btn18->setEnabled(trimmedLength(edt19) > 0);
}

// ---------------------------------------------------------------------------------------------
// The lookup

void CardTab::btn18Click()
{
    namespace t = texts::cards;
    if (refusedWhileBusy())
        return;
    for (QRadioButton *rb : {rb1, rb2}) {
        rb->setEnabled(false);
        rb->setChecked(false);
    }
    dtp1->hide();

    cards::LookupField field = cards::LookupField::CardCode;
    QString key;
    if (!edt17->text().isEmpty()) {
        key = edt17->text();
    } else if (!edt18->text().isEmpty()) {
        field = cards::LookupField::Plate;
        key = edt18->text();
    } else if (!edt19->text().isEmpty()) {
        field = cards::LookupField::Name;
        key = edt19->text();
    } else {
        Dialogs::box(t::NoQuery, t::NoQueryCaption, Dialogs::OkOnly, Dialogs::Warning, this);
        btn18->setEnabled(false);
        return;
    }

    bindArchiveFields();
    Query *q = Datafrm->Qryda1;
    // The key exactly as typed, bound as a value: a quote in it is only ever part of the text.
    cards::openLookup(q, field, key);
    const int rows = q->recordCount();
    q->edit();
    const bool admin = isAdministrator();

    switch (field) {
    case cards::LookupField::CardCode:
        if (!admin) {
            btn4->setEnabled(false);
            // Shown, not edited.
            q->close();
            q->open();
            btn13->setEnabled(false);
            btn17->setEnabled(false);
            setStatusStyle(QStringLiteral("color:blue;"));
            setStatus(t::OperatorLookup);
            if (rows == 0) {
                Dialogs::message(t::NotFound, this);
                setStatus(t::NotFoundOperatorPane);
                btn13->setEnabled(false);
            } else {
                Dialogs::message(t::FoundOperator, this);
            }
            return;
        }
        if (rows == 0) {
            Dialogs::message(t::CardNotRegistered, this);
            setStatus(t::NotFoundIssue);
            btn13->setEnabled(false);
            btn12->setEnabled(true);
            btn14->setEnabled(true);
            edt17->setText(t::ReadEntry);
            btn12->setFocus();
            return;
        }
        btn4->setEnabled(true);
        btn12->setEnabled(false);
        btn14->setEnabled(false);
        for (QPushButton *b : {btn13, btn22, btn23})
            b->setEnabled(true);
        btn13->setStyleSheet(Yellow);
        edt3->setStyleSheet(Yellow);
        setStatus(t::FoundCard);
        btn13->setFocus();
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
        for (QPushButton *b : {btn13, btn22, btn23})
            b->setEnabled(false);
        if (admin) {
            btn12->setEnabled(true);
            btn14->setEnabled(true);
        }
        return;
    }
    if (admin) {
        for (QPushButton *b : {btn13, btn22, btn23})
            b->setEnabled(true);
    }
    // The found card goes to the card field, whose reaction empties the field just used; that
    // field's own reaction then empties the card field again.
    edt17->setText(edt10->text());
    btn12->setEnabled(false);
    btn14->setEnabled(false);
    setStatus(t::FoundRecords);
}

// ---------------------------------------------------------------------------------------------
// The expiring-soon list and the other windows

void CardTab::btn21Click()
{
    if (refusedWhileBusy())
        return;
    try {
        // From today on each click, so a program left running past midnight moves along.
        const QDate today = appclock::today();
        const cards::DateRange range = cards::expiringRange(today);
        bindArchiveFields();
        Query *q = Datafrm->Qryda1;
        q->close();
        q->setSQL(QStringLiteral("select * from CZdata where 卡片有效期限 >=:startrq and "
                                 "卡片有效期限 <=:endrq"));
        q->setParameter(QStringLiteral("startrq"), cards::archiveDateText(range.first));
        q->setParameter(QStringLiteral("endrq"), cards::archiveDateText(range.last));
        q->open();
        if (q->isEmpty()) {
            Dialogs::message(texts::cards::NoneExpiring, this);
            return;
        }
        // The archive window builds the same selection from the two pickers.
        setPickerDate(dtp1, today);
        setPickerDate(dtp2, range.last);
        if (!m_archiveWindow)
            throw std::runtime_error("no archive window");
        emit expiringArchiveRequested();
    } catch (const std::exception &) {
        Dialogs::message(texts::cards::ExpiringFailed, this);
    }
}

void CardTab::btn19Click()
{
    if (refusedWhileBusy())
        return;
    if (Datafrm && !Datafrm->con->connected())
        Datafrm->con->connect();
    emit archiveWindowRequested();
}

void CardTab::btn28Click()
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
    archive->expiringUntil = [this] { return dtp2->date(); };
    connect(archive, &TForm7::cardTabDateRequested, this, [this](const QDate &day) {
        // Only the date is set; the card tab's reaction to a picked date is not an issue step.
        const QSignalBlocker quiet(dtp1);
        dtp1->setDate(day);
    });
    connect(archive, &TForm7::cardCodeFieldResetRequested, this,
            [this] { edt17->setText(texts::cards::ReadEntry); });
    connect(archive, &TForm7::cardTabStatusRequested, this, &CardTab::statusChanged);
    connect(archive, &TForm7::cardTabShowRequested, this, &CardTab::mainWindowRequested);
    connect(archive, &TForm7::issuingEndRequested, this, [this] { endIssuingOnLeave(); });
    connect(archive, &TForm7::addRequested, this, [this] {
        rb1->setEnabled(true);
        btn12Click();
        btn14->setEnabled(true);
    });
    connect(archive, &TForm7::lookupsClearRequested, this, [this] {
        edt18->clear();
        edt19->clear();
    });
    connect(archive, &TForm7::cardTabResetRequested, this, [this] {
        dtp1->hide();
        for (QRadioButton *rb : {rb1, rb2}) {
            rb->setChecked(false);
            rb->setEnabled(true);
        }
        btn12->setEnabled(true);
        btn14->setEnabled(true);
        btn3->setEnabled(false);
        btn4->setEnabled(false);
        btn13->setEnabled(false);
        btn27->setEnabled(false);
        btn22->setEnabled(false);
        btn23->setEnabled(false);
    });
    connect(archive, &TForm7::archiveSaveDisableRequested, this,
            [this] { btn17->setEnabled(false); });
}

void CardTab::attachPassageWindow(TForm10 *passages)
{
    m_passageWindow = passages;
    connect(this, &CardTab::passageWindowRequested, passages, &TForm10::openFromCardTab);
    connect(passages, &TForm10::cardTabRequested, this, [this] {
        edt17->setText(texts::cards::ReadEntry);
        emit mainWindowRequested();
    });
}

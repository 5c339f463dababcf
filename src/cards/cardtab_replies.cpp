// How the card tab takes what the issuer read: a card, or the token of a loss or an unloss.
#include "cards/cardtab.h"

#include "cards/cardlookup.h"
#include "cards/issuing.h"
#include "cards/texts.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "db/datafrm.h"
#include "db/ownerarchive.h"
#include "db/query.h"
#include "issuer/replies.h"
#include "shell/widgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>

void CardTab::cardRead(const issuer::CardRead &read)
{
    cardMemo->addLine(read.line);
    onCardRead(read);
}

void CardTab::tokenRead(const issuer::TokenRead &token)
{
    if (token.unloss)
        unlossTokenRead(token);
    else
        lossTokenRead(token);
}

// The card a loss token stands for is decided before the card read, which ends the pending
// loss that tells it: without a card of its own, the code the token spells.
void CardTab::lossTokenRead(const issuer::TokenRead &token)
{
    QPointer<CardTab> self(this);
    QString card = tokenCardFor(false, token.digits);
    if (card.isEmpty())
        card = QStringLiteral("00") + token.digits;
    cardMemo->addLine(issuer::tokenLine(token, card));
    onTokenRead(token);
    if (self)
        showCardCode(card);
}

// An unloss token is looked up in the archive: the card whose unloss was sent when the token
// carries its digits, otherwise the first card that contains them. Any failure of the lookup
// ends the handling with the mismatch message.
void CardTab::unlossTokenRead(const issuer::TokenRead &token)
{
    QPointer<CardTab> self(this);
    try {
        codeLookupField->setText(token.digits);
        if (!self)
            return;
        const QString card = lookupCardCode(token.digits);
        cardMemo->addLine(issuer::tokenLine(token, card));
        onTokenRead(token);
        if (!self)
            return;
        showCardCode(card);
        if (self) {
            if (Query *q = ownerRecords())
                q->close();
        }
    } catch (const std::exception &) {
        if (self)
            Dialogs::message(texts::cards::CardCodeMismatch, this);
    }
}

QString CardTab::lookupCardCode(const QString &digits)
{
    if (!Datafrm)
        throw VelmoraError(QStringLiteral("no data module"));
    owners::OwnerArchive archive(*Datafrm->con);
    // The card whose unloss was sent, exactly; otherwise the first record that contains the
    // digits. None found: an empty card code.
    const QString card = tokenCardFor(true, digits);
    const QString key = card.isEmpty() ? digits : card;
    const std::optional<owners::OwnerRecord> record =
        key.size() == 8 ? archive.findByCard(key) : archive.firstContaining(key);
    return record ? record->cardCode : QString();
}

// The token's card in the tab's code fields and the archive window's card field.
void CardTab::showCardCode(const QString &card)
{
    QPointer<CardTab> self(this);
    const QPointer<QLineEdit> edits[] = {codeLookupField, cardCodeField, m_archiveCodeEdit};
    for (const QPointer<QLineEdit> &edit : edits) {
        if (self && edit)
            edit->setText(card);
    }
}

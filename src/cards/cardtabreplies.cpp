// How the card tab, the event memos and the status pane take what the issuer's replies say.
#include "cards/cardtabreplies.h"

#include "archive/tform7.h"
#include "cards/cardlookup.h"
#include "cards/issuing.h"
#include "cards/texts.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "db/datafrm.h"
#include "issuer/receivehandler.h"
#include "shell/tform1.h"
#include "shell/widgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>

namespace {

// The card tab, the event memos and the status pane as the issuer's receive path reaches them.
class CardTabReplies : public QObject, public ReplyTarget
{
public:
    explicit CardTabReplies(TForm1 *form)
        : QObject(form)
        , m_form(form)
    {}

    void eventLine(const QString &line) override { m_form->RzMemo1->addLine(line); }

    void statusAnswered(const issuer::StatusAnswer &answer) override
    {
        QPointer<TForm1> form(m_form);
        form->RzMemo1->addLine(answer.eventLine);
        const bool stored = form && form->onStatusAnswer(answer);
        if (form)
            form->RzMemo5->addLine(answer.rawLine);
        // A password the issuer took but the program could not store keeps its warning.
        if (form && stored)
            form->wtxt->setText(answer.pane);
    }

    void cardRead(const issuer::CardRead &read) override
    {
        m_form->RzMemo2->addLine(read.line);
        m_form->onCardRead(read);
    }

    void tokenRead(const issuer::TokenRead &token) override
    {
        if (token.unloss)
            unlossTokenRead(token);
        else
            lossTokenRead(token);
    }

    void showPane(const QString &text) override { m_form->wtxt->setText(text); }
    void showError(const QString &message) override { Dialogs::error(message, m_form); }

private:
    // The card a loss token stands for is decided before the card read, which ends the pending
    // loss that tells it: without a card of its own, the code the token spells.
    void lossTokenRead(const issuer::TokenRead &token)
    {
        QPointer<TForm1> form(m_form);
        QString card = m_form->tokenCardFor(false, token.digits);
        if (card.isEmpty())
            card = QStringLiteral("00") + token.digits;
        m_form->RzMemo2->addLine(issuer::tokenLine(token, card));
        if (form)
            form->onTokenRead(token);
        showCardCode(form, card);
    }

    // An unloss token is looked up in the archive: the card whose unloss was sent when the token
    // carries its digits, otherwise the first card that contains them. Any failure of the lookup
    // ends the handling with the mismatch message.
    void unlossTokenRead(const issuer::TokenRead &token)
    {
        QPointer<TForm1> form(m_form);
        try {
            m_form->edt17->setText(token.digits);
            if (!form)
                return;
            const QString card = lookupCardCode(token.digits);
            m_form->RzMemo2->addLine(issuer::tokenLine(token, card));
            if (form)
                form->onTokenRead(token);
            showCardCode(form, card);
            if (form && Datafrm)
                Datafrm->Qryda1->close();
        } catch (const std::exception &) {
            if (form)
                Dialogs::message(texts::cards::CardCodeMismatch, form);
        }
    }

    QString lookupCardCode(const QString &digits)
    {
        if (!Datafrm)
            throw VelmoraError(QStringLiteral("no data module"));
        Query *q = Datafrm->Qryda1;
        const QString card = m_form->tokenCardFor(true, digits);
        if (card.isEmpty())
            cards::openCardLookup(q, digits);
        else
            cards::openCardRecord(q, card);
        // Edit state as the archive edits expect it while the token line is shown; an empty
        // result gives an empty new record, hence an empty card code. Nothing is posted.
        q->edit();
        return q->fieldByName(QStringLiteral("卡片内码")).asString();
    }

    // The token's card in the card tab's code fields and the archive window's card field.
    static void showCardCode(const QPointer<TForm1> &form, const QString &card)
    {
        if (!form)
            return;
        const QPointer<QLineEdit> edits[] = {form->edt17, form->edt10, form->archiveCodeEdit()};
        for (const QPointer<QLineEdit> &edit : edits) {
            if (form && edit)
                edit->setText(card);
        }
    }

    TForm1 *m_form;
};

} // namespace

ReplyTarget *newCardTabReplies(TForm1 *form)
{
    return new CardTabReplies(form);
}

// How the card tab and the event memos take what the issuer's receive path delivers.
#include "cards/cardtabreplies.h"

#include "archive/tform7.h"
#include "cards/cardlookup.h"
#include "cards/issuing.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "db/datafrm.h"
#include "issuer/receivehandler.h"
#include "shell/tform1.h"
#include "shell/widgets.h"

#include <QLabel>
#include <QLineEdit>

namespace {

// The card tab's controls and the event memos as the issuer's receive path reaches them.
class CardTabReplies : public QObject, public ReplyTarget
{
public:
    explicit CardTabReplies(TForm1 *form)
        : QObject(form)
        , m_form(form)
    {}

    void addLine(issuer::ReplyControl control, const QString &line) override
    {
        EventMemo *memo = memoFor(control);
        if (!memo)
            return;
        // The password store looks at the event line of a status reply only.
        const ReceiveHandler *receiver = m_form->receiveHandler();
        const bool statusLine = control == issuer::ReplyControl::RzMemo1 && receiver &&
                                receiver->applying() &&
                                receiver->currentForm() == issuer::ReplyForm::Status;
        m_form->statusLineArriving = statusLine;
        memo->addLine(line);
        m_form->statusLineArriving = false;
    }

    void setText(issuer::ReplyControl control, const QString &value) override
    {
        if (control == issuer::ReplyControl::wtxt) {
            m_form->wtxt->setText(value);
            return;
        }
        if (QLineEdit *edit = editFor(control))
            edit->setText(value);
    }

    QString text(issuer::ReplyControl control) const override
    {
        if (control == issuer::ReplyControl::wtxt)
            return m_form->wtxt->text();
        const QLineEdit *edit = editFor(control);
        return edit ? edit->text() : QString();
    }

    QString lookupCardCode(const QString &key) override
    {
        if (!Datafrm)
            throw VelmoraError(QStringLiteral("no data module"));
        Query *q = Datafrm->Qryda1;
        // The card whose unloss was sent, when the token carries its digits; otherwise the first
        // card that contains them.
        const QString card = m_form->tokenCardFor(true, key);
        if (card.isEmpty())
            cards::openCardLookup(q, key);
        else
            cards::openCardRecord(q, card);
        // Edit state as the archive edits expect it while the token line is shown; an empty
        // result gives an empty new record, hence an empty card code. Nothing is posted.
        q->edit();
        return q->fieldByName(QStringLiteral("卡片内码")).asString();
    }

    void endLookup() override
    {
        if (Datafrm)
            Datafrm->Qryda1->close();
    }

    QString lossTokenCardCode(const QString &digits) override
    {
        const QString card = m_form->tokenCardFor(false, digits);
        return card.isEmpty() ? ReplyTarget::lossTokenCardCode(digits) : card;
    }

    void showMessage(const QString &message) override { Dialogs::message(message, m_form); }
    void showError(const QString &message) override { Dialogs::error(message, m_form); }

private:
    EventMemo *memoFor(issuer::ReplyControl control) const
    {
        switch (control) {
        case issuer::ReplyControl::RzMemo1:
            return m_form->RzMemo1;
        case issuer::ReplyControl::RzMemo2:
            return m_form->RzMemo2;
        case issuer::ReplyControl::RzMemo5:
            return m_form->RzMemo5;
        default:
            return nullptr;
        }
    }

    QLineEdit *editFor(issuer::ReplyControl control) const
    {
        switch (control) {
        case issuer::ReplyControl::edt17:
            return m_form->edt17;
        case issuer::ReplyControl::edt10:
            return m_form->edt10;
        case issuer::ReplyControl::Form7edt1:
            return m_form->archiveCodeEdit();
        default:
            return nullptr;
        }
    }

    TForm1 *m_form;
};

} // namespace

ReplyTarget *newCardTabReplies(TForm1 *form)
{
    return new CardTabReplies(form);
}

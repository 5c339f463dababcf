// Changing the issuer's own password from the special-function group: the pass code unlocks the
// three fields, the change is sent, and the issuer's answer decides whether the new password is
// stored for the frames that follow.
#include "common/dialogs.h"
#include "common/globals.h"
#include "common/guard.h"
#include "common/keys.h"
#include "db/datafrm.h"
#include "issuer/frames.h"
#include "issuer/passwordrules.h"
#include "issuer/replies.h"
#include "issuer/systemtab.h"
#include "issuer/texts.h"
#include "issuer/timings.h"
#include "issuer/trim.h"
#include "shell/widgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QValidator>

namespace {

// Pasted text and input-method text pass no key filter; the field refuses them as a whole.
class PasswordValidator : public QValidator
{
public:
    PasswordValidator(issuer::PasswordField field, QObject *parent)
        : QValidator(parent)
        , m_field(field)
    {}
    State validate(QString &input, int &) const override
    {
        return issuer::passwordTextAllowed(m_field, input) ? Acceptable : Invalid;
    }

private:
    issuer::PasswordField m_field;
};

QString text(const QLineEdit *edit)
{
    return issuer::trimmed(edit->text());
}

// Upper-cases the field; true when that changed the text (the change it causes does the rest).
bool upperCased(QLineEdit *edit)
{
    const QString upper = edit->text().toUpper();
    if (upper == edit->text())
        return false;
    edit->setText(upper);
    return true;
}

} // namespace

void SystemTab::setupPassword()
{
    edt4->setEchoMode(QLineEdit::Password);
    for (QLineEdit *e : {edtmm1, edtmm2, edtmm3}) {
        e->setEchoMode(QLineEdit::Password);
        e->setMaxLength(6);
        e->setEnabled(false);
    }
    edtmm1->setValidator(new PasswordValidator(issuer::PasswordField::Old, edtmm1));
    edtmm2->setValidator(new PasswordValidator(issuer::PasswordField::New, edtmm2));
    edtmm3->setValidator(new PasswordValidator(issuer::PasswordField::New, edtmm3));
    edtmm1->hide();
    btn10->setEnabled(false);
    passwordReplyTimer = new QTimer(this);
    passwordReplyTimer->setSingleShot(true);
    connect(passwordReplyTimer, &QTimer::timeout, this, [this] { passwordReplyTimeout(); });

    onKeyPress(edt4, [this](int key) { return edt4KeyPress(key); });
    onKeyPress(edtmm1, [this](int key) { return edtold_wordKeyPress(key); });
    onKeyPress(edtmm2, [this](int key) { return edtnew_wordKeyPress(key); });
    onKeyPress(edtmm3, [this](int key) { return edtpass_wordKeyPress(key); });
    connect(edtmm1, &QLineEdit::textChanged, this, [this] { edtold_wordChange(); });
    connect(edtmm2, &QLineEdit::textChanged, this, [this] { edtnew_wordChange(); });
    connect(edtmm3, &QLineEdit::textChanged, this, [this] { edtpass_wordChange(); });
    connect(btn10, &QPushButton::clicked, this, [this] { guarded([this] { btn10Click(); }); });
}

bool SystemTab::edt4KeyPress(int key)
{
    if (!keys::isEnter(key))
        return false;
    if (issuer::isPassCode(edt4->text())) {
        edtmm1->show();
        edtmm1->setEnabled(true);
        edtmm1->setFocus();
        lbl4->hide();
        edt4->hide();
    } else {
        Dialogs::message(texts::issuer::WrongPassCode, this);
        edt4->clear();
    }
    return true;
}

bool SystemTab::edtold_wordKeyPress(int key)
{
    if (issuer::dropsPasswordKey(issuer::PasswordField::Old, key))
        return true;
    if (!keys::isEnter(key))
        return false;
    if (edtmm2->isEnabled()) {
        edtmm2->setFocus();
        edtmm2->clear();
    }
    return true;
}

void SystemTab::edtold_wordChange()
{
    if (upperCased(edtmm1))
        return;
    edtmm2->setEnabled(text(edtmm1).size() == 6);
    edtmm2->clear();
}

bool SystemTab::edtnew_wordKeyPress(int key)
{
    if (issuer::dropsPasswordKey(issuer::PasswordField::New, key))
        return true;
    if (!keys::isEnter(key))
        return false;
    if (edtmm3->isEnabled())
        edtmm3->setFocus();
    return true;
}

void SystemTab::edtnew_wordChange()
{
    if (upperCased(edtmm2))
        return;
    edtmm3->setEnabled(text(edtmm2).size() == 6);
    edtmm3->clear();
}

bool SystemTab::edtpass_wordKeyPress(int key)
{
    if (issuer::dropsPasswordKey(issuer::PasswordField::New, key))
        return true;
    if (!keys::isEnter(key))
        return false;
    if (issuer::passwordsAgree(edtmm2->text(), edtmm3->text()))
        btn10->setFocus();
    else
        setStatus(texts::issuer::PasswordsDiffer);
    return true;
}

void SystemTab::edtpass_wordChange()
{
    if (upperCased(edtmm3))
        return;
    refreshPasswordButton();
}

void SystemTab::refreshPasswordButton()
{
    // Enabled only for a complete new password. While a change waits for its answer the button
    // stays off: a second change sent meanwhile could leave issuer and database with different
    // passwords. An enabled button also tells the frame counter that a change was sent.
    // Once the answer is overdue the change may be sent again; it stays pending all the same.
    btn10->setEnabled((!m_passwordChangePending || m_passwordReplyOverdue) &&
                      issuer::passwordChangeReady(edtmm1->text(), edtmm2->text(), edtmm3->text()));
}

void SystemTab::btn10Click()
{
    if (m_passwordChangePending && !m_passwordReplyOverdue)
        return;
    try {
        // The pane first: counting the frame replaces it while the button is still enabled.
        setStatus(texts::issuer::DataSent);
        const PendingPassword change{text(edtmm1), text(edtmm2), text(edtmm3)};
        sendFrame(IssuerFrame::PasswordChange, PasswordChangeFrame(change.old, change.confirmed));
        // What was sent is what an answer stores, whatever the fields hold by then.
        m_pendingPassword = change;
        m_passwordChangePending = true;
        m_passwordReplyOverdue = false;
        btn10->setEnabled(false);
        passwordReplyTimer->start(issuer::timings().passwordReplyTimeout);
    } catch (const std::exception &) {
        Dialogs::message(texts::issuer::PasswordChangeFailed, this);
    }
}

void SystemTab::passwordReplyTimeout()
{
    // No answer yet: the operator may send the change again. A late answer still counts, as the
    // issuer may have taken the new password; only a lost link drops the change.
    m_passwordReplyOverdue = true;
    edtpass_wordChange();
}

void SystemTab::dropPendingPasswordChange()
{
    m_passwordChangePending = false;
    m_passwordReplyOverdue = false;
    passwordReplyTimer->stop();
}

bool SystemTab::onStatusAnswer(const issuer::StatusAnswer &status)
{
    try {
        // Only the answer to a change that was sent stores anything: a stray "0600", or "00"
        // answering a link check, leaves the stored password alone.
        issuer::PasswordAnswer answer = issuer::PasswordAnswer::None;
        if (m_passwordChangePending)
            answer = issuer::passwordAnswer(status.code4, status.code2);
        const PendingPassword sent = m_pendingPassword;
        if (answer != issuer::PasswordAnswer::None)
            dropPendingPasswordChange();
        if (answer == issuer::PasswordAnswer::Accepted) {
            if (!Datafrm)
                throw VelmoraError(QStringLiteral("no data module"));
            // The query may have been closed since (help or exit tab, minimising).
            Query *q = Datafrm->Qrymm1;
            if (!q->isActive())
                q->open();
            q->edit();
            q->fieldByName(QStringLiteral("old_word")).setAsString(sent.old);
            q->fieldByName(QStringLiteral("new_word")).setAsString(sent.entered);
            q->fieldByName(QStringLiteral("pass_word")).setAsString(sent.confirmed);
            q->post();
            edtmm1->clear();
            edtmm2->clear();
            edtmm3->clear();
            edtmm1->hide();
            for (QLineEdit *e : {edtmm1, edtmm2, edtmm3})
                e->setEnabled(false);
            edt4->show();
            lbl4->show();
            edt4->clear();
        }
    } catch (const std::exception &) {
        setStatus(texts::issuer::PasswordStoreFailed);
        return false;
    }
    return true;
}

void SystemTab::RzMemo1Change()
{
    TestsWithoutReply = 0;
    ++m_eventLinesAdded;
    btn10->setEnabled(false);
    // The first line stays until the memo is cleared; the one after it makes room.
    if (RzMemo1->lineCount() > 3)
        RzMemo1->removeLine(1);
}

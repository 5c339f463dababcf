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
    passCodeField->setEchoMode(QLineEdit::Password);
    for (QLineEdit *e : {oldPasswordField, newPasswordField, confirmPasswordField}) {
        e->setEchoMode(QLineEdit::Password);
        e->setMaxLength(6);
        e->setEnabled(false);
    }
    oldPasswordField->setValidator(
        new PasswordValidator(issuer::PasswordField::Old, oldPasswordField));
    newPasswordField->setValidator(
        new PasswordValidator(issuer::PasswordField::New, newPasswordField));
    confirmPasswordField->setValidator(
        new PasswordValidator(issuer::PasswordField::New, confirmPasswordField));
    oldPasswordField->hide();
    changePasswordButton->setEnabled(false);
    passwordReplyTimer = new QTimer(this);
    passwordReplyTimer->setSingleShot(true);
    connect(passwordReplyTimer, &QTimer::timeout, this, [this] { passwordReplyTimeout(); });

    onKeyPress(passCodeField, [this](int key) { return passCodeFieldKeyPress(key); });
    // The old and the new password lead on to the next field; only Enter on the old one empties
    // the next.
    const PasswordStep steps[] = {
        {oldPasswordField, issuer::PasswordField::Old, newPasswordField, true},
        {newPasswordField, issuer::PasswordField::New, confirmPasswordField, false}};
    for (const PasswordStep &step : steps) {
        onKeyPress(step.field, [this, step](int key) { return passwordStepKeyPress(step, key); });
        connect(step.field, &QLineEdit::textChanged, this,
                [this, step] { passwordStepChange(step); });
    }
    onKeyPress(confirmPasswordField, [this](int key) { return edtpass_wordKeyPress(key); });
    connect(confirmPasswordField, &QLineEdit::textChanged, this, [this] { edtpass_wordChange(); });
    connect(changePasswordButton, &QPushButton::clicked, this,
            [this] { guarded([this] { changePasswordButtonClick(); }); });
}

bool SystemTab::passCodeFieldKeyPress(int key)
{
    if (!keys::isEnter(key))
        return false;
    if (issuer::isPassCode(passCodeField->text())) {
        oldPasswordField->show();
        oldPasswordField->setEnabled(true);
        oldPasswordField->setFocus();
        passCodeLabel->hide();
        passCodeField->hide();
    } else {
        Dialogs::message(texts::issuer::WrongPassCode, this);
        passCodeField->clear();
    }
    return true;
}

bool SystemTab::passwordStepKeyPress(const PasswordStep &step, int key)
{
    if (issuer::dropsPasswordKey(step.kind, key))
        return true;
    if (!keys::isEnter(key))
        return false;
    if (step.next->isEnabled()) {
        step.next->setFocus();
        if (step.clearNextOnEnter)
            step.next->clear();
    }
    return true;
}

void SystemTab::passwordStepChange(const PasswordStep &step)
{
    if (upperCased(step.field))
        return;
    step.next->setEnabled(text(step.field).size() == 6);
    step.next->clear();
}

bool SystemTab::edtpass_wordKeyPress(int key)
{
    if (issuer::dropsPasswordKey(issuer::PasswordField::New, key))
        return true;
    if (!keys::isEnter(key))
        return false;
    if (issuer::passwordsAgree(newPasswordField->text(), confirmPasswordField->text()))
        changePasswordButton->setFocus();
    else
        setStatus(texts::issuer::PasswordsDiffer);
    return true;
}

void SystemTab::edtpass_wordChange()
{
    if (upperCased(confirmPasswordField))
        return;
    refreshPasswordButton();
}

void SystemTab::refreshPasswordButton()
{
    // Enabled only for a complete new password. While a change waits for its answer the button
    // stays off: a second change sent meanwhile could leave issuer and database with different
    // passwords. An enabled button also tells the frame counter that a change was sent.
    // Once the answer is overdue the change may be sent again; it stays pending all the same.
    changePasswordButton->setEnabled((!m_passwordChangePending || m_passwordReplyOverdue) &&
                                     issuer::passwordChangeReady(oldPasswordField->text(),
                                                                 newPasswordField->text(),
                                                                 confirmPasswordField->text()));
}

void SystemTab::changePasswordButtonClick()
{
    if (m_passwordChangePending && !m_passwordReplyOverdue)
        return;
    try {
        // The pane first: counting the frame replaces it while the button is still enabled.
        setStatus(texts::issuer::DataSent);
        const PendingPassword change{text(oldPasswordField), text(newPasswordField),
                                     text(confirmPasswordField)};
        sendFrame(IssuerFrame::PasswordChange, PasswordChangeFrame(change.old, change.confirmed));
        // What was sent is what an answer stores, whatever the fields hold by then.
        m_pendingPassword = change;
        m_passwordChangePending = true;
        m_passwordReplyOverdue = false;
        changePasswordButton->setEnabled(false);
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
            oldPasswordField->clear();
            newPasswordField->clear();
            confirmPasswordField->clear();
            oldPasswordField->hide();
            for (QLineEdit *e : {oldPasswordField, newPasswordField, confirmPasswordField})
                e->setEnabled(false);
            passCodeField->show();
            passCodeLabel->show();
            passCodeField->clear();
        }
    } catch (const std::exception &) {
        setStatus(texts::issuer::PasswordStoreFailed);
        return false;
    }
    return true;
}

void SystemTab::eventMemoChange()
{
    TestsWithoutReply = 0;
    ++m_eventLinesAdded;
    changePasswordButton->setEnabled(false);
    // The first line stays until the memo is cleared; the one after it makes room.
    if (eventMemo->lineCount() > 3)
        eventMemo->removeLine(1);
}

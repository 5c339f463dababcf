// Gate group selection of the card tab: the eight group boxes, select all, cancel all and the
// hidden clear-and-lock button. The bits are read by the start of issuing.
#include "cards/cardfields.h"
#include "cards/issuesession.h"
#include "cards/texts.h"
#include "common/dialogs.h"
#include "shell/tform1.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

void TForm1::chkClick(int n)
{
    if (groupCheck(n)->isChecked() && !edt9->text().isEmpty()) {
        m_session->setGroup(n, true);
        btn15->setEnabled(true);
        if (!m_session->modeChosen())
            return;
        if (!dtp1->isVisible())
            return;
        btn3->setEnabled(true);
        wtxt->setText(texts::cards::GroupValid.arg(n));
        btn3->setFocus();
        return;
    }
    m_session->setGroup(n, false);
    btn3->setEnabled(false);
    btn11->setEnabled(true);
    wtxt->setText(texts::cards::GroupInvalid.arg(n));
}

void TForm1::btn11Click()
{
    const bool inMode = modeSelected() && !edt9->text().trimmed().isEmpty() && dtp1->isEnabled();
    if (!inMode && edt15->text().trimmed().isEmpty()) {
        Dialogs::message(texts::cards::SelectAllRefused, this);
        return;
    }
    btn24Click();
    for (int n = 1; n <= 8; ++n)
        groupCheck(n)->setEnabled(true);
    for (int n = 1; n <= 8; ++n)
        groupCheck(n)->setChecked(true);
    btn15->setEnabled(true);
    wtxt->setText(texts::cards::AllSelected);
    btn11->setEnabled(false);
}

void TForm1::btn15Click()
{
    for (int n = 1; n <= 8; ++n)
        groupCheck(n)->setChecked(false);
    btn3->setEnabled(false);
    btn15->setEnabled(false);
    btn11->setEnabled(true);
    wtxt->setText(texts::cards::AllCancelled);
}

void TForm1::btn24Click()
{
    for (int n = 1; n <= 8; ++n)
        groupCheck(n)->setChecked(false);
    for (int n = 1; n <= 8; ++n)
        groupCheck(n)->setEnabled(false);
    btn11->setEnabled(false);
}

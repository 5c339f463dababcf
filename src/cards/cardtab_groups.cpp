// Gate group selection of the card tab: the eight group boxes, select all, cancel all and the
// hidden clear-and-lock button. The bits are read by the start of issuing.
#include "cards/cardfields.h"
#include "cards/cardtab.h"
#include "cards/issuesession.h"
#include "cards/texts.h"
#include "common/dialogs.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

void CardTab::chkClick(int n)
{
    if (groupCheck(n)->isChecked() && !edt9->text().isEmpty()) {
        m_session->setGroup(n, true);
        btn15->setEnabled(true);
        if (!m_session->modeChosen())
            return;
        if (!dtp1->isVisible())
            return;
        btn3->setEnabled(true);
        setStatus(texts::cards::GroupValid.arg(n));
        btn3->setFocus();
        return;
    }
    m_session->setGroup(n, false);
    btn3->setEnabled(false);
    btn11->setEnabled(true);
    setStatus(texts::cards::GroupInvalid.arg(n));
}

void CardTab::btn11Click()
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
    setStatus(texts::cards::AllSelected);
    btn11->setEnabled(false);
}

void CardTab::btn15Click()
{
    for (int n = 1; n <= 8; ++n)
        groupCheck(n)->setChecked(false);
    btn3->setEnabled(false);
    btn15->setEnabled(false);
    btn11->setEnabled(true);
    setStatus(texts::cards::AllCancelled);
}

void CardTab::btn24Click()
{
    for (int n = 1; n <= 8; ++n)
        groupCheck(n)->setChecked(false);
    for (int n = 1; n <= 8; ++n)
        groupCheck(n)->setEnabled(false);
    btn11->setEnabled(false);
}

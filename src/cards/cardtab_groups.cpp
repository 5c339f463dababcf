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
    if (groupCheck(n)->isChecked() && !vehicleNumberField->text().isEmpty()) {
        m_session->setGroup(n, true);
        invertGatesButton->setEnabled(true);
        if (!m_session->modeChosen())
            return;
        if (!validityPicker->isVisible())
            return;
        startIssueButton->setEnabled(true);
        setStatus(texts::cards::GroupValid.arg(n));
        startIssueButton->setFocus();
        return;
    }
    m_session->setGroup(n, false);
    startIssueButton->setEnabled(false);
    selectAllButton->setEnabled(true);
    setStatus(texts::cards::GroupInvalid.arg(n));
}

void CardTab::selectAllButtonClick()
{
    const bool inMode = modeSelected() && !vehicleNumberField->text().trimmed().isEmpty() &&
                        validityPicker->isEnabled();
    if (!inMode && validityField->text().trimmed().isEmpty()) {
        Dialogs::message(texts::cards::SelectAllRefused, this);
        return;
    }
    selectNoneButtonClick();
    for (int n = 1; n <= 8; ++n)
        groupCheck(n)->setEnabled(true);
    for (int n = 1; n <= 8; ++n)
        groupCheck(n)->setChecked(true);
    invertGatesButton->setEnabled(true);
    setStatus(texts::cards::AllSelected);
    selectAllButton->setEnabled(false);
}

void CardTab::invertGatesButtonClick()
{
    for (int n = 1; n <= 8; ++n)
        groupCheck(n)->setChecked(false);
    startIssueButton->setEnabled(false);
    invertGatesButton->setEnabled(false);
    selectAllButton->setEnabled(true);
    setStatus(texts::cards::AllCancelled);
}

void CardTab::selectNoneButtonClick()
{
    for (int n = 1; n <= 8; ++n)
        groupCheck(n)->setChecked(false);
    for (int n = 1; n <= 8; ++n)
        groupCheck(n)->setEnabled(false);
    selectAllButton->setEnabled(false);
}

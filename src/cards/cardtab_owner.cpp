// Owner details entry on the card tab: the Enter chain from the owner name to the date picker,
// with its prompts, the mobile-number check and the routes to the picker from the validity field.
#include "cards/cardfields.h"
#include "cards/cardtab.h"
#include "cards/issuing.h"
#include "cards/texts.h"
#include "common/dialogs.h"
#include "common/globals.h"
#include "common/guard.h"
#include "common/keys.h"
#include "shell/widgets.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

namespace {

void highlightWhileFocused(QWidget *w)
{
    w->setStyleSheet(QStringLiteral("QLineEdit:focus, QComboBox:focus { background: yellow; }"));
}

} // namespace

void CardTab::setupOwnerEntry()
{
    edt13->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edt13));
    for (QWidget *w :
         std::initializer_list<QWidget *>{edt11, edt12, DBcbb3, edt13, edt14, edt16, edt20})
        highlightWhileFocused(w);

    // A key handler sees each character key before the field does.
    auto keys = [](QWidget *w, bool (CardTab::*handler)(int), CardTab *form) {
        onKeyPress(w, [form, handler](int key) {
            if (!keys::isCharacterKey(key))
                return false;
            bool swallow = false;
            guarded([&] { swallow = (form->*handler)(key); });
            return swallow;
        });
    };
    keys(edt11, &CardTab::edt11KeyPress, this);
    keys(edt12, &CardTab::edt12KeyPress, this);
    keys(DBcbb3, &CardTab::DBcbb3KeyPress, this);
    keys(edt13, &CardTab::edt13KeyPress, this);
    keys(edt14, &CardTab::edt14KeyPress, this);
    keys(edt16, &CardTab::edt16KeyPress, this);
    keys(edt20, &CardTab::edt20KeyPress, this);
    keys(edt15, &CardTab::edt15KeyPress, this);
    onFocusIn(edt12, [this] { guarded([this] { edt12Enter(); }); });
    onFocusIn(DBcbb3, [this] { guarded([this] { DBcbb3Enter(); }); });
    onFocusIn(edt13, [this] { guarded([this] { edt13Enter(); }); });
    onFocusIn(edt14, [this] { guarded([this] { edt14Enter(); }); });
    onFocusIn(edt16, [this] { guarded([this] { edt16Enter(); }); });
    onFocusIn(edt20, [this] { guarded([this] { edt20Enter(); }); });
    onFocusIn(edt15, [this] { guarded([this] { edt15Enter(); }); });
    onMouseDown(edt11, [this] { guarded([this] { edt11MouseDown(); }); });
    onMouseDown(edt15, [this] { guarded([this] { edt15MouseDown(); }); });
    onMouseUp(edt15, [this] { guarded([this] { edt15MouseDown(); }); });
    onMouseDown(edt3, [this] { guarded([this] { edt3MouseDown(); }); });
    DBcbb3->onUserChange = [this] { guarded([this] { DBcbb3Change(); }); };
}

void CardTab::showOwnerPrompt(const QString &prompt, const QString &noModeMessage)
{
    if (!edt9->text().isEmpty())
        setStatus(prompt);
    else
        Dialogs::message(noModeMessage, this);
}

bool CardTab::edt11KeyPress(int key)
{
    namespace t = texts::cards;
    showOwnerPrompt(t::NamePrompt, t::NameNoMode);
    if (keys::isEnter(key) && !edt11->text().isEmpty() && !edt9->text().isEmpty()) {
        edt12->setFocus();
        setStatus(t::NameDone);
    }
    return keys::isEnter(key);
}

void CardTab::edt11MouseDown()
{
    showOwnerPrompt(texts::cards::NamePrompt, texts::cards::NameNoMode);
}

void CardTab::edt12Enter()
{
    showOwnerPrompt(texts::cards::PlatePrompt, texts::cards::NoModeFirst);
}

bool CardTab::edt12KeyPress(int key)
{
    edt12Enter();
    if (keys::isEnter(key) && !edt12->text().isEmpty()) {
        DBcbb3->setFocus();
        setStatus(texts::cards::PlateDone);
    }
    return keys::isEnter(key);
}

void CardTab::DBcbb3Enter()
{
    showOwnerPrompt(texts::cards::CarTypePrompt, texts::cards::NoModeFirst);
}

bool CardTab::DBcbb3KeyPress(int key)
{
    DBcbb3Enter();
    if (keys::isEnter(key) && !DBcbb3->currentText().trimmed().isEmpty() &&
        !edt9->text().isEmpty()) {
        edt13->setFocus();
        // Back to the highlight of the focus only: the field must not stay coloured.
        highlightWhileFocused(DBcbb3);
        setStatus(texts::cards::CarTypeDone);
    }
    return keys::isEnter(key);
}

void CardTab::DBcbb3Change()
{
    if (!edt9->text().isEmpty())
        setStatus(texts::cards::CarTypeChanged);
    else
        Dialogs::message(texts::cards::NoModePlease, this);
}

void CardTab::edt13Enter()
{
    showOwnerPrompt(texts::cards::MobilePrompt, texts::cards::NoModeFirst);
}

bool CardTab::edt13KeyPress(int key)
{
    edt13Enter();
    if (keys::isEnter(key)) {
        if (cards::isMobileNumber(edt13->text())) {
            edt14->setFocus();
            setStatus(texts::cards::MobileDone);
        } else {
            Dialogs::message(texts::cards::MobileShort, this);
        }
        return true;
    }
    const bool digit = key >= Qt::Key_0 && key <= Qt::Key_9;
    return !digit && key != Qt::Key_Backspace;
}

void CardTab::edt14Enter()
{
    showOwnerPrompt(texts::cards::VehiclePrompt, texts::cards::NoModeFirst);
}

bool CardTab::edt14KeyPress(int key)
{
    edt14Enter();
    if (keys::isEnter(key) && !edt14->text().isEmpty()) {
        edt16->setFocus();
        setStatus(texts::cards::VehicleDone);
    }
    return keys::isEnter(key);
}

void CardTab::edt16Enter()
{
    showOwnerPrompt(texts::cards::SpacePrompt, texts::cards::NoModeFirst);
}

bool CardTab::edt16KeyPress(int key)
{
    edt16Enter();
    if (keys::isEnter(key) && !edt16->text().isEmpty()) {
        edt20->setFocus();
        setStatus(texts::cards::AddressPrompt);
    }
    return keys::isEnter(key);
}

void CardTab::edt20Enter()
{
    showOwnerPrompt(texts::cards::AddressPrompt, texts::cards::NoModeFirst);
}

bool CardTab::edt20KeyPress(int key)
{
    edt20Enter();
    if (keys::isEnter(key) && !edt20->text().isEmpty()) {
        openDatePicker();
        dtp1->setFocus();
        setStatus(texts::cards::ValidityPrompt);
    }
    return keys::isEnter(key);
}

void CardTab::edt15Enter()
{
    showOwnerPrompt(texts::cards::ValidityPrompt, texts::cards::NoModeFirst);
}

bool CardTab::edt15KeyPress(int)
{
    setStatusStyle(QStringLiteral("color:blue;"));
    setStatus(texts::cards::ValidityPrompt);
    if (edt9->text().isEmpty() || (!rb1->isChecked() && !rb2->isChecked() && !btn13->isEnabled())) {
        setStatus(texts::cards::NoVehicleNumber);
        return true;
    }
    openDatePicker();
    setStatus(texts::cards::ValidityPrompt);
    return true;
}

void CardTab::edt15MouseDown()
{
    if (!edt9->text().isEmpty() && modeSelected()) {
        openDatePicker();
        setStatusStyle(QStringLiteral("color:blue;"));
        setStatus(texts::cards::ValidityPrompt);
        return;
    }
    Dialogs::message(texts::cards::NoModePlease, this);
    setStatus(texts::cards::NoVehicleNumber);
}

void CardTab::edt3MouseDown()
{
    setStatus(texts::cards::StatusAfterRead);
    Dialogs::message(texts::cards::StatusAfterRead, this);
}

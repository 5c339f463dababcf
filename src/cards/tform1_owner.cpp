// Owner details entry on the card tab: the Enter chain from the owner name to the date picker,
// with its prompts, the mobile-number check and the routes to the picker from the validity field.
#include "cards/cardfields.h"
#include "cards/issuing.h"
#include "cards/texts.h"
#include "common/dialogs.h"
#include "common/globals.h"
#include "common/guard.h"
#include "common/keys.h"
#include "shell/tform1.h"
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

void TForm1::setupOwnerEntry()
{
    edt13->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edt13));
    for (QWidget *w :
         std::initializer_list<QWidget *>{edt11, edt12, DBcbb3, edt13, edt14, edt16, edt20})
        highlightWhileFocused(w);

    // A key handler sees each character key before the field does.
    auto keys = [](QWidget *w, bool (TForm1::*handler)(int), TForm1 *form) {
        onKeyPress(w, [form, handler](int key) {
            if (!keys::isCharacterKey(key))
                return false;
            bool swallow = false;
            guarded([&] { swallow = (form->*handler)(key); });
            return swallow;
        });
    };
    keys(edt11, &TForm1::edt11KeyPress, this);
    keys(edt12, &TForm1::edt12KeyPress, this);
    keys(DBcbb3, &TForm1::DBcbb3KeyPress, this);
    keys(edt13, &TForm1::edt13KeyPress, this);
    keys(edt14, &TForm1::edt14KeyPress, this);
    keys(edt16, &TForm1::edt16KeyPress, this);
    keys(edt20, &TForm1::edt20KeyPress, this);
    keys(edt15, &TForm1::edt15KeyPress, this);
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

void TForm1::showOwnerPrompt(const QString &prompt, const QString &noModeMessage)
{
    if (!edt9->text().isEmpty())
        wtxt->setText(prompt);
    else
        Dialogs::message(noModeMessage, this);
}

bool TForm1::edt11KeyPress(int key)
{
    namespace t = texts::cards;
    showOwnerPrompt(t::NamePrompt, t::NameNoMode);
    if (keys::isEnter(key) && !edt11->text().isEmpty() && !edt9->text().isEmpty()) {
        edt12->setFocus();
        wtxt->setText(t::NameDone);
    }
    return keys::isEnter(key);
}

void TForm1::edt11MouseDown()
{
    showOwnerPrompt(texts::cards::NamePrompt, texts::cards::NameNoMode);
}

void TForm1::edt12Enter()
{
    showOwnerPrompt(texts::cards::PlatePrompt, texts::cards::NoModeFirst);
}

bool TForm1::edt12KeyPress(int key)
{
    edt12Enter();
    if (keys::isEnter(key) && !edt12->text().isEmpty()) {
        DBcbb3->setFocus();
        wtxt->setText(texts::cards::PlateDone);
    }
    return keys::isEnter(key);
}

void TForm1::DBcbb3Enter()
{
    showOwnerPrompt(texts::cards::CarTypePrompt, texts::cards::NoModeFirst);
}

bool TForm1::DBcbb3KeyPress(int key)
{
    DBcbb3Enter();
    if (keys::isEnter(key) && !DBcbb3->currentText().trimmed().isEmpty() &&
        !edt9->text().isEmpty()) {
        edt13->setFocus();
        // Back to the highlight of the focus only: the field must not stay coloured.
        highlightWhileFocused(DBcbb3);
        wtxt->setText(texts::cards::CarTypeDone);
    }
    return keys::isEnter(key);
}

void TForm1::DBcbb3Change()
{
    if (!edt9->text().isEmpty())
        wtxt->setText(texts::cards::CarTypeChanged);
    else
        Dialogs::message(texts::cards::NoModePlease, this);
}

void TForm1::edt13Enter()
{
    showOwnerPrompt(texts::cards::MobilePrompt, texts::cards::NoModeFirst);
}

bool TForm1::edt13KeyPress(int key)
{
    edt13Enter();
    if (keys::isEnter(key)) {
        if (cards::isMobileNumber(edt13->text())) {
            edt14->setFocus();
            wtxt->setText(texts::cards::MobileDone);
        } else {
            Dialogs::message(texts::cards::MobileShort, this);
        }
        return true;
    }
    const bool digit = key >= Qt::Key_0 && key <= Qt::Key_9;
    return !digit && key != Qt::Key_Backspace;
}

void TForm1::edt14Enter()
{
    showOwnerPrompt(texts::cards::VehiclePrompt, texts::cards::NoModeFirst);
}

bool TForm1::edt14KeyPress(int key)
{
    edt14Enter();
    if (keys::isEnter(key) && !edt14->text().isEmpty()) {
        edt16->setFocus();
        wtxt->setText(texts::cards::VehicleDone);
    }
    return keys::isEnter(key);
}

void TForm1::edt16Enter()
{
    showOwnerPrompt(texts::cards::SpacePrompt, texts::cards::NoModeFirst);
}

bool TForm1::edt16KeyPress(int key)
{
    edt16Enter();
    if (keys::isEnter(key) && !edt16->text().isEmpty()) {
        edt20->setFocus();
        wtxt->setText(texts::cards::AddressPrompt);
    }
    return keys::isEnter(key);
}

void TForm1::edt20Enter()
{
    showOwnerPrompt(texts::cards::AddressPrompt, texts::cards::NoModeFirst);
}

bool TForm1::edt20KeyPress(int key)
{
    edt20Enter();
    if (keys::isEnter(key) && !edt20->text().isEmpty()) {
        openDatePicker();
        dtp1->setFocus();
        wtxt->setText(texts::cards::ValidityPrompt);
    }
    return keys::isEnter(key);
}

void TForm1::edt15Enter()
{
    showOwnerPrompt(texts::cards::ValidityPrompt, texts::cards::NoModeFirst);
}

bool TForm1::edt15KeyPress(int)
{
    wtxt->setStyleSheet(QStringLiteral("color:blue;"));
    wtxt->setText(texts::cards::ValidityPrompt);
    if (edt9->text().isEmpty() || (!rb1->isChecked() && !rb2->isChecked() && !btn13->isEnabled())) {
        wtxt->setText(texts::cards::NoVehicleNumber);
        return true;
    }
    openDatePicker();
    wtxt->setText(texts::cards::ValidityPrompt);
    return true;
}

void TForm1::edt15MouseDown()
{
    if (!edt9->text().isEmpty() && modeSelected()) {
        openDatePicker();
        wtxt->setStyleSheet(QStringLiteral("color:blue;"));
        wtxt->setText(texts::cards::ValidityPrompt);
        return;
    }
    Dialogs::message(texts::cards::NoModePlease, this);
    wtxt->setText(texts::cards::NoVehicleNumber);
}

void TForm1::edt3MouseDown()
{
    wtxt->setText(texts::cards::StatusAfterRead);
    Dialogs::message(texts::cards::StatusAfterRead, this);
}

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
    phoneField->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), phoneField));
    for (QWidget *w :
         std::initializer_list<QWidget *>{ownerNameField, plateField, carTypeField, phoneField,
                                          vehicleInfoField, parkingSpaceField, addressField})
        highlightWhileFocused(w);

    // A key handler sees each character key before the field does.
    auto keys = [](QWidget *w, std::function<bool(int)> handler) {
        onKeyPress(w, [handler](int key) {
            if (!keys::isCharacterKey(key))
                return false;
            bool swallow = false;
            guarded([&] { swallow = handler(key); });
            return swallow;
        });
    };
    keys(ownerNameField, [this](int key) { return ownerNameFieldKeyPress(key); });
    keys(carTypeField, [this](int key) { return carTypeFieldKeyPress(key); });
    keys(phoneField, [this](int key) { return phoneFieldKeyPress(key); });
    keys(validityField, [this](int key) { return validityFieldKeyPress(key); });
    onFocusIn(carTypeField, [this] { guarded([this] { carTypeFieldEnter(); }); });
    onFocusIn(phoneField, [this] { guarded([this] { phoneFieldEnter(); }); });
    // The fields that take any text: each prompts when reached, and Enter on a filled one goes
    // on to the next step.
    namespace t = texts::cards;
    const std::vector<TextStep> steps = {
        {plateField, t::PlatePrompt, t::PlateDone, [this] { carTypeField->setFocus(); }},
        {vehicleInfoField, t::VehiclePrompt, t::VehicleDone,
         [this] { parkingSpaceField->setFocus(); }},
        {parkingSpaceField, t::SpacePrompt, t::AddressPrompt, [this] { addressField->setFocus(); }},
        {addressField, t::AddressPrompt, t::ValidityPrompt,
         [this] {
             openDatePicker();
             validityPicker->setFocus();
         }},
    };
    for (const TextStep &step : steps) {
        keys(step.field, [this, step](int key) { return textStepKeyPress(step, key); });
        onFocusIn(step.field, [this, step] {
            guarded([this, step] { showOwnerPrompt(step.prompt, t::NoModeFirst); });
        });
    }
    onFocusIn(validityField, [this] { guarded([this] { validityFieldEnter(); }); });
    onMouseDown(ownerNameField, [this] { guarded([this] { ownerNameFieldMouseDown(); }); });
    onMouseDown(validityField, [this] { guarded([this] { validityFieldMouseDown(); }); });
    onMouseUp(validityField, [this] { guarded([this] { validityFieldMouseDown(); }); });
    onMouseDown(cardStatusField, [this] { guarded([this] { cardStatusFieldMouseDown(); }); });
    carTypeField->onUserChange = [this] { guarded([this] { carTypeFieldChange(); }); };
}

void CardTab::showOwnerPrompt(const QString &prompt, const QString &noModeMessage)
{
    if (!vehicleNumberField->text().isEmpty())
        setStatus(prompt);
    else
        Dialogs::message(noModeMessage, this);
}

bool CardTab::ownerNameFieldKeyPress(int key)
{
    namespace t = texts::cards;
    showOwnerPrompt(t::NamePrompt, t::NameNoMode);
    if (keys::isEnter(key) && !ownerNameField->text().isEmpty() &&
        !vehicleNumberField->text().isEmpty()) {
        plateField->setFocus();
        setStatus(t::NameDone);
    }
    return keys::isEnter(key);
}

void CardTab::ownerNameFieldMouseDown()
{
    showOwnerPrompt(texts::cards::NamePrompt, texts::cards::NameNoMode);
}

bool CardTab::textStepKeyPress(const TextStep &step, int key)
{
    showOwnerPrompt(step.prompt, texts::cards::NoModeFirst);
    if (keys::isEnter(key) && !step.field->text().isEmpty()) {
        step.next();
        setStatus(step.done);
    }
    return keys::isEnter(key);
}

void CardTab::carTypeFieldEnter()
{
    showOwnerPrompt(texts::cards::CarTypePrompt, texts::cards::NoModeFirst);
}

bool CardTab::carTypeFieldKeyPress(int key)
{
    carTypeFieldEnter();
    if (keys::isEnter(key) && !carTypeField->currentText().trimmed().isEmpty() &&
        !vehicleNumberField->text().isEmpty()) {
        phoneField->setFocus();
        // Back to the highlight of the focus only: the field must not stay coloured.
        highlightWhileFocused(carTypeField);
        setStatus(texts::cards::CarTypeDone);
    }
    return keys::isEnter(key);
}

void CardTab::carTypeFieldChange()
{
    if (!vehicleNumberField->text().isEmpty())
        setStatus(texts::cards::CarTypeChanged);
    else
        Dialogs::message(texts::cards::NoModePlease, this);
}

void CardTab::phoneFieldEnter()
{
    showOwnerPrompt(texts::cards::MobilePrompt, texts::cards::NoModeFirst);
}

bool CardTab::phoneFieldKeyPress(int key)
{
    phoneFieldEnter();
    if (keys::isEnter(key)) {
        if (cards::isMobileNumber(phoneField->text())) {
            vehicleInfoField->setFocus();
            setStatus(texts::cards::MobileDone);
        } else {
            Dialogs::message(texts::cards::MobileShort, this);
        }
        return true;
    }
    const bool digit = key >= Qt::Key_0 && key <= Qt::Key_9;
    return !digit && key != Qt::Key_Backspace;
}

void CardTab::validityFieldEnter()
{
    showOwnerPrompt(texts::cards::ValidityPrompt, texts::cards::NoModeFirst);
}

bool CardTab::validityFieldKeyPress(int)
{
    setStatusStyle(QStringLiteral("color:blue;"));
    setStatus(texts::cards::ValidityPrompt);
    if (vehicleNumberField->text().isEmpty() ||
        (!singleIssueMark->isChecked() && !batchIssueMark->isChecked() &&
         !extendButton->isEnabled())) {
        setStatus(texts::cards::NoVehicleNumber);
        return true;
    }
    openDatePicker();
    setStatus(texts::cards::ValidityPrompt);
    return true;
}

void CardTab::validityFieldMouseDown()
{
    if (!vehicleNumberField->text().isEmpty() && modeSelected()) {
        openDatePicker();
        setStatusStyle(QStringLiteral("color:blue;"));
        setStatus(texts::cards::ValidityPrompt);
        return;
    }
    Dialogs::message(texts::cards::NoModePlease, this);
    setStatus(texts::cards::NoVehicleNumber);
}

void CardTab::cardStatusFieldMouseDown()
{
    setStatus(texts::cards::StatusAfterRead);
    Dialogs::message(texts::cards::StatusAfterRead, this);
}

// The serial port controls of the system tab and the receive path from the port.
#include "common/dialogs.h"
#include "common/globals.h"
#include "common/guard.h"
#include "common/keys.h"
#include "db/datafrm.h"
#include "issuer/codecs.h"
#include "issuer/frames.h"
#include "issuer/ports.h"
#include "issuer/receivehandler.h"
#include "issuer/seriallink.h"
#include "issuer/systemtab.h"
#include "issuer/texts.h"
#include "issuer/timings.h"
#include "issuer/trim.h"
#include "issuer/uipause.h"
#include "shell/widgets.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

void SystemTab::connectReplies(ReplyTarget *replies)
{
    m_receiver = new ReceiveHandler(m_serial, replies, this);
}

void SystemTab::addEventLine(const QString &line)
{
    eventMemo->addLine(line);
}

void SystemTab::addStatusLine(const QString &line)
{
    statusReplyMemo->addLine(line);
}

void SystemTab::setupSerial()
{
    m_serial = new SerialLink(this);

    // Choosing from the list (also the item already shown) is what counts as a choice; the
    // program's own changes of the combo text are not.
    connect(portChoice, &QComboBox::activated, this,
            [this] { guarded([this] { portChoiceChange(); }); });
    onKeyPress(portChoice, [this](int key) { return portChoiceKeyPress(key); });
    connect(openPortButton, &QPushButton::clicked, this,
            [this] { guarded([this] { openPortButtonClick(); }); });
    connect(closePortButton, &QPushButton::clicked, this,
            [this] { guarded([this] { closePortButtonClick(); }); });
    connect(reconnectButton, &QPushButton::clicked, this,
            [this] { guarded([this] { reconnectButtonClick(); }); });
    connect(checkButton, &QPushButton::clicked, this,
            [this] { guarded([this] { checkButtonClick(); }); });
    eventMemo->onChange = [this] { eventMemoChange(); };
    statusReplyMemo->onChange = [this] { statusReplyMemoChange(); };
    setupSearch();
    setupPassword();
}

QStringList SystemTab::GetComPortList()
{
    return issuer::listPortNames();
}

void SystemTab::checkButtonClick()
{
    // Re-read into an emptied memo, so that a port that went away shows as gone.
    supervisedPortList->clearLines();
    for (const QString &name : issuer::listPortNames())
        supervisedPortList->addLine(name);
}

bool SystemTab::initirq()
{
    if (m_serial->enableReceiveNotification(PortNo) == 0)
        return true;
    setStatus(texts::issuer::RegistrationFailed);
    issuer::uiPause(issuer::timings().afterFailedRegistration);
    closePort(PortNo);
    return false;
}

void SystemTab::openPortButtonClick()
{
    const QString name = portChoice->currentText();
    if (name.isEmpty()) {
        Dialogs::message(texts::issuer::PortEmptyOnOpen, this);
        return;
    }
    const std::optional<int> number = issuer::portNumber(name);
    if (!number)
        return;
    // A port left open by an earlier press is reopened cleanly.
    PortNo = *number;
    if (m_serial->close(PortNo) != 0)
        return;
    const int port = *number;
    PortNo = port;
    const int opened = m_serial->open(port);
    issuer::uiPause(issuer::timings().afterOpen);
    if (opened != 0) {
        setStatus(texts::issuer::CannotOpen.arg(port));
        return;
    }
    if (m_serial->setLineParameters(port) != 0) {
        Dialogs::message(texts::issuer::LineParametersFailed, this);
        return;
    }
    PortNo = port;
    if (!initirq()) {
        closePort(port);
        setStatus(texts::issuer::ReceiveSetupFailed);
        return;
    }
    setStatus(texts::issuer::PortOpened.arg(port));
    openPortButton->setEnabled(false);
    manualTestButton->setEnabled(true);
    closePortButton->setEnabled(true);
    linkLamp->setColor(colors::Green);
    TestsWithoutReply = 0;
}

void SystemTab::closePortButtonClick()
{
    closePort(PortNo);
    setLinkUp(false);
    setStatus(texts::issuer::PortClosed.arg(PortNo));
    openPortButton->setEnabled(true);
    manualTestButton->setEnabled(false);
    closePortButton->setEnabled(false);
    linkLamp->setColor(colors::Yellow);
}

void SystemTab::portChoiceChange()
{
    const QString name = portChoice->currentText();
    if (name.isEmpty())
        return;
    openPortButton->setEnabled(true);
    // Two characters only: COM123 reads as "选择COM12".
    setStatus(texts::issuer::PortChosen + name.mid(3, 2));
}

bool SystemTab::portChoiceKeyPress(int key)
{
    if (!keys::isCharacterKey(key))
        return false;
    if (portChoice->currentText().isEmpty()) {
        Dialogs::message(texts::issuer::PortEmptyOnKey, this);
        return false;
    }
    openPortButton->setEnabled(true);
    openPortButton->setFocus();
    return true;
}

void SystemTab::reconnectButtonClick()
{
    try {
        const QStringList ports = portListAtStart->lines();
        for (const QString &line : ports) {
            const std::optional<int> number = issuer::portNumber(line);
            if (!number)
                throw ConversionError(QStringLiteral("'%1' is not a valid integer value")
                                          .arg(issuer::trimmed(line).mid(3, 3)));
            PortNo = *number;
            issuer::uiPause(issuer::timings().beforeClose);
            closePort(PortNo);
            setStatus(texts::issuer::PortClosed.arg(PortNo));
        }
        setLinkUp(false);
        eventMemo->clearLines();
        statusReplyMemo->clearLines();
        spareMemo->clearLines();
        sentCounter->setText(QStringLiteral("0"));
        repliesCounter->setText(QStringLiteral("0"));
        searchButtonClick();
        activityTimer->start();
    } catch (const std::exception &) {
        Dialogs::message(texts::issuer::ReconnectFailed, this);
    }
}

void SystemTab::closePort(int port)
{
    m_serial->close(port);
}

void SystemTab::sendFrame(IssuerFrame kind, const QByteArray &frame)
{
    if (flushesBeforeSending(kind))
        flushPort();
    writeFrame(frame);
    if (countsAsSent(kind))
        countFrame();
}

void SystemTab::writeFrame(const QByteArray &frame)
{
    // The issuer's answer is the only confirmation; the write's own result is not looked at.
    m_serial->write(PortNo, frame);
}

void SystemTab::flushPort()
{
    m_serial->flush(PortNo);
}

void SystemTab::statusReplyMemoChange()
{
    repliesCounter->setText(QString::number(repliesCounter->text().toInt() + 1));
    if (statusReplyMemo->lineCount() > 20)
        statusReplyMemo->removeFirstLines(1);
}

void SystemTab::setLinkUp(bool up)
{
    m_linkUp = up;
    showLinkState();
}

void SystemTab::showLinkState()
{
    namespace t = texts::issuer;
    QString text;
    QString tip;
    QString colour;
    if (!isAdministrator()) {
        text = t::IndicatorUnused;
        tip = t::IndicatorUnusedTip;
        colour = QStringLiteral("gray");
    } else if (m_linkUp && PortNo > 0) {
        const QString device = issuer::devicePath(PortNo);
        text = t::IndicatorLinked.arg(PortNo);
        tip =
            t::IndicatorLinkedTip.arg(PortNo).arg(device.isEmpty() ? t::IndicatorNoDevice : device);
        colour = QStringLiteral("green");
    } else {
        text = t::IndicatorSearching;
        tip = t::IndicatorSearchingTip;
        colour = QStringLiteral("#b06000");
    }
    emit linkShown(text, tip, QStringLiteral("color:%1;").arg(colour));
}

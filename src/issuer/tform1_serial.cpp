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
#include "issuer/texts.h"
#include "issuer/timings.h"
#include "issuer/trim.h"
#include "issuer/uipause.h"
#include "shell/forms.h"
#include "shell/tform1.h"
#include "shell/widgets.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

void TForm1::setupSerial(ReplyTarget *replies)
{
    m_serial = new SerialLink(this);
    m_receiver = new ReceiveHandler(m_serial, replies, this);

    // Choosing from the list (also the item already shown) is what counts as a choice; the
    // program's own changes of the combo text are not.
    connect(ComTxt, &QComboBox::activated, this, [this] { guarded([this] { ComTxtChange(); }); });
    onKeyPress(ComTxt, [this](int key) { return ComTxtKeyPress(key); });
    connect(opencmd, &QPushButton::clicked, this, [this] { guarded([this] { opencmdClick(); }); });
    connect(CLpc1, &QPushButton::clicked, this, [this] { guarded([this] { CLpc1Click(); }); });
    connect(btnClose2, &QPushButton::clicked, this,
            [this] { guarded([this] { btnClose2Click(); }); });
    connect(btn26, &QPushButton::clicked, this, [this] { guarded([this] { btn26Click(); }); });
    RzMemo1->onChange = [this] { RzMemo1Change(); };
    RzMemo5->onChange = [this] { RzMemo5Change(); };
    setupSearch();
    setupPassword();
}

QStringList TForm1::GetComPortList()
{
    return issuer::listPortNames();
}

void TForm1::btn26Click()
{
    // Re-read into an emptied memo, so that a port that went away shows as gone.
    RzMemo4->clearLines();
    for (const QString &name : issuer::listPortNames())
        RzMemo4->addLine(name);
}

bool TForm1::initirq()
{
    if (m_serial->enableReceiveNotification(PortNo) == 0)
        return true;
    wtxt->setText(texts::issuer::RegistrationFailed);
    issuer::uiPause(issuer::timings().afterFailedRegistration);
    closePort(PortNo);
    return false;
}

void TForm1::opencmdClick()
{
    const QString name = ComTxt->currentText();
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
        wtxt->setText(texts::issuer::CannotOpen.arg(port));
        return;
    }
    if (m_serial->setLineParameters(port) != 0) {
        Dialogs::message(texts::issuer::LineParametersFailed, this);
        return;
    }
    PortNo = port;
    if (!initirq()) {
        closePort(port);
        wtxt->setText(texts::issuer::ReceiveSetupFailed);
        return;
    }
    wtxt->setText(texts::issuer::PortOpened.arg(port));
    opencmd->setEnabled(false);
    btn2->setEnabled(true);
    CLpc1->setEnabled(true);
    shp3->setColor(colors::Green);
    TestsWithoutReply = 0;
}

void TForm1::CLpc1Click()
{
    closePort(PortNo);
    setLinkUp(false);
    wtxt->setText(texts::issuer::PortClosed.arg(PortNo));
    opencmd->setEnabled(true);
    btn2->setEnabled(false);
    CLpc1->setEnabled(false);
    shp3->setColor(colors::Yellow);
}

void TForm1::ComTxtChange()
{
    const QString name = ComTxt->currentText();
    if (name.isEmpty())
        return;
    opencmd->setEnabled(true);
    // Two characters only: COM123 reads as "选择COM12".
    wtxt->setText(texts::issuer::PortChosen + name.mid(3, 2));
}

bool TForm1::ComTxtKeyPress(int key)
{
    if (!keys::isCharacterKey(key))
        return false;
    if (ComTxt->currentText().isEmpty()) {
        Dialogs::message(texts::issuer::PortEmptyOnKey, this);
        return false;
    }
    opencmd->setEnabled(true);
    opencmd->setFocus();
    return true;
}

void TForm1::btnClose2Click()
{
    try {
        const QStringList ports = RzMemo6->lines();
        for (const QString &line : ports) {
            const std::optional<int> number = issuer::portNumber(line);
            if (!number)
                throw ConversionError(QStringLiteral("'%1' is not a valid integer value")
                                          .arg(issuer::trimmed(line).mid(3, 3)));
            PortNo = *number;
            issuer::uiPause(issuer::timings().beforeClose);
            closePort(PortNo);
            wtxt->setText(texts::issuer::PortClosed.arg(PortNo));
        }
        setLinkUp(false);
        RzMemo1->clearLines();
        RzMemo5->clearLines();
        memo2->clearLines();
        edt6->setText(QStringLiteral("0"));
        edt7->setText(QStringLiteral("0"));
        btn5Click();
        tmr6->start();
    } catch (const std::exception &) {
        Dialogs::message(texts::issuer::ReconnectFailed, this);
    }
}

void TForm1::closePort(int port)
{
    m_serial->close(port);
}

void TForm1::sendFrame(IssuerFrame kind, const QByteArray &frame)
{
    if (flushesBeforeSending(kind))
        flushPort();
    writeFrame(frame);
    if (countsAsSent(kind))
        countFrame();
}

void TForm1::writeFrame(const QByteArray &frame)
{
    // The issuer's answer is the only confirmation; the write's own result is not looked at.
    m_serial->write(PortNo, frame);
}

void TForm1::flushPort()
{
    m_serial->flush(PortNo);
}

void TForm1::RzMemo5Change()
{
    edt7->setText(QString::number(edt7->text().toInt() + 1));
    if (RzMemo5->lineCount() > 20)
        RzMemo5->removeFirstLines(1);
}

void TForm1::setLinkUp(bool up)
{
    linkUp = up;
    showLinkState();
}

void TForm1::showLinkState()
{
    if (!linkIndicator)
        return;
    namespace t = texts::issuer;
    QString text;
    QString tip;
    QString colour;
    if (!isAdministrator()) {
        text = t::IndicatorUnused;
        tip = t::IndicatorUnusedTip;
        colour = QStringLiteral("gray");
    } else if (linkUp && PortNo > 0) {
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
    linkIndicator->setText(text);
    linkIndicator->setToolTip(tip);
    linkIndicator->setStyleSheet(QStringLiteral("color:%1;").arg(colour));
}

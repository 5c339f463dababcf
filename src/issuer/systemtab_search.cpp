// The search for the issuer over the listed ports, the two counters that drive it, the manual
// link test, the port-list supervision once the link is up, and the prompt when nothing answers.
#include "common/dialogs.h"
#include "common/globals.h"
#include "common/guard.h"
#include "db/datafrm.h"
#include "issuer/codecs.h"
#include "issuer/frames.h"
#include "issuer/linkrules.h"
#include "issuer/ports.h"
#include "issuer/receivehandler.h"
#include "issuer/seriallink.h"
#include "issuer/systemtab.h"
#include "issuer/texts.h"
#include "issuer/tform9.h"
#include "issuer/timings.h"
#include "issuer/trim.h"
#include "issuer/uipause.h"
#include "shell/appexit.h"
#include "shell/widgets.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace {

// Enabling a timer that already runs leaves its rhythm alone.
void enable(QTimer *timer)
{
    if (!timer->isActive())
        timer->start();
}

QString paneColour(const char *colour)
{
    return QStringLiteral("color:%1;").arg(QLatin1String(colour));
}

// The stored issuer password, read afresh: the query may have been closed by a visit to the
// help or exit tab.
QString issuerPassword()
{
    if (!Datafrm)
        throw VelmoraError(QStringLiteral("no data module"));
    Query *q = Datafrm->Qrymm1;
    q->close();
    q->open();
    return issuer::trimmed(q->fieldByName(QStringLiteral("pass_word")).asString());
}

int value(const QLineEdit *counter)
{
    return counter->text().toInt();
}

} // namespace

TForm9 *SystemTab::notFoundPrompt() const
{
    return m_notFoundPrompt.data();
}

void SystemTab::setupSearch()
{
    // The search buttons are run by the program only.
    for (QPushButton *b : {searchButton, identifyButton, confirmButton})
        b->setEnabled(false);
    connect(firstSearchTimer, &QTimer::timeout, this, [this] { firstSearchTimerTimer(); });
    connect(nextPortTimer, &QTimer::timeout, this, [this] { nextPortTimerTimer(); });
    connect(supervisionTimer, &QTimer::timeout, this, [this] { supervisionTimerTimer(); });
    connect(sentCounter, &QLineEdit::textChanged, this, [this] { sentCounterChange(); });
    connect(repliesCounter, &QLineEdit::textChanged, this, [this] { repliesCounterChange(); });
    connect(manualTestButton, &QPushButton::clicked, this,
            [this] { guarded([this] { manualTestButtonClick(); }); });
    supervisedPortList->onChange = [this] { supervisedPortListChange(); };
    portListAtStart->onChange = [this] { portListAtStartChange(); };
    // The counters only show.
    onKeyPress(sentCounter, [](int) { return true; });
    onKeyPress(repliesCounter, [](int) { return true; });
}

void SystemTab::firstSearchTimerTimer()
{
    firstSearchTimer->stop();
    guarded([this] { searchButtonClick(); });
}

void SystemTab::searchButtonClick()
{
    // A pause inside the search lets timers run; none of them may start a second search.
    const bool nested = m_searching;
    m_searching = true;
    try {
        // The queue of ports to try is the port list as it is now, from the port being tried.
        const QStringList queue = issuer::portQueue(GetComPortList(), portChoice->currentText());
        portChoice->clear();
        portChoice->addItems(queue);
        nextPortTimer->stop();
        firstSearchTimer->stop();
        if (PortCount == 0) {
            setStatus(texts::issuer::CheckDeviceManager);
            Dialogs::box(texts::issuer::NoSerialPort, texts::issuer::NoSerialPortCaption,
                         Dialogs::OkOnly, Dialogs::Warning, this);
            appexit::endProgram();
        } else {
            identifyButtonClick();
            countFrame();
        }
    } catch (const std::exception &) {
        Dialogs::message(texts::issuer::SearchFailed, this);
    }
    m_searching = nested;
}

void SystemTab::identifyButtonClick()
{
    // A second pass opens the port of the first once more; that open fails and hands over to
    // the next port.
    const int passes = portListAtStart->lineCount();
    // A reply handled during a pause may bring the link up: the search then stops where it is
    // rather than moving the link to the port it was about to try.
    const quint64 links = m_linkUps;
    for (int pass = 0; pass < passes; ++pass) {
        try {
            const QString name = portChoice->currentText();
            const std::optional<int> number = issuer::portNumber(name);
            if (!number)
                throw ConversionError(QStringLiteral("'%1' is not a valid integer value")
                                          .arg(issuer::trimmed(name).mid(3, 3)));
            PortNo = *number;
            issuer::uiPause(issuer::timings().aroundSearchOpen);
            if (m_linkUps != links)
                return;
            const int opened = m_serial->open(PortNo);
            issuer::uiPause(issuer::timings().aroundSearchOpen);
            if (m_linkUps != links)
                return;
            if (opened == SerialLink::OpenDenied) {
                m_deniedPort = PortNo;
                setStatus(texts::issuer::PortDenied.arg(PortNo));
            }
            if (opened != 0) {
                setStatusStyle(paneColour("blue"));
                enable(nextPortTimer);
                return;
            }
            setStatus(texts::issuer::PortOpened.arg(PortNo));
            m_serial->setLineParameters(PortNo);
            confirmButtonClick();
            if (!initirq()) {
                setStatus(texts::issuer::ReceiveSetupFailed);
                return;
            }
        } catch (const std::exception &) {
            setStatus(texts::issuer::IdentifyFailed.arg(PortNo));
            return;
        }
    }
}

void SystemTab::confirmButtonClick()
{
    try {
        sendFrame(IssuerFrame::LinkCheck, ReadModeFrame(issuerPassword()));
    } catch (const std::exception &) {
        Dialogs::message(texts::issuer::ConfirmFailed, this);
    }
}

void SystemTab::nextPortTimerTimer()
{
    if (m_searching)
        return;
    if (portChoice->count() > 0)
        portChoice->removeItem(0);
    if (portChoice->count() > 0)
        portChoice->setCurrentIndex(0);
    searchButtonClick();
    activityLamp->setColor(colors::Yellow);
}

void SystemTab::countFrame()
{
    sentCounter->setText(QString::number(value(sentCounter) + 1));
}

void SystemTab::sentCounterChange()
{
    if (changePasswordButton->isEnabled()) {
        setStatus(texts::issuer::PasswordChangeSent);
        return;
    }
    const issuer::FrameCountStep step =
        issuer::frameCountStep(value(sentCounter), value(repliesCounter), m_linkUp);
    switch (step.pane) {
    case issuer::FrameCountStep::Pane::Unchanged:
        break;
    case issuer::FrameCountStep::Pane::Sending:
        setStatus(texts::issuer::SendingFrames);
        break;
    case issuer::FrameCountStep::Pane::NotAnIssuer:
        setStatus(texts::issuer::NotAnIssuerPort.arg(PortNo));
        break;
    case issuer::FrameCountStep::Pane::GiveUp:
        setStatus(m_deniedPort > 0 ? texts::issuer::IssuerNotFoundDenied.arg(m_deniedPort)
                                   : texts::issuer::IssuerNotFound);
        break;
    }
    if (step.askOperator) {
        closePort(PortNo);
        nextPortTimer->stop();
        firstSearchTimer->stop();
        // One prompt at a time: the reconnection it runs may count frames again.
        if (!m_notFoundPrompt) {
            QPointer<TForm9> prompt = new TForm9(this);
            m_notFoundPrompt = prompt;
            prompt->exec();
            m_notFoundPrompt = nullptr;
            if (prompt)
                prompt->deleteLater();
        }
    }
    if (step.nextPort)
        enable(nextPortTimer);
}

void SystemTab::repliesCounterChange()
{
    switch (issuer::evaluateLink(statusReplyMemo->lines(), value(repliesCounter))) {
    case issuer::LinkVerdict::Up:
        firstSearchTimer->stop();
        nextPortTimer->stop();
        linkLamp->setColor(colors::Green);
        manualTestButton->setEnabled(true);
        closePortButton->setEnabled(true);
        openPortButton->setEnabled(false);
        setStatusStyle(paneColour("black"));
        // The port that answered is the link, also when the search had moved on meanwhile;
        // the ports the search left open elsewhere are let go.
        if (m_receiver->applying() && m_receiver->currentPort() > 0)
            PortNo = m_receiver->currentPort();
        for (const int n : m_serial->openPorts()) {
            if (n != PortNo)
                closePort(n);
        }
        setLinkUp(true);
        ++m_linkUps;
        m_deniedPort = 0;
        for (const QString &name : GetComPortList())
            portListAtStart->addLine(name);
        enable(supervisionTimer);
        break;
    case issuer::LinkVerdict::ReplyNormal:
        setStatus(texts::issuer::LinkNormalPane);
        setStatusStyle(paneColour("blue"));
        nextPortTimer->stop();
        firstSearchTimer->stop();
        setLinkUp(true);
        ++m_linkUps;
        enable(supervisionTimer);
        eventMemo->addLine(texts::issuer::LinkNormalPane);
        break;
    case issuer::LinkVerdict::NotConfirmed:
        linkLamp->setColor(colors::Yellow);
        break;
    }
}

void SystemTab::disableManualTest()
{
    manualTestButton->setEnabled(false);
}

void SystemTab::manualTestButtonClick()
{
    const QString password = issuerPassword();
    ++TestsWithoutReply;
    eventMemo->clearLines();
    statusReplyMemo->clearLines();
    sentCounter->setText(QStringLiteral("0"));
    repliesCounter->setText(QStringLiteral("0"));
    // The pane first: counting the frame may replace it (a password change being ready).
    setStatus(texts::issuer::DataSent);
    sendFrame(IssuerFrame::LinkCheck, ReadModeFrame(password));
    // The reply to this test cannot have been handled yet: a count of zero means that nothing
    // answered the previous test either.
    if (TestsWithoutReply > 1 && value(repliesCounter) == 0)
        Dialogs::message(texts::issuer::ManualTestUnanswered, this);
}

void SystemTab::pauseSupervision()
{
    supervisionTimer->stop();
    activityTimer->stop();
}

bool SystemTab::eventMemoEmpty() const
{
    return eventMemo->lines().isEmpty();
}

void SystemTab::supervisionTimerTimer()
{
    if (m_searching)
        return;
    checkButtonClick();
    activityLamp->setColor(colors::Red);
    if (!issuer::linkLost(GetComPortList(), portListAtStart->lines(), PortNo))
        return;
    // An issuer that comes back starts in read mode: the card tab must not go on issuing. A
    // password change still unanswered is lost with the link.
    emit issuingEndRequested();
    dropPendingPasswordChange();
    closePort(PortNo);
    setLinkUp(false);
    setStatus(texts::issuer::LinkBroken);
    setStatusStyle(paneColour("red"));
    linkLamp->setColor(colors::Red);
    eventMemo->clearLines();
    statusReplyMemo->clearLines();
    repliesCounter->setText(QStringLiteral("0"));
    searchButtonClick();
}

void SystemTab::supervisedPortListChange()
{
    if (supervisedPortList->lineCount() > 5)
        supervisedPortList->removeFirstLines(1);
}

void SystemTab::portListAtStartChange()
{
    if (portListAtStart->lineCount() > 5)
        portListAtStart->removeFirstLines(1);
}

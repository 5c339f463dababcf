#include "issuer/tform9.h"

#include "issuer/systemtab.h"
#include "issuer/texts.h"
#include "shell/appexit.h"
#include "shell/widgets.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

TForm9::TForm9(SystemTab *owner)
    : QDialog(owner, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_owner(owner)
{
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(texts::issuer::PromptCaption);
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    lbl1 = new QLabel(texts::issuer::PromptText, this);
    layout->addWidget(lbl1);
    auto *row = new QHBoxLayout;
    btn1 = new QPushButton(texts::issuer::PromptYes, this);
    btn2 = new QPushButton(texts::issuer::PromptNo, this);
    btn1->setAutoDefault(false);
    btn2->setAutoDefault(false);
    row->addStretch(1);
    row->addWidget(btn1);
    row->addWidget(btn2);
    row->addStretch(1);
    layout->addLayout(row);
    tmr1 = new QTimer(this);
    tmr1->setInterval(1000);
    lbl1->setObjectName(QStringLiteral("lbl1"));
    btn1->setObjectName(QStringLiteral("btn1"));
    btn2->setObjectName(QStringLiteral("btn2"));
    tmr1->setObjectName(QStringLiteral("tmr1"));
    connect(tmr1, &QTimer::timeout, this, &TForm9::tmr1Timer);
    connect(btn1, &QPushButton::clicked, this, &TForm9::btn1Click);
    connect(btn2, &QPushButton::clicked, this, &TForm9::btn2Click);
}

void TForm9::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TForm9::FormShow()
{
    setFixedSize(405, 110);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    btn1->setFocus();
    m_owner->pauseSupervision();
    // Only a reply that arrives while the prompt is open closes it; lines left from before
    // would close it at once and start the same round again.
    m_eventLinesAtShow = m_owner->eventLinesAdded();
    tmr1->start();
}

void TForm9::tmr1Timer()
{
    if (m_owner->eventLinesAdded() != m_eventLinesAtShow && !m_owner->eventMemoEmpty())
        close();
}

void TForm9::btn1Click()
{
    close();
}

void TForm9::btn2Click()
{
    emit m_owner->leaving();
    // Leaving: the prompt goes without looking for the issuer once more.
    m_leaving = true;
    appexit::endProgram();
    close();
}

void TForm9::done(int result)
{
    // Every way of closing (a button, the title bar, Escape, the timer) ends here.
    if (!m_closed) {
        m_closed = true;
        QDialog::done(result);
        FormClose();
        return;
    }
    QDialog::done(result);
}

void TForm9::FormClose()
{
    tmr1->stop();
    if (!m_leaving)
        m_owner->reconnectButtonClick();
}

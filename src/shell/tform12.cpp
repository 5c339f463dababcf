#include "shell/tform12.h"
#include "shell/texts.h"

#include <QLabel>
#include <QProgressBar>
#include <QScreen>

TForm12::TForm12(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Form12"));
    setWindowTitle(QStringLiteral("进度条"));
    setFixedSize(522, 58);
    setStyleSheet(QStringLiteral("TForm12{background:white;}"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    Gauge1 = new QProgressBar(this);
    Gauge1->setGeometry(0, 0, 522, 25);
    Gauge1->setTextVisible(false);
    Gauge1->setStyleSheet(QStringLiteral("QProgressBar{background:white;border:1px solid #ccc;}"
                                         "QProgressBar::chunk{background:#2eaa3c;}"));
    Label1 = new QLabel(this);
    Label1->setGeometry(131, 32, 260, 20);
}

void TForm12::showEvent(QShowEvent *event)
{
    // Centred on the desktop; a borderless window gets no place from the window manager.
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    QWidget::showEvent(event);
    FormShow();
}

void TForm12::FormShow()
{
    Label1->setText(Gauge1->value() == 0 ? texts::shell::ImportPreparing
                                         : texts::shell::ImportRunning);
}

#include "app/splash.h"

#include "shell/pictures.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

TLoginPicFrm::TLoginPicFrm(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("LoginPicFrm"));
    const QSize size(480, 300);
    setFixedSize(size);
    auto *picture = new QLabel(this);
    picture->setScaledContents(true);
    picture->setPixmap(pictures::splash(size));
    picture->setGeometry(rect());
    auto *name = new QLabel(QStringLiteral("Velmora"), this);
    QFont f = name->font();
    f.setPixelSize(40);
    f.setBold(true);
    name->setFont(f);
    name->setStyleSheet(QStringLiteral("color:white;"));
    name->adjustSize();
    name->move(40, 50);
    auto *version = new QLabel(QStringLiteral("V1.6版"), this);
    QFont vf = version->font();
    vf.setPixelSize(18);
    version->setFont(vf);
    version->setStyleSheet(QStringLiteral("color:white;"));
    version->adjustSize();
    version->move(44, 104);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

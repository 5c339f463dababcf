#include "shell/tform4.h"

#include "common/dialogs.h"
#include "common/inifile.h"
#include "common/programdir.h"
#include "shell/pictures.h"
#include "shell/texts.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

namespace {
constexpr int ClientWidth = 383;
constexpr int ClientHeight = 257;
} // namespace

TForm4::TForm4(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form4"));
    setFixedSize(ClientWidth, ClientHeight);
    img1 = new QLabel(this);
    img1->setGeometry(0, 0, ClientWidth, ClientHeight);
    img1->setPixmap(pictures::aboutBackground(QSize(ClientWidth, ClientHeight)));
    Label1 = new QLabel(this);
    QFont bold = Label1->font();
    bold.setBold(true);
    bold.setPointSize(10);
    Label1->setFont(bold);
    Label1->setGeometry(72, 24, 300, 24);
    Label4 = new QLabel(texts::shell::AboutLine, this);
    Label4->setGeometry(72, 60, 300, 22);
    Label5 = new QLabel(this);
    Label5->setGeometry(72, 92, 300, 22);
    // Presses on the texts and the picture reach the window, so that its whole body drags it.
    for (QLabel *l : {img1, Label1, Label4, Label5})
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
    Ent1 = new QPushButton(texts::shell::AboutOk, this);
    QFont buttonFont = Ent1->font();
    buttonFont.setBold(true);
    Ent1->setFont(buttonFont);
    Ent1->setGeometry(ClientWidth - 100, 150, 80, 28);
    Ent1->setDefault(true);
    connect(Ent1, &QPushButton::clicked, this, [this] { Ent1Click(); });
    // Centred on the desktop, not on the main window.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FormCreate();
}

void TForm4::FormCreate()
{
    const IniFile branding(programdir::brandingFile());
    Label1->setText(branding.readString(QStringLiteral("GS"), QStringLiteral("GSName")));
    Label5->setText(texts::shell::AboutWebsite +
                    branding.readString(QStringLiteral("WZ"), QStringLiteral("WZName")));
    setWindowTitle(texts::shell::AboutCaption);
    Dialogs::setApplicationTitle(texts::shell::AboutApplicationTitle);
}

void TForm4::Ent1Click()
{
    close();
}

void TForm4::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_grab = event->globalPosition().toPoint() - frameGeometry().topLeft();
    QDialog::mousePressEvent(event);
}

void TForm4::mouseMoveEvent(QMouseEvent *event)
{
    FormMouseMove(event->globalPosition().toPoint(), event->buttons());
    QDialog::mouseMoveEvent(event);
}

void TForm4::FormMouseMove(const QPoint &globalPos, Qt::MouseButtons buttons)
{
    if (buttons & Qt::LeftButton)
        move(globalPos - m_grab);
}

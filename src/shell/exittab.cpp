// The exit tab.
#include "shell/exittab.h"

#include "shell/datamodule_access.h"
#include "shell/pictures.h"
#include "shell/texts.h"
#include "shell/widgets.h"

#include <QPlainTextEdit>
#include <QPushButton>

ExitTab::ExitTab(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("rztbshtTabSheet5"));
    m_picture = new ClickLabel(QString(), this);
    m_picture->setPixmap(pictures::exitPicture(QSize(180, 180)));
    m_picture->setGeometry(360, 60, 180, 180);
    m_picture->setCursor(Qt::PointingHandCursor);
    m_label = new ClickLabel(texts::shell::ExitLabel, this);
    m_label->setCursor(Qt::PointingHandCursor);
    m_label->adjustSize();
    m_label->move(208, 266);
    m_exitButton = new QPushButton(QStringLiteral("退出"), this);
    m_exitButton->setAutoDefault(false);
    m_exitButton->hide();
    m_note = new QPlainTextEdit(this);
    m_note->setReadOnly(true);
    m_note->setGeometry(448, 320, 200, 80);
    m_note->hide();
    for (const auto &[control, name] : {std::pair<QObject *, const char *>{m_picture, "img2"},
                                        {m_label, "lbl12"},
                                        {m_exitButton, "Ent1"},
                                        {m_note, "RzMemoRzmmo8"}})
        control->setObjectName(QString::fromLatin1(name));
    onMousePress(this, [this] { emit backgroundPressed(); });
    connect(m_picture, &ClickLabel::pressed, this,
            [this](Qt::MouseButton) { emit picturePressed(); });
    connect(m_label, &ClickLabel::clicked, this, &ExitTab::labelClicked);
    connect(m_exitButton, &QPushButton::clicked, this, &ExitTab::exitButtonClicked);
}

QString ExitTab::title() const
{
    return QStringLiteral(" 退出系统 ");
}

void ExitTab::shown()
{
    emit issuingEndRequested();
    datamodule::releaseDatabase();
    emit statusChanged(texts::shell::ExitTab);
}

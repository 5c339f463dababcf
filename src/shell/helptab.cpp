// The online-help tab.
#include "shell/helptab.h"

#include "common/dialogs.h"
#include "common/globals.h"
#include "common/guard.h"
#include "common/programdir.h"
#include "db/datafrm.h"
#include "shell/datamodule_access.h"
#include "shell/pictures.h"
#include "shell/texts.h"
#include "shell/tform4.h"
#include "shell/tform5.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

HelpTab::HelpTab(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("rztbshtTabSheet4"));
    auto *layout = new QVBoxLayout(this);
    m_manualBox = new QGroupBox(QStringLiteral(" 用户操作手册 "), this);
    layout->addWidget(m_manualBox);
    // The picture lies under the manual and the buttons: both share the one grid cell.
    auto *grid = new QGridLayout(m_manualBox);
    m_background = new QLabel(m_manualBox);
    m_background->setScaledContents(true);
    m_background->setMinimumSize(1, 1);
    m_background->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_background->setPixmap(pictures::helpBackground(QSize(900, 560)));
    grid->addWidget(m_background, 0, 0);
    auto *inner = new QVBoxLayout;
    inner->setContentsMargins(24, 16, 24, 12);
    m_manual = new QPlainTextEdit(m_manualBox);
    m_manual->setReadOnly(true);
    QFont f = m_manual->font();
    f.setPointSize(12);
    m_manual->setFont(f);
    m_manual->setStyleSheet(QStringLiteral("background:#f4f8fc;"));
    // Each text line of the manual is followed by a blank one.
    QString manual;
    for (const QString &line : texts::shell::UserManual)
        manual += line + QStringLiteral("\n\n");
    manual.chop(1);
    m_manual->setPlainText(manual);
    inner->addWidget(m_manual, 1);
    auto *row = new QHBoxLayout;
    m_helpButton = new QPushButton(QStringLiteral("帮助主题"), m_manualBox);
    m_aboutButton = new QPushButton(QStringLiteral("关于软件"), m_manualBox);
    for (QPushButton *b : {m_helpButton, m_aboutButton})
        b->setAutoDefault(false);
    row->addStretch(1);
    row->addWidget(m_helpButton);
    row->addWidget(m_aboutButton);
    inner->addLayout(row);
    grid->addLayout(inner, 0, 0);

    for (const auto &[control, name] : {std::pair<QObject *, const char *>{m_manualBox, "rz6"},
                                        {m_background, "img9"},
                                        {m_manual, "RzMemommo4"},
                                        {m_helpButton, "btn7"},
                                        {m_aboutButton, "btn8"}})
        control->setObjectName(QString::fromLatin1(name));

    connect(m_helpButton, &QPushButton::clicked, this, [this] { openHelpWindow(); });
    connect(m_aboutButton, &QPushButton::clicked, this, [this] { openAboutBox(); });
}

QString HelpTab::title() const
{
    return QStringLiteral(" 在线帮助 ");
}

void HelpTab::shown()
{
    // An issue in progress ends as "返回" ends it: its record has no card yet, and the issuer
    // must not write a card whose record is gone.
    emit issuingEndRequested();
    // An archive edit that is still pending would be discarded by the close: the user decides.
    // (The account area settles its own entry when its tab is shown again.)
    if (Datafrm) {
        Query *archive = Datafrm->Qryda1;
        const bool pending =
            (archive->state() == Query::Edit || archive->state() == Query::Insert) &&
            archive->modified();
        if (pending && Dialogs::box(texts::shell::UnsavedEdit, texts::shell::SystemPrompt,
                                    Dialogs::YesNo, Dialogs::Question, this) == Dialogs::Yes)
            guarded([archive] { archive->post(); });
    }
    datamodule::releaseDatabase();
    emit statusChanged(texts::shell::HelpTab);
}

void HelpTab::openHelpWindow()
{
    auto help = std::make_unique<TForm5>(window());
    // The login sets the page; before any login it is still the program directory's.
    help->navigate(HelpFile.isEmpty() ? programdir::path(QStringLiteral("Help/index.htm"))
                                      : HelpFile);
    help->exec();
}

void HelpTab::openAboutBox()
{
    auto about = std::make_unique<TForm4>(window());
    about->exec();
}

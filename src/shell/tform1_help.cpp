// The online-help tab: the user manual, the help window and the about box. Showing the tab
// hands the database file back (the five queries closed, the connection down) like the exit tab;
// the other tabs and windows reconnect when they next open a query.
#include "common/dialogs.h"
#include "common/globals.h"
#include "common/guard.h"
#include "common/programdir.h"
#include "db/datafrm.h"
#include "shell/datamodule_access.h"
#include "shell/pictures.h"
#include "shell/texts.h"
#include "shell/tform1.h"
#include "shell/tform4.h"
#include "shell/tform5.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <memory>

void TForm1::setupHelpTab()
{
    img9->setPixmap(pictures::helpBackground(QSize(900, 560)));
    // Each text line of the manual is followed by a blank one.
    QString manual;
    for (const QString &line : texts::shell::UserManual)
        manual += line + QStringLiteral("\n\n");
    manual.chop(1);
    RzMemommo4->setPlainText(manual);
    connect(btn7, &QPushButton::clicked, this, [this] { btn7Click(); });
    // F1 anywhere in the main window opens the help as the help tab's button does.
    auto *f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this, [this] { btn7Click(); });
    connect(btn8, &QPushButton::clicked, this, [this] { btn8Click(); });
}

void TForm1::rztbshtTabSheet4Show()
{
    // An issue in progress ends as "返回" ends it: its record has no card yet, and the issuer
    // must not write a card whose record is gone.
    endIssuingOnLeave();
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
    wtxt->setText(texts::shell::HelpTab);
}

void TForm1::btn7Click()
{
    auto help = std::make_unique<TForm5>(this);
    // The login sets the page; before any login it is still the program directory's.
    help->navigate(HelpFile.isEmpty() ? programdir::path(QStringLiteral("Help/index.htm"))
                                      : HelpFile);
    help->exec();
}

void TForm1::btn8Click()
{
    auto about = std::make_unique<TForm4>(this);
    about->exec();
}

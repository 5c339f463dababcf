#include "app/startup.h"

#include "accounts/tform2.h"
#include "app/singleinstance.h"
#include "app/splash.h"
#include "archive/reports.h"
#include "archive/tform7.h"
#include "common/dialogs.h"
#include "passages/tform10.h"
#include "shell/appexit.h"
#include "shell/datamodule_access.h"
#include "shell/forms.h"
#include "shell/texts.h"
#include "shell/tform1.h"
#include "shell/tform12.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

namespace startup {

bool useChinese()
{
    const QLocale chinese(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China);
    QLocale::setDefault(chinese);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    bool loaded = false;
    for (const char *catalogue : {"qtbase", "qtserialport"}) {
        auto *translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(chinese, QString::fromLatin1(catalogue), QStringLiteral("_"),
                             folder) &&
            QCoreApplication::installTranslator(translator)) {
            loaded |= qstrcmp(catalogue, "qtbase") == 0;
        } else {
            delete translator;
        }
    }
    return loaded;
}

bool checkSingleInstance(SingleInstance &instance, const QString &programDir)
{
    switch (instance.acquire()) {
    case SingleInstance::Outcome::Acquired:
        return true;
    case SingleInstance::Outcome::RunningForThisUser:
        Dialogs::box(texts::shell::AlreadyRunning, texts::shell::ProgramTitle, Dialogs::OkOnly,
                     Dialogs::Critical);
        return false;
    case SingleInstance::Outcome::DirectoryInUse:
        Dialogs::box(texts::shell::DirectoryInUse.arg(QDir::toNativeSeparators(programDir)),
                     texts::shell::ProgramTitle, Dialogs::OkOnly, Dialogs::Critical);
        return false;
    }
    return false;
}

void endOnSignal()
{
    if (Form1)
        Form1->endWithoutAsking();
    appexit::endProgram();
    // Every event loop ends now, those of open message boxes included: nobody is there to
    // answer them.
    QCoreApplication::exit(0);
}

void showSplash(int ms)
{
    TLoginPicFrm splash;
    splash.show();
    splash.repaint();
    QEventLoop wait;
    QTimer::singleShot(ms, &wait, &QEventLoop::quit);
    wait.exec();
    splash.close();
}

bool createWindows(QStringList *order)
{
    auto note = [order](const char *name) {
        if (order)
            *order << QString::fromLatin1(name);
    };
    Form2 = new TForm2;
    note("TForm2");
    Form1 = new TForm1;
    Form1->attachLoginWindow(Form2);
    note("TForm1");
    // A database that cannot be opened was reported here; the passage window then ends the
    // program.
    datamodule::createDataModule();
    note("TDatafrm");
    RsRepFrm = new TRsRepFrm;
    note("TRsRepFrm");
    Form7 = new TForm7;
    Form1->attachArchiveWindow(Form7);
    note("TForm7");
    CRJLBB = new TCRJLBB;
    note("TCRJLBB");
    Form10 = new TForm10;
    Form1->attachPassageWindow(Form10);
    note("TForm10");
    if (!Form10->createdOk())
        return false;
    Form12 = new TForm12;
    note("TForm12");
    return true;
}

void destroyWindows()
{
    delete Form12;
    Form12 = nullptr;
    delete Form10;
    Form10 = nullptr;
    delete CRJLBB;
    CRJLBB = nullptr;
    delete Form7;
    Form7 = nullptr;
    delete RsRepFrm;
    RsRepFrm = nullptr;
    datamodule::destroyDataModule();
    delete Form1;
    Form1 = nullptr;
    delete Form2;
    Form2 = nullptr;
}

} // namespace startup

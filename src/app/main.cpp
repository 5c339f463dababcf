// Velmora: the desktop program of a long-range parking-card installation.
#include "accounts/tform2.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "app/termination.h"
#include "common/dialogs.h"
#include "common/globals.h"
#include "common/inifile.h"
#include "common/programdir.h"
#include "db/starter.h"
#include "shell/appexit.h"
#include "shell/forms.h"
#include "shell/helppage.h"
#include "shell/pictures.h"
#include "shell/texts.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>
#include <cstdio>
#include <sys/stat.h>
#include <utility>

namespace {
// The database command runs without windows (and without a display).
int createDatabase(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    programdir::init(args);
    ::umask(programdir::creationMask(programdir::root()));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int rc = runCreateDatabaseCommand(args, out, err);
    if (rc != 0)
        return rc;
    // A new installation gets the help page too; a page already there is the site's own.
    QString why;
    switch (helppage::installIfMissing(programdir::root(), &why)) {
    case helppage::Outcome::Written:
        out << "  help page: "
            << QDir::toNativeSeparators(programdir::path(QStringLiteral("Help/index.htm"))) << "\n";
        break;
    case helppage::Outcome::AlreadyThere:
        break;
    case helppage::Outcome::Failed:
        err << "the help page was not written: " << why << "\n";
        break;
    }
    // And the branding template, for the site to fill in; a file already there is the site's.
    IniFile branding(programdir::brandingFile());
    if (!branding.exists()) {
        for (const auto &[section, key] : {std::pair{"title", "TitleName"},
                                           {"GS", "GSName"},
                                           {"WZ", "WZName"},
                                           {"MM", "PASSName"}})
            branding.writeString(QString::fromLatin1(section), QString::fromLatin1(key), {});
        if (branding.save())
            out << "  branding: " << QDir::toNativeSeparators(branding.path())
                << " (fill in TitleName, GSName and WZName: the window caption and the about "
                   "box)\n";
        else
            err << "the branding file was not written: "
                << QDir::toNativeSeparators(branding.path()) << "\n";
    }
    return rc;
}
const char Usage[] =
    "Usage: velmora [--dir DIR]\n"
    "       velmora --dir DIR --create-database --admin-name NAME --admin-password PASSWORD\n"
    "       velmora --help | --version\n"
    "\n"
    "The desktop program of a long-range parking-card installation.\n"
    "\n"
    "  --dir DIR            the program directory (default: $VELMORA_DIR, else the folder of\n"
    "                       the program); it holds Data/Data.mdb, IniFile/System.ini, Ports/ ...\n"
    "  --create-database    make DIR/Data/Data.mdb with one administrator account and the help\n"
    "                       page, without windows; an existing database is never overwritten\n"
    "  --help               this text\n"
    "  --version            the program's version\n";
} // namespace

int main(int argc, char **argv)
{
    // The database, its backups, the settings and the passage records hold owners' data and the
    // accounts: what the program creates is its user's alone (or its group's, in a directory a
    // group shares; decided once the directory is known). Files that exist keep their mode.
    ::umask(077);
    // Answered before anything needs a display.
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--help") == 0 || qstrcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (qstrcmp(argv[i], "--version") == 0) {
            std::printf("velmora %s\n", VELMORA_VERSION);
            return 0;
        }
    }
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "--create-database") == 0)
            return createDatabase(argc, argv);

    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    programdir::init(args);
    ::umask(programdir::creationMask(programdir::root()));

    QApplication::setQuitOnLastWindowClosed(false);
    // Every window (the archive and passage windows, the print preview, boxes) shows the
    // program's icon, not the desktop's generic one.
    QApplication::setWindowIcon(pictures::appIcon());
    startup::useChinese();
    startup::Options options;
    const QString instanceName = qEnvironmentVariable("VELMORA_INSTANCE");
    if (!instanceName.isEmpty())
        options.instanceName = instanceName;
    SingleInstance instance(options.instanceName, programdir::root());
    if (!startup::checkSingleInstance(instance, programdir::root()))
        return 1;
    termination::handleWith(startup::endOnSignal);
    Dialogs::setApplicationTitle(texts::shell::ProgramTitle);

    startup::showSplash(options.splashMs);
    if (!startup::createWindows()) {
        startup::destroyWindows();
        return 1;
    }
    Form2->show();
    const int rc = appexit::programEnded() ? 0 : app.exec();
    startup::destroyWindows();
    resetGlobals();
    return rc;
}

#pragma once
// The program directory: everything the program keeps beside itself (database, settings files,
// help page, port map, record working file) is resolved against it. Decided once at start from
// --dir DIR, else VELMORA_DIR, else the directory of the executable.
#include <QString>
#include <QStringList>

namespace programdir {

// Decides the directory from the command line and the environment; returns it.
QString init(const QStringList &arguments);
void setRoot(const QString &dir);
QString root();
// A path under the program directory; Windows-style separators become '/'.
QString path(const QString &relative);

// The files every window reaches: the database and the branding settings.
QString databaseFile();
QString brandingFile();
// The program's own settings file: the program file's name with ".ini", in the program directory
// (the window's place and size, the automatic backups).
QString settingsFile();

// The permission bits new files must not get (for umask): in a directory a group shares (the
// set-group-ID bit, so new files belong to the group) the group may read and write them;
// elsewhere they are their user's alone.
unsigned creationMask(const QString &dir);

} // namespace programdir

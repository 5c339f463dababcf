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

} // namespace programdir

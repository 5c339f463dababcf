#pragma once
// Rewrites the database file into a compact copy with the same content and password. The copy is
// made next to the file and then renamed over it in one step, so any failure (file in use, wrong
// password, disk full, a temporary path the engine cannot take) leaves the file exactly as it
// was. Shows nothing; true when the compacted copy replaced the file. Callers disconnect the
// shared connection first.
#include <QString>

bool compactDatabase(const QString &path, const QString &password);

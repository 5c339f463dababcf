#pragma once
// Rewrites the database file into a compact copy with the same content and password. The copy is
// made beside the real file (a symbolic link is followed) and then written back into the file
// itself under the engine's lock and journal, so the file keeps its identity, owner and mode, and
// any failure (file in use, wrong password, disk full, a temporary path the engine cannot take)
// leaves it exactly as it was. Leftovers of a compaction that was killed are removed first.
// Shows nothing; true when the file now holds the compacted copy. Callers disconnect the shared
// connection first.
#include <QString>

bool compactDatabase(const QString &path, const QString &password);

// Removes what a restore that was killed left beside the database file (its staged copy, as large
// as the database and holding owners' data); the copy of a restore still running is kept.
void removeRestoreLeftovers(const QString &dataFile);

// Whether a compaction would give back enough to be worth its time at a login: a quarter or
// more of the file's pages are free. A file that cannot be read is left to compactDatabase.
bool compactionWorthIt(const QString &path, const QString &password);

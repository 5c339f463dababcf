#pragma once
// The automatic backups as the windows run them: the day's first login, the login window's
// compaction and a restore each write one first (src/db/backups.h). The status line learns of each
// through backups::notifier(); a failure is shown once a day and never stops the login.
#include "db/backups.h"

#include <optional>

class QWidget;

namespace autobackup {

// The day's backup, when today has none yet; nothing when it was not due. Shows nothing: the
// caller announces it once its window is up.
std::optional<backups::Result> atLogin();

// Tells the windows (the status line) of a backup, and shows a failure with its reason once a
// day.
void announce(const backups::Result &result, QWidget *parent = nullptr);

// Before the login window compacts the file: writes a backup and announces it; true when it was
// written and the compaction may go ahead. status receives the status line's text.
bool beforeCompaction(QWidget *parent, QString *status = nullptr);

// Before a restore from `source` (spared by the rotation, it may be the oldest backup kept):
// writes a backup of dataFile, the database about to be replaced. True when it was written or,
// after a failure, the operator chose to restore all the same.
bool beforeRestore(const QString &source, const QString &dataFile, QWidget *parent);

} // namespace autobackup

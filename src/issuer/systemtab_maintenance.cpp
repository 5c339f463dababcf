// Backup and restore buttons of the special-function area.
#include "common/globals.h"
#include "common/guard.h"
#include "common/programdir.h"
#include "db/datafrm.h"
#include "db/maintenance.h"
#include "issuer/systemtab.h"

void SystemTab::backupButtonClick()
{
    ProgressBarGauge gauge(progressBar);
    guarded([&] { maintenance::backupDatabase(gauge, DataFile, this); });
}

void SystemTab::restoreButtonClick()
{
    ProgressBarGauge gauge(progressBar);
    guarded([&] {
        maintenance::restoreDatabase(gauge, *Datafrm->con, *Datafrm->LGqry1,
                                     programdir::databaseFile(), this);
    });
}

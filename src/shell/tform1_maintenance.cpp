// Backup and restore buttons of the special-function area.
#include "common/globals.h"
#include "common/guard.h"
#include "common/programdir.h"
#include "db/datafrm.h"
#include "db/maintenance.h"
#include "shell/tform1.h"

void TForm1::btnClosebtn5Click()
{
    ProgressBarGauge gauge(g1);
    guarded([&] { maintenance::backupDatabase(gauge, DataFile, this); });
}

void TForm1::btnClosebtn6Click()
{
    ProgressBarGauge gauge(g1);
    guarded([&] {
        maintenance::restoreDatabase(gauge, *Datafrm->con, *Datafrm->LGqry1,
                                     programdir::databaseFile(), this);
    });
}

#include "shell/datamodule_access.h"

#include "common/globals.h"
#include "common/guard.h"
#include "common/programdir.h"
#include "db/datafrm.h"

namespace datamodule {

bool createDataModule()
{
    if (!Datafrm)
        Datafrm = new TDatafrm;
    DataFile = programdir::databaseFile();
    return guarded([] { Datafrm->DataModuleCreate(DataFile); });
}

void destroyDataModule()
{
    delete Datafrm;
    Datafrm = nullptr;
}

void releaseDatabase()
{
    if (Datafrm)
        Datafrm->closeAll();
}

void disconnect()
{
    if (Datafrm)
        Datafrm->con->disconnect();
}

} // namespace datamodule

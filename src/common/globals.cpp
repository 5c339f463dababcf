#include "common/globals.h"

void resetGlobals()
{
    UserType.clear();
    UserName.clear();
    HelpFile.clear();
    DataFile.clear();
    LoginFailCount = ReloginCount = 0;
    PortNo = 0;
    TestsWithoutReply = PortCount = 0;
    RecordDrive.clear();
    GSName.clear();
}

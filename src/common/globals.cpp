#include "common/globals.h"

void resetGlobals()
{
    UserType.clear();
    UserName.clear();
    HelpFile.clear();
    DataFile.clear();
    LoginFailCount = ReloginCount = 0;
    IssueActive = ExtendActive = StartSentCount = ExpiringListMode = 0;
    LossPending = UnlossPending = InitPending = 0;
    GroupMask = GroupBit1 = GroupBit2 = GroupBit3 = GroupBit4 = 0;
    GroupBit5 = GroupBit6 = GroupBit7 = GroupBit8 = 0;
    PortNo = 0;
    TestsWithoutReply = PortCount = 0;
    Form9 = nullptr;
    RecordDrive.clear();
    GSName.clear();
}

#pragma once
// Program-wide state shared by the windows, one instance each, with their start values.
// resetGlobals() puts every value back to its start value (program start, tests).
#include <QString>
#include <QtGlobal>

class TForm9;

// Logged-in account and files (login window; DataFile also the data module).
inline QString UserType;
inline QString UserName;
inline QString HelpFile;
inline QString DataFile;
inline qint32 LoginFailCount = 0;
inline qint32 ReloginCount = 0;

// Card tab: issue modes and the expiring-soon list.
inline qint32 IssueActive = 0;
inline qint32 ExtendActive = 0;
inline qint32 StartSentCount = 0;
inline qint32 ExpiringListMode = 0;

// Card tab: loss, unloss and initialisation waiting for the card or token.
inline qint32 LossPending = 0;
inline qint32 UnlossPending = 0;
inline qint32 InitPending = 0;

// Gate groups: GroupBitN is 2^(N-1) while group N is selected, GroupMask their sum.
inline qint32 GroupMask = 0;
inline qint32 GroupBit1 = 0;
inline qint32 GroupBit2 = 0;
inline qint32 GroupBit3 = 0;
inline qint32 GroupBit4 = 0;
inline qint32 GroupBit5 = 0;
inline qint32 GroupBit6 = 0;
inline qint32 GroupBit7 = 0;
inline qint32 GroupBit8 = 0;

// Serial link: the one current port COMn (n).
inline qint32 PortNo = 0;

// Issuer discovery and supervision.
inline qint32 TestsWithoutReply = 0;
inline qint32 PortCount = 0;
inline TForm9 *Form9 = nullptr;

// Drive holding the passage record files.
inline QString RecordDrive;

// Company name from the branding settings.
inline QString GSName;

// The role that unlocks the administrator-only features (exact comparison).
inline const QString AdminRole = QStringLiteral("管理员");
inline bool isAdministrator()
{
    return UserType == AdminRole;
}

void resetGlobals();

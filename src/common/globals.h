#pragma once
// Program-wide state shared by the windows, one instance each, with their start values.
// resetGlobals() puts every value back to its start value (program start, tests).
#include <QString>
#include <QtGlobal>

// Logged-in account and files (login window; DataFile also the data module).
inline QString UserType;
inline QString UserName;
inline QString HelpFile;
inline QString DataFile;
inline qint32 LoginFailCount = 0;
inline qint32 ReloginCount = 0;

// Serial link: the one current port COMn (n).
inline qint32 PortNo = 0;

// Issuer discovery and supervision.
inline qint32 TestsWithoutReply = 0;
inline qint32 PortCount = 0;

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

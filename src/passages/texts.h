#pragma once
// Texts of the passage records window and the import.
#include <QString>

namespace texts::passages {
inline const QString SystemError = QStringLiteral("系统错误!");
inline const QString WarningCaption = QStringLiteral("警告");
} // namespace texts::passages

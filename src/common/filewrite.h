#pragma once
// Writing whole files, with the reason of a failure in the operator's words.
#include <QByteArray>
#include <QString>

namespace filewrite {

// Writes `bytes` to a new file beside `path` and renames it into place: a failure leaves an
// existing file as it was and nothing half-written behind. Returns 0, or the errno of the step
// that failed (ENOSPC for a full disk, EROFS, EACCES ...).
int replaceFile(const QString &path, const QByteArray &bytes);

// What an errno from reading or writing a file means, in Chinese, followed by the system's own
// text in brackets for support.
QString reason(int err);

} // namespace filewrite

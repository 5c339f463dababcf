#include "coresupport.h"

#include "common/programdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace testsupport {

TempProgramDir::TempProgramDir()
{
    programdir::setRoot(m_dir.path());
}

QString TempProgramDir::path(const QString &relative) const
{
    return m_dir.path() + QLatin1Char('/') + relative;
}

void TempProgramDir::write(const QString &relative, const QByteArray &bytes) const
{
    const QString p = path(relative);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly))
        ADD_FAILURE() << "cannot write " << p.toStdString();
    f.write(bytes);
}

QString binDir()
{
    return qEnvironmentVariable("VELMORA_BIN_DIR");
}

QString dataFile(const QString &relative)
{
    return QStringLiteral(VELMORA_TEST_DATA_DIR) + QLatin1Char('/') + relative;
}

bool enterInPortMap(const TempProgramDir &dir, const QString &device, const QString &name)
{
    dir.write(QStringLiteral("Ports/.keep"), {});
    return QFile::link(device, dir.path(QStringLiteral("Ports/") + name));
}

} // namespace testsupport

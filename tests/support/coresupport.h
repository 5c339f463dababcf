#pragma once
// Test support without widgets: a temporary program directory and where the build's programs
// and the fixture files are. Pure-logic tests link only this and velmora_core.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// A fresh program directory, set as the program's root for the test's lifetime.
class TempProgramDir
{
public:
    TempProgramDir();
    QString root() const { return m_dir.path(); }
    QString path(const QString &relative) const;
    // Writes a file (creating folders) with the given bytes.
    void write(const QString &relative, const QByteArray &bytes) const;

private:
    QTemporaryDir m_dir;
};

// Folder with the build's programs (velmora, velmora-issuer-sim).
QString binDir();

// A file of tests/data/.
QString dataFile(const QString &relative);

// Enters a device in the program directory's port map as `name` (COMn), as an attached issuer
// is entered; false when the link cannot be made.
bool enterInPortMap(const TempProgramDir &dir, const QString &device, const QString &name);

} // namespace testsupport

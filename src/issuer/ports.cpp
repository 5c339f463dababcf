#include "issuer/ports.h"

#include "common/programdir.h"
#include "issuer/trim.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <algorithm>

namespace issuer {

namespace {

struct MappedPort
{
    int number;
    QString name;
    QString device;
};

// COM1 .. COM999 without leading zeros, so that a name and its number map one to one.
const QRegularExpression &mapEntryName()
{
    static const QRegularExpression re(QStringLiteral("^COM([1-9][0-9]{0,2})$"));
    return re;
}

QList<MappedPort> mappedPorts()
{
    QList<MappedPort> out;
    const QDir dir(portMapDir());
    if (dir.exists()) {
        const QFileInfoList entries =
            dir.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo &entry : entries) {
            const auto m = mapEntryName().match(entry.fileName());
            if (!m.hasMatch())
                continue;
            // exists() follows the link: a link whose device is gone leaves the list.
            const QFileInfo target(entry.absoluteFilePath());
            if (!target.exists() || target.isDir())
                continue;
            out.append({m.captured(1).toInt(), entry.fileName(), target.canonicalFilePath()});
        }
    } else {
        QStringList devices;
        const auto infos = QSerialPortInfo::availablePorts();
        for (const QSerialPortInfo &info : infos)
            devices << info.systemLocation();
        std::sort(devices.begin(), devices.end());
        devices.erase(std::unique(devices.begin(), devices.end()), devices.end());
        for (int i = 0; i < devices.size(); ++i)
            out.append({i + 1, QStringLiteral("COM%1").arg(i + 1), devices.at(i)});
    }
    std::sort(out.begin(), out.end(),
              [](const MappedPort &a, const MappedPort &b) { return a.number < b.number; });
    return out;
}

} // namespace

std::optional<int> portNumber(const QString &name)
{
    const QString digits = trimmed(name).mid(3, 3);
    if (digits.isEmpty())
        return std::nullopt;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    return digits.toInt();
}

QStringList listPortNames()
{
    QStringList names;
    for (const MappedPort &p : mappedPorts())
        names << p.name;
    return names;
}

QString devicePath(int port)
{
    for (const MappedPort &p : mappedPorts()) {
        if (p.number == port)
            return p.device;
    }
    return {};
}

QString portMapDir()
{
    return programdir::path(QStringLiteral("Ports"));
}

} // namespace issuer

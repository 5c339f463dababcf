#include "common/inifile.h"
#include "common/filewrite.h"

#include "common/gbk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

IniFile::IniFile(const QString &path)
    : m_path(path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    m_exists = true;
    const QString text = gbk::decodeExternal(file.readAll());
    Section *current = nullptr;
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            m_sections.append(Section{line.mid(1, line.size() - 2).trimmed(), {}});
            current = &m_sections.last();
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || !current)
            continue;
        current->entries.append({line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
    }
}

const IniFile::Section *IniFile::findSection(const QString &name) const
{
    for (const Section &s : m_sections)
        if (s.name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

QString IniFile::readString(const QString &section, const QString &key,
                            const QString &defaultValue) const
{
    if (const Section *s = findSection(section))
        for (const auto &e : s->entries)
            if (e.first.compare(key, Qt::CaseInsensitive) == 0)
                return e.second;
    return defaultValue;
}

int IniFile::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    bool ok = false;
    const int v = readString(section, key).toInt(&ok);
    return ok ? v : defaultValue;
}

bool IniFile::readBool(const QString &section, const QString &key, bool defaultValue) const
{
    const QString v = readString(section, key).trimmed();
    if (v.isEmpty())
        return defaultValue;
    if (v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (v.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const int n = v.toInt(&ok);
    return ok ? n != 0 : defaultValue;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    Section *target = nullptr;
    for (Section &s : m_sections)
        if (s.name.compare(section, Qt::CaseInsensitive) == 0)
            target = &s;
    if (!target) {
        m_sections.append(Section{section, {}});
        target = &m_sections.last();
    }
    for (auto &e : target->entries) {
        if (e.first.compare(key, Qt::CaseInsensitive) == 0) {
            e.second = value;
            return;
        }
    }
    target->entries.append({key, value});
}

void IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString &section, const QString &key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::save() const
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QString text;
    for (const Section &s : m_sections) {
        text += QLatin1Char('[') + s.name + QStringLiteral("]\r\n");
        for (const auto &e : s.entries)
            text += e.first + QLatin1Char('=') + e.second + QStringLiteral("\r\n");
        text += QStringLiteral("\r\n");
    }
    return filewrite::replaceFile(m_path, text.toUtf8()) == 0;
}

#pragma once
// A plain INI settings file (sections, key=value lines). Reads files written in GBK or UTF-8,
// writes UTF-8. A missing file reads as empty; missing keys give the caller's default.
#include <QList>
#include <QPair>
#include <QString>

class IniFile
{
public:
    explicit IniFile(const QString &path);

    QString path() const { return m_path; }
    bool exists() const { return m_exists; }

    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue = {}) const;
    int readInteger(const QString &section, const QString &key, int defaultValue) const;
    bool readBool(const QString &section, const QString &key, bool defaultValue) const;

    void writeString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);
    void writeBool(const QString &section, const QString &key, bool value);

    // Writes the file (creating its folder); false when it cannot be written.
    bool save() const;

private:
    struct Section
    {
        QString name;
        QList<QPair<QString, QString>> entries;
    };
    const Section *findSection(const QString &name) const;

    QString m_path;
    bool m_exists = false;
    QList<Section> m_sections;
};

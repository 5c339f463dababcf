#pragma once
// Reads an exported spreadsheet back with an independent reader (readsheet.py: xlrd for .xls,
// openpyxl for .xlsx) and with Gnumeric's ssconvert.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace readback {

struct Cell
{
    bool empty = true;
    QString kind; // "s" text, "n" number
    QString text;
    QString format;
};

struct Sheet
{
    bool ok = false;
    QString error;
    QStringList sheetNames;
    QVector<QVector<Cell>> rows;

    int rowCount() const { return int(rows.size()); }
    Cell cell(int row, int column) const
    {
        if (row < 0 || row >= rows.size() || column < 0 || column >= rows[row].size())
            return {};
        return rows[row][column];
    }
};

// rows: read only these 0-based rows (the others come back empty); all when empty.
inline Sheet read(const QString &path, const QList<int> &rows = {})
{
    Sheet out;
    // Debian's own interpreter: the readers come as Debian packages, and a python3 found first
    // on the PATH (a version manager's) would not see them.
    const QString python = QFile::exists(QStringLiteral("/usr/bin/python3"))
                               ? QStringLiteral("/usr/bin/python3")
                               : QStringLiteral("python3");
    QProcess p;
    QStringList args{QStringLiteral(VELMORA_READSHEET), path};
    if (!rows.isEmpty()) {
        QStringList wanted;
        for (int r : rows)
            wanted << QString::number(r);
        args << wanted.join(QLatin1Char(','));
    }
    p.start(python, args);
    if (!p.waitForFinished(300000)) {
        out.error = QStringLiteral("reader did not finish");
        return out;
    }
    if (p.exitCode() != 0) {
        out.error = QString::fromUtf8(p.readAllStandardError());
        return out;
    }
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(p.readAllStandardOutput(), &err);
    if (doc.isNull()) {
        out.error = err.errorString();
        return out;
    }
    for (const auto &n : doc.object().value(QStringLiteral("sheets")).toArray())
        out.sheetNames << n.toString();
    for (const auto &r : doc.object().value(QStringLiteral("rows")).toArray()) {
        QVector<Cell> row;
        for (const auto &c : r.toArray()) {
            Cell cell;
            if (c.isArray()) {
                const QJsonArray a = c.toArray();
                cell.empty = false;
                cell.kind = a.at(0).toString();
                cell.text =
                    a.at(1).isString() ? a.at(1).toString() : QString::number(a.at(1).toDouble());
                cell.format = a.at(2).toString();
            }
            row << cell;
        }
        out.rows << row;
    }
    out.ok = true;
    return out;
}

// The first sheet as CSV through ssconvert, as lines of fields (simple splitting: the fields
// compared carry no commas or quotes).
inline QStringList ssconvertLines(const QString &path, QString *error)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("ssconvert"));
    if (tool.isEmpty()) {
        *error = QStringLiteral("ssconvert is missing (package gnumeric)");
        return {};
    }
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("out.csv"));
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(tool, {QStringLiteral("--export-type=Gnumeric_stf:stf_csv"), path, csv});
    if (!p.waitForFinished(300000) || p.exitCode() != 0) {
        *error = QString::fromUtf8(p.readAll());
        return {};
    }
    QFile f(csv);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = f.errorString();
        return {};
    }
    *error = QString::fromUtf8(p.readAll());
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace readback

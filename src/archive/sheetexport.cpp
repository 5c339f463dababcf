// CSV, the choice of format by extension, and saving through a temporary file.
#include "archive/sheetwriters.h"
#include "archive/texts.h"
#include "common/filewrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

namespace sheet {

namespace {

// A spreadsheet program opening the file would run a cell that starts like a formula (=, +, -,
// @, a tab or a carriage return): such a cell gets a leading apostrophe, the usual guard, so
// that it opens as the text it is.
QString csvSafe(const QString &s)
{
    if (!s.isEmpty() && QStringLiteral("=+-@\t\r").contains(s.front()))
        return QLatin1Char('\'') + s;
    return s;
}

void csvField(QByteArray &out, const QString &text)
{
    const QByteArray bytes = csvSafe(text).toUtf8();
    bool quote = false;
    for (char c : bytes)
        if (c == ',' || c == '"' || c == '\r' || c == '\n') {
            quote = true;
            break;
        }
    if (!quote) {
        out.append(bytes);
        return;
    }
    out.append('"');
    for (char c : bytes) {
        if (c == '"')
            out.append('"');
        out.append(c);
    }
    out.append('"');
}

QString suffixOf(const QString &fileName)
{
    return QFileInfo(fileName).suffix().toLower();
}

} // namespace

QByteArray csvBytes(const Table &table)
{
    QByteArray out("\xEF\xBB\xBF");
    const int columns = table.columnCount();
    for (int r = -1; r < table.rowCount(); ++r) {
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                out.append(',');
            csvField(out, r < 0 ? table.columnName(c) : table.text(r, c));
        }
        out.append("\r\n");
    }
    return out;
}

Format formatOf(const QString &fileName)
{
    const QString suffix = suffixOf(fileName);
    if (suffix == QLatin1String("xlsx"))
        return Format::Xlsx;
    if (suffix == QLatin1String("csv"))
        return Format::Csv;
    return Format::Xls;
}

QString exportFileName(const QString &chosen, const QString &chosenPattern)
{
    const auto known = [](const QString &suffix) {
        return suffix == QLatin1String("xls") || suffix == QLatin1String("xlsx") ||
               suffix == QLatin1String("csv");
    };
    if (known(suffixOf(chosen)))
        return chosen;
    // A name without an extension gets the one of the type chosen in the dialog.
    const QString typeSuffix =
        chosenPattern.startsWith(QLatin1String("*.")) ? chosenPattern.mid(2).toLower() : QString();
    return chosen + QLatin1Char('.') + (known(typeSuffix) ? typeSuffix : QStringLiteral("xls"));
}

void saveTable(const Table &table, const QString &fileName)
{
    QByteArray bytes;
    switch (formatOf(fileName)) {
    case Format::Xls:
        bytes = xlsBytes(table);
        break;
    case Format::Csv:
        bytes = csvBytes(table);
        break;
    case Format::Xlsx: {
        // Built beside the target under a name of its own and renamed into place, as the
        // other formats are: a failure leaves an existing file as it was, and nothing of the
        // owners' data is left in a temporary folder.
        const auto fail = [&](int err) {
            throw ExportError(texts::archive::CannotWrite.arg(QDir::toNativeSeparators(fileName),
                                                              filewrite::reason(err)));
        };
        filewrite::StagedFile staged(fileName);
        if (staged.error() != 0)
            fail(staged.error());
        writeXlsx(table, staged.name(), fileName);
        if (const int err = staged.commit())
            fail(err);
        return;
    }
    }

    if (const int err = filewrite::replaceFile(fileName, bytes))
        throw ExportError(texts::archive::CannotWrite.arg(QDir::toNativeSeparators(fileName),
                                                          filewrite::reason(err)));
}

} // namespace sheet

// CSV, the choice of format by extension, and saving through a temporary file.
#include "archive/sheetwriters.h"
#include "archive/texts.h"
#include "common/filewrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <unistd.h>

namespace sheet {

namespace {

// A spreadsheet program opening the file would run a cell that starts like a formula (=, +, -,
// @, a tab or a carriage return): such a cell gets a leading apostrophe, the usual guard, so
// that it opens as the text it is.
bool needsGuard(QByteArrayView bytes)
{
    return !bytes.isEmpty() && QByteArrayView("=+-@\t\r").contains(bytes.front());
}

void csvField(QByteArray &out, QByteArrayView bytes)
{
    bool quote = false;
    for (char c : bytes)
        if (c == ',' || c == '"' || c == '\r' || c == '\n') {
            quote = true;
            break;
        }
    if (quote)
        out.append('"');
    if (needsGuard(bytes))
        out.append('\'');
    if (!quote) {
        out.append(bytes);
        return;
    }
    for (char c : bytes) {
        if (c == '"')
            out.append('"');
        out.append(c);
    }
    out.append('"');
}

// Writes the CSV text in pieces: `flush` takes each piece once it is large enough, and the
// rest at the end. The cells come as UTF-8 from the table (the query's own bytes).
void writeCsv(const Table &table, const std::function<void(QByteArray &)> &flush)
{
    QByteArray out("\xEF\xBB\xBF");
    QByteArray scratch;
    const int columns = table.columnCount();
    for (int r = -1; r < table.rowCount(); ++r) {
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                out.append(',');
            if (r < 0) {
                scratch = table.columnName(c).toUtf8();
                csvField(out, scratch);
            } else {
                csvField(out, table.utf8(r, c, scratch));
            }
        }
        out.append("\r\n");
        if (out.size() >= (1 << 20)) {
            flush(out);
            out.truncate(0);
        }
    }
    flush(out);
}

QString suffixOf(const QString &fileName)
{
    return QFileInfo(fileName).suffix().toLower();
}

} // namespace

QByteArray csvBytes(const Table &table)
{
    QByteArray all;
    writeCsv(table, [&all](QByteArray &piece) { all.append(piece); });
    return all;
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
    const auto fail = [&](int err) {
        throw ExportError(texts::archive::CannotWrite.arg(QDir::toNativeSeparators(fileName),
                                                          filewrite::reason(err)));
    };
    switch (formatOf(fileName)) {
    case Format::Xls: {
        // Written as it is made; the header, which needs the length, goes to the start last.
        filewrite::StagedFile staged(fileName);
        if (staged.error() != 0)
            fail(staged.error());
        int err = 0;
        const QByteArray header = writeXls(table, [&](const char *data, qsizetype size) {
            if (err == 0)
                err = staged.write(data, size);
        });
        errno = 0;
        if (err == 0 &&
            ::pwrite(staged.fd(), header.constData(), size_t(header.size()), 0) != header.size())
            err = errno != 0 ? errno : EIO;
        if (err == 0)
            err = staged.commit();
        if (err != 0)
            fail(err);
        return;
    }
    case Format::Csv: {
        // Written as it is made, beside the target and renamed into place.
        filewrite::StagedFile staged(fileName);
        if (staged.error() != 0)
            fail(staged.error());
        int err = 0;
        writeCsv(table, [&](QByteArray &piece) {
            if (err == 0)
                err = staged.write(piece.constData(), piece.size());
        });
        if (err == 0)
            err = staged.commit();
        if (err != 0)
            fail(err);
        return;
    }
    case Format::Xlsx: {
        // Built beside the target under a name of its own and renamed into place, as the
        // other formats are: a failure leaves an existing file as it was, and nothing of the
        // owners' data is left in a temporary folder.
        filewrite::StagedFile staged(fileName);
        if (staged.error() != 0)
            fail(staged.error());
        writeXlsx(table, staged.name(), fileName);
        if (const int err = staged.commit())
            fail(err);
        return;
    }
    }
}

} // namespace sheet

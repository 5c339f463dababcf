// The .xlsx writer over libxlsxwriter.
#include "archive/sheetwriters.h"
#include "archive/texts.h"

#include "common/filewrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <xlsxwriter.h>

namespace sheet {

namespace {

struct WorkbookCloser
{
    lxw_workbook *book;
    ~WorkbookCloser()
    {
        if (book)
            workbook_close(book);
    }
};

// The engine reports a full disk as a zip or temporary-file error; the system's reason, when
// it left one, says what happened.
ExportError failure(const QString &path, lxw_error error, int err)
{
    const QString why = err != 0 ? filewrite::reason(err) + QStringLiteral(" ") +
                                       QString::fromUtf8(lxw_strerror(error))
                                 : QString::fromUtf8(lxw_strerror(error));
    return ExportError(texts::archive::CannotWrite.arg(QDir::toNativeSeparators(path), why));
}

} // namespace

void writeXlsx(const Table &table, const QString &file, const QString &shownName)
{
    const QString path = shownName.isEmpty() ? file : shownName; // named in failures
    const QByteArray name = QFile::encodeName(file);
    // The engine's scratch files go beside the file, not to a temporary folder the user never
    // chose (where a full disk would be reported under a name they do not know).
    const QByteArray scratch = QFile::encodeName(QFileInfo(file).absolutePath());
    lxw_workbook_options options{};
    options.tmpdir = const_cast<char *>(scratch.constData());
    errno = 0;
    WorkbookCloser closer{workbook_new_opt(name.constData(), &options)};
    if (!closer.book)
        throw failure(path, LXW_ERROR_CREATING_XLSX_FILE, errno);
    lxw_worksheet *sheet = workbook_add_worksheet(closer.book, nullptr);
    lxw_format *text = workbook_add_format(closer.book);
    if (!sheet || !text)
        throw failure(path, LXW_ERROR_MEMORY_MALLOC_FAILED, 0);
    format_set_num_format(text, "@");
    const int columns = table.columnCount();
    if (columns > 0)
        worksheet_set_column(sheet, 0, lxw_col_t(columns - 1), 14, text);

    QByteArray utf8;
    const auto cell = [&](int row, int column, const QString &s) {
        if (s.isEmpty())
            return;
        if (s.size() > MaxCellChars)
            throw ExportError(
                texts::archive::CellTooLong.arg(row + 1).arg(column + 1).arg(MaxCellChars));
        utf8 = s.toUtf8();
        const lxw_error e = worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(column),
                                                   utf8.constData(), text);
        if (e != LXW_NO_ERROR)
            throw failure(path, e, 0);
    };
    for (int c = 0; c < columns; ++c)
        cell(0, c, table.columnName(c));
    for (int r = 0; r < table.rowCount(); ++r)
        for (int c = 0; c < columns; ++c)
            cell(r + 1, c, table.text(r, c));

    lxw_workbook *book = closer.book;
    closer.book = nullptr;
    errno = 0;
    const lxw_error e = workbook_close(book);
    if (e != LXW_NO_ERROR)
        throw failure(path, e, errno);
}

} // namespace sheet

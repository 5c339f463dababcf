// The .xlsx writer over libxlsxwriter.
#include "archive/sheetwriters.h"
#include "archive/texts.h"

#include "common/filewrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <unistd.h>
#include <xlsxwriter.h>

namespace sheet {

namespace {

// A folder of the export's own beside the file for the engine's scratch files. In constant
// memory mode the engine keeps a scratch file per sheet, and after a failed close (a full disk)
// it leaves that file open: whatever is still open in the folder is closed here, and the folder
// goes with everything in it.
class ScratchFolder
{
public:
    explicit ScratchFolder(const QString &besideFile)
    {
        QByteArray pattern =
            QFile::encodeName(QFileInfo(besideFile).absolutePath()) + "/.velmora-xlsx-XXXXXX";
        errno = 0;
        if (::mkdtemp(pattern.data())) {
            m_path = pattern;
        } else {
            m_error = errno ? errno : EIO;
        }
    }
    ~ScratchFolder()
    {
        if (m_path.isEmpty())
            return;
        const QByteArray inside = m_path + '/';
        if (DIR *fds = ::opendir("/proc/self/fd")) {
            QList<int> leaked;
            while (const dirent *entry = ::readdir(fds)) {
                char target[4096];
                const QByteArray link = QByteArray("/proc/self/fd/") + entry->d_name;
                const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
                if (n > 0 && QByteArray(target, n).startsWith(inside))
                    leaked << std::atoi(entry->d_name);
            }
            ::closedir(fds);
            for (const int fd : std::as_const(leaked))
                ::close(fd);
        }
        QDir(QFile::decodeName(m_path)).removeRecursively();
    }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;
    int error() const { return m_error; }
    const QByteArray &path() const { return m_path; }

private:
    QByteArray m_path;
    int m_error = 0;
};

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
    // chose (where a full disk would be reported under a name they do not know). Rows are
    // written in order and go straight to the scratch file (constant memory): memory stays the
    // same whatever the number of rows.
    const ScratchFolder scratchFolder(file);
    if (scratchFolder.error() != 0)
        throw failure(path, LXW_ERROR_CREATING_TMPFILE, scratchFolder.error());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char *>(scratchFolder.path().constData());
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

    // The cells come as UTF-8 from the table (the query's own bytes); the engine wants them
    // ending in NUL.
    QByteArray scratch;
    std::string utf8;
    const auto cell = [&](int row, int column, QByteArrayView bytes) {
        if (bytes.isEmpty())
            return;
        // Fewer bytes than the limit are fewer characters too; only longer texts are counted.
        if (bytes.size() > MaxCellChars && QString::fromUtf8(bytes).size() > MaxCellChars)
            throw ExportError(
                texts::archive::CellTooLong.arg(row + 1).arg(column + 1).arg(MaxCellChars));
        utf8.assign(bytes.data(), size_t(bytes.size()));
        const lxw_error e =
            worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(column), utf8.c_str(), text);
        if (e != LXW_NO_ERROR)
            throw failure(path, e, 0);
    };
    for (int c = 0; c < columns; ++c) {
        scratch = table.columnName(c).toUtf8();
        cell(0, c, scratch);
    }
    for (int r = 0; r < table.rowCount(); ++r)
        for (int c = 0; c < columns; ++c)
            cell(r + 1, c, table.utf8(r, c, scratch));

    lxw_workbook *book = closer.book;
    closer.book = nullptr;
    errno = 0;
    const lxw_error e = workbook_close(book);
    if (e != LXW_NO_ERROR)
        throw failure(path, e, errno);
}

} // namespace sheet

#pragma once
// The spreadsheet formats of the export. Every value goes into a text cell, so that codes such
// as "12E45678" or "0001" stay as they are; an empty value leaves its cell empty. The first row
// holds the column names.
#include "archive/sheettable.h"
#include "common/errors.h"

#include <QByteArray>
#include <QString>
#include <functional>

class QIODevice;

namespace sheet {

// A table that a format cannot hold, or a file that cannot be written; the text says which.
class ExportError : public VelmoraError
{
public:
    using VelmoraError::VelmoraError;
};

enum class Format { Xls, Xlsx, Csv };

// Limits of the .xls format (the title row counts as a row) and of a cell in both workbook
// formats.
constexpr int XlsMaxRows = 65536;
constexpr int XlsMaxColumns = 256;
constexpr int MaxCellChars = 32767;

// .xls: a BIFF8 workbook with one sheet in a compound file. Throws ExportError when the table
// does not fit.
QByteArray xlsBytes(const Table &table);
// The same file written as it is made: `write` gets its bytes in order from the start, the
// first 512 (the compound file's header, which depends on the length) as zeros; the header is
// returned, to be written over them at the end. Throws ExportError before writing anything when
// the table does not fit.
QByteArray writeXls(const Table &table, const std::function<void(const char *, qsizetype)> &write);
// .csv: UTF-8 with a byte-order mark (spreadsheet programs then read the Chinese text right),
// fields quoted as RFC 4180 asks, lines ending in CR LF.
QByteArray csvBytes(const Table &table);
// .xlsx through libxlsxwriter, written to path. Throws ExportError.
// Writes an .xlsx at path; the engine's scratch files go to path's folder, and failures name
// shownName (the file the user chose) when given.
void writeXlsx(const Table &table, const QString &path, const QString &shownName = {});

// The format a file name asks for by its extension (letter case ignored); Xls for any other.
Format formatOf(const QString &fileName);
// The name an export saves under: a typed extension of the three wins; a name without one gets
// the extension of the file type chosen in the dialog (chosenPattern "*.xlsx" …), else ".xls".
QString exportFileName(const QString &chosen, const QString &chosenPattern = {});

// Writes the table to fileName in the format of its extension. The file is written under a
// temporary name beside it and renamed into place at the end, so a failure leaves an existing
// file as it was. Throws ExportError with the reason.
void saveTable(const Table &table, const QString &fileName);

} // namespace sheet

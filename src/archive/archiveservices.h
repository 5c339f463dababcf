#pragma once
// What the archive window's print and export buttons call. The report and export subsystem puts
// its own functions here; until it does, each tells the user that the function is not there yet.
#include <QString>
#include <functional>

class QTableView;
class QWidget;

namespace archive {

// Prints the whole archive (preview); false when nothing was printed.
using PrintArchiveFn = std::function<bool(QWidget *owner)>;
// Exports the grid's rows to a spreadsheet under a default file name.
using ExportGridFn = std::function<bool(QTableView *grid, const QString &defaultName)>;

void setPrintArchive(PrintArchiveFn fn); // an empty function restores the placeholder
void setExportGrid(ExportGridFn fn);
bool printArchive(QWidget *owner);
bool exportGrid(QTableView *grid, const QString &defaultName);

} // namespace archive

#include "archive/archiveservices.h"

#include "archive/tform7_texts.h"
#include "common/dialogs.h"

#include <QTableView>

namespace archive {
namespace {
PrintArchiveFn printFn;
ExportGridFn exportFn;
} // namespace

void setPrintArchive(PrintArchiveFn fn)
{
    printFn = std::move(fn);
}

void setExportGrid(ExportGridFn fn)
{
    exportFn = std::move(fn);
}

bool printArchive(QWidget *owner)
{
    if (printFn)
        return printFn(owner);
    Dialogs::message(texts::archive::PrintUnavailable, owner);
    return false;
}

bool exportGrid(QTableView *grid, const QString &defaultName)
{
    if (exportFn)
        return exportFn(grid, defaultName);
    Dialogs::message(texts::archive::ExportUnavailable, grid);
    return false;
}

} // namespace archive

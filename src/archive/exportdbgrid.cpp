#include "archive/exportdbgrid.h"

#include "archive/sheetwriters.h"
#include "archive/texts.h"
#include "common/dialogs.h"
#include "common/guard.h"
#include "db/query.h"

#include <QApplication>
#include <QCursor>

namespace {

// The hourglass for the time of the writing, back to normal also when it fails (before the
// error box appears).
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace

bool ExportDBGrid(Query *query, const QString &defaultName, const QString &dialogTitle,
                  QWidget *parent)
{
    QString chosenType;
    const QString chosen = Dialogs::saveFileName(dialogTitle, texts::archive::ExportFilter,
                                                 defaultName, parent, &chosenType);
    if (chosen.isEmpty())
        return false;
    const QString fileName = sheet::exportFileName(chosen, chosenType);
    return guarded([&] {
        WaitCursor wait;
        if (!query->isActive())
            query->open();
        // Moving posts a pending edit of the grid, so the file holds what the table holds.
        query->first();
        query->fetchAll(); // a grid that reads as it scrolls exports every row all the same
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        sheet::saveTable(sheet::QueryTable(*query), fileName);
        query->last();
    });
}

bool exportArchiveGrid(Query *query, QWidget *parent)
{
    return ExportDBGrid(query, texts::archive::ArchiveExportName, QString(), parent);
}

bool exportPassageGrid(Query *query, QWidget *parent)
{
    return ExportDBGrid(query, texts::archive::PassageExportName,
                        texts::archive::PassageExportTitle, parent);
}

bool exportHistoryGrid(Query *query, QWidget *parent)
{
    return ExportDBGrid(query, texts::archive::HistoryExportName, QString(), parent);
}

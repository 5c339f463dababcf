#include "archive/reports.h"

#include "archive/reportpreview.h"
#include "archive/texts.h"
#include "common/guard.h"
#include "db/datafrm.h"

namespace {

bool previewQuery(Query *dataSet, const report::Layout &layout, const QString &caption,
                  QWidget *parent)
{
    sheet::StringTable rows;
    if (!guarded([&] {
            if (!dataSet->isActive())
                dataSet->open();
            rows = sheet::copyOf(*dataSet);
        }))
        return false;
    ReportPreview::show(layout, std::move(rows), caption, parent);
    return true;
}

} // namespace

TRsRepFrm::TRsRepFrm(QObject *parent)
    : QObject(parent)
    , qry3(new Query(nullptr, this))
{
    setObjectName(QStringLiteral("RsRepFrm"));
    qry3->setSQL(QStringLiteral("select * from CZdata"));
}

bool TRsRepFrm::preview(QWidget *parent)
{
    // On the shared connection only while it prints: the data module may be made anew between
    // two prints.
    qry3->setConnection(Datafrm ? Datafrm->con : nullptr);
    qry3->setSQL(QStringLiteral("select * from CZdata;"));
    const bool shown =
        previewQuery(qry3, report::archiveLayout(), texts::archive::ArchiveReportCaption, parent);
    // The rows went to the preview; the report's query lets the connection go.
    qry3->setConnection(nullptr);
    return shown;
}

bool previewCardHistory(Query *dataSet, QWidget *parent)
{
    return previewQuery(dataSet, report::historyLayout(), texts::archive::HistoryReportCaption,
                        parent);
}

TCRJLBB::TCRJLBB(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("CRJLBB"));
}

bool TCRJLBB::preview(Query *dataSet, QWidget *parent)
{
    return previewQuery(dataSet, report::passageLayout(), texts::archive::PassageReportCaption,
                        parent);
}

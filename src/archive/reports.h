#pragma once
// The two printed reports: the owner archive report and the passage report. Both are created
// at start-up and never shown themselves; a print command fills the report's data and opens
// the print preview (ReportPreview), which returns when the user closes it.
#include <QObject>

class Query;
class QWidget;

class TRsRepFrm : public QObject
{
    Q_OBJECT
public:
    explicit TRsRepFrm(QObject *parent = nullptr);

    // Runs "select * from CZdata;" on qry3 and previews every owner archive record, whatever the
    // archive window shows. A failing statement goes to the general error display and returns
    // false; true once the preview is closed.
    bool preview(QWidget *parent = nullptr);

    Query *const qry3; // the report's own query, on the shared connection while it prints
};

// Previews the rows of the card history window's query.
bool previewCardHistory(Query *dataSet, QWidget *parent = nullptr);

class TCRJLBB : public QObject
{
    Q_OBJECT
public:
    explicit TCRJLBB(QObject *parent = nullptr);

    // Previews the rows the data set holds (the data module's Qrybb1 as the passage window
    // fills it; opened here when it is closed). The preview works on a copy, so the query may
    // change or close afterwards. A failure goes to the general error display and returns
    // false; true once the preview is closed.
    bool preview(Query *dataSet, QWidget *parent = nullptr);
};

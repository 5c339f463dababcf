#pragma once
// Links a query to the controls that show it: grids and data-aware entry fields listen here for
// a new result, a moved or changed current record, and state changes. autoEdit: a control that
// the user types into puts the query into edit state first.
#include <QObject>
#include <QPointer>

#include "db/query.h"

class DataSource : public QObject
{
    Q_OBJECT
public:
    explicit DataSource(Query *dataSet = nullptr, QObject *parent = nullptr);

    Query *dataSet() const { return m_dataSet; }
    void setDataSet(Query *dataSet);
    bool autoEdit() const { return m_autoEdit; }
    void setAutoEdit(bool on) { m_autoEdit = on; }

    // For a control about to write a value: puts a browsing query into edit state when autoEdit
    // is on; true when the query then accepts values.
    bool ensureEditing();

signals:
    void dataSetChanged();        // another query, or the query opened, closed or reloaded
    void recordChanged();         // the current record moved or was posted / cancelled
    void fieldChanged(int field); // a pending value of the current record changed
    void stateChanged();

private:
    QPointer<Query> m_dataSet;
    bool m_autoEdit = true;
};

#pragma once
// Data-aware controls: an edit, a list-only combo box and a grid model, each bound to a data
// source and showing the current record of its query (the grid all rows). Text put into the edit
// or a choice in the combo box is written into the field at once, putting the query into edit
// state first (when the data source allows it); the change reaches the table at post.
#include "db/datasource.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <functional>

// The binding of one control to one field of a data source's query: it shows the field again
// whenever the result, the current record, the state or that field's pending value changes, and
// writes what the user gave into the field, putting the query into edit state first.
class FieldLink : public QObject
{
public:
    // show() puts the field's current value into the control.
    explicit FieldLink(std::function<void()> show);

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return m_source; }
    void setDataField(const QString &name);
    QString dataField() const { return m_fieldName; }
    // The bound field of the current record (invalid while the query is closed).
    Field field() const;

    // Shows the field; the control's own change signal does not write it back meanwhile.
    void refresh();
    // True while the control is being filled from the field (its changes are not the user's).
    bool loading() const { return m_loading; }
    // Writes a value the user gave; a field that cannot take it is shown again instead.
    void write(const QString &text);

private:
    std::function<void()> m_show;
    QPointer<DataSource> m_source;
    QString m_fieldName;
    bool m_loading = false;
};

// A control bound to one field through a FieldLink: the accessors of the binding, the same for
// every bound control. `show` puts the field's current value into the control.
template <typename Control> class Bound : public Control
{
public:
    void setDataSource(DataSource *source) { m_link.setDataSource(source); }
    DataSource *dataSource() const { return m_link.dataSource(); }
    void setDataField(const QString &name) { m_link.setDataField(name); }
    QString dataField() const { return m_link.dataField(); }
    // The bound field of the current record (invalid while the query is closed).
    Field field() const { return m_link.field(); }

protected:
    Bound(QWidget *parent, std::function<void()> show)
        : Control(parent)
        , m_link(std::move(show))
    {}

    FieldLink m_link;
};

class DBEdit : public Bound<QLineEdit>
{
    Q_OBJECT
public:
    explicit DBEdit(QWidget *parent = nullptr);

    // Entry limit in GBK bytes (0 = none); longer text is cut at a whole character.
    void setMaxBytes(int bytes) { m_maxBytes = bytes; }
    int maxBytes() const { return m_maxBytes; }

private:
    void onTextChanged(const QString &text);

    int m_maxBytes = 0;
};

class DBComboBox : public Bound<QComboBox>
{
    Q_OBJECT
public:
    explicit DBComboBox(QWidget *parent = nullptr);

private:
    void onIndexChanged(int index);
};

// A grid's view of a query: one row per record (a record being appended included), the columns
// chosen with setColumns() or all fields of the result. Cells show display texts, so a masked
// field shows its mask. Editable cells write through the query like the edit does.
class QueryTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct Column
    {
        QString field;
        QString title;
        bool readOnly = false;
    };

    explicit QueryTableModel(DataSource *source = nullptr, QObject *parent = nullptr);

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return m_source; }
    void setColumns(const QList<Column> &columns);
    void setEditable(bool on) { m_editable = on; }

    // The grid row of the query's current record (-1 when there is none), and moving it.
    int currentRow() const;
    void setCurrentRow(int row);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    // A query that reads its rows as they are asked for gives the view more as it scrolls.
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

signals:
    // The query's current record moved to this row.
    void currentRowChanged(int row);

protected:
    Query *query() const;
    int fieldOf(int column) const;

private:
    void rebind();

    QPointer<DataSource> m_source;
    QPointer<Query> m_query;
    QList<Column> m_columns;
    bool m_editable = false;
};

#pragma once
// What a spreadsheet export writes: a title row of column names and rows of text cells. The
// writers read through this interface so that a query, a copy of its rows or a test table all
// export the same way.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVector>

class Query;

namespace sheet {

class Table
{
public:
    virtual ~Table() = default;
    virtual int columnCount() const = 0;
    virtual int rowCount() const = 0;
    virtual QString columnName(int column) const = 0;
    // The value as text; an empty value (also NULL) is an empty text and leaves the cell empty.
    virtual QString text(int row, int column) const = 0;
    // text() as UTF-8, possibly a view into the source's own bytes, else converted into
    // `scratch`; valid until the next call with the same scratch.
    virtual QByteArrayView utf8(int row, int column, QByteArray &scratch) const
    {
        scratch = text(row, column).toUtf8();
        return scratch;
    }
};

// Rows held in memory (copies of a result, test tables).
class StringTable : public Table
{
public:
    StringTable() = default;
    StringTable(QStringList columns, QVector<QStringList> rows)
        : columns(std::move(columns))
        , rows(std::move(rows))
    {}
    int columnCount() const override { return int(columns.size()); }
    int rowCount() const override { return int(rows.size()); }
    QString columnName(int column) const override { return columns.value(column); }
    QString text(int row, int column) const override { return rows.at(row).value(column); }

    QStringList columns;
    QVector<QStringList> rows;
};

// Every field of an open query, in field order, and every row of its result, whatever the
// current record. The query must stay open and unchanged while the table is used.
class QueryTable : public Table
{
public:
    explicit QueryTable(const Query &query)
        : m_query(query)
    {}
    int columnCount() const override;
    int rowCount() const override;
    QString columnName(int column) const override;
    QString text(int row, int column) const override;
    QByteArrayView utf8(int row, int column, QByteArray &scratch) const override;

private:
    const Query &m_query;
};

// A copy of everything a query holds, so that it outlives the query's next statement.
StringTable copyOf(const Query &query);

} // namespace sheet

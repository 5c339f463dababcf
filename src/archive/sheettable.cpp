#include "archive/sheettable.h"

#include "db/query.h"

namespace sheet {

int QueryTable::columnCount() const
{
    return m_query.fieldCount();
}
int QueryTable::rowCount() const
{
    return m_query.rows();
}
QString QueryTable::columnName(int column) const
{
    return m_query.field(column).name();
}
QString QueryTable::text(int row, int column) const
{
    return m_query.textAt(row, column);
}

QByteArrayView QueryTable::utf8(int row, int column, QByteArray &scratch) const
{
    return m_query.utf8At(row, column, scratch);
}

StringTable copyOf(const Query &query)
{
    const QueryTable source(query);
    StringTable out;
    for (int c = 0; c < source.columnCount(); ++c)
        out.columns << source.columnName(c);
    out.rows.reserve(source.rowCount());
    for (int r = 0; r < source.rowCount(); ++r) {
        QStringList row;
        row.reserve(source.columnCount());
        for (int c = 0; c < source.columnCount(); ++c)
            row << source.text(r, c);
        out.rows << row;
    }
    return out;
}

} // namespace sheet

#include "db/query.h"

#include "db/connection.h"
#include "db/dberror.h"

#include <QVarLengthArray>
#include <algorithm>
#include <cstring>
#include <limits>
#include <sqlite3.h>

namespace {

// A record is packed into one run of bytes: n end offsets (quint32, relative to the data part),
// n type bytes (SQLite's fundamental types), then the cells' bytes (text as UTF-8, numbers as
// their decimal text, blobs raw). One allocation per row keeps a large result small and quick
// to load.
struct CellRef
{
    int type = SQLITE_NULL;
    const char *data = nullptr;
    int size = 0;
};

CellRef cellOf(const char *row, int column, int columns)
{
    if (!row)
        return {};
    const char *p = row;
    quint32 end = 0, begin = 0;
    std::memcpy(&end, p + 4 * column, 4);
    if (column > 0)
        std::memcpy(&begin, p + 4 * (column - 1), 4);
    const int header = 5 * columns;
    return {static_cast<unsigned char>(p[4 * columns + column]), p + header + begin,
            int(end - begin)};
}

QVariant toVariant(const CellRef &c)
{
    switch (c.type) {
    case SQLITE_INTEGER:
        return QByteArray::fromRawData(c.data, c.size).toLongLong();
    case SQLITE_FLOAT:
        return QByteArray::fromRawData(c.data, c.size).toDouble();
    case SQLITE_TEXT:
        return QString::fromUtf8(c.data, c.size);
    case SQLITE_BLOB:
        return QByteArray(c.data, c.size);
    default:
        return QVariant();
    }
}

bool isIntegerType(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

void bindValue(sqlite3_stmt *stmt, int index, const QVariant &v)
{
    if (!v.isValid() || v.isNull()) {
        sqlite3_bind_null(stmt, index);
    } else if (isIntegerType(v)) {
        sqlite3_bind_int64(stmt, index, v.toLongLong());
    } else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
        sqlite3_bind_double(stmt, index, v.toDouble());
    } else if (v.typeId() == QMetaType::QByteArray) {
        const QByteArray b = v.toByteArray();
        sqlite3_bind_blob(stmt, index, b.constData(), b.size(), SQLITE_TRANSIENT);
    } else {
        const QByteArray t = v.toString().toUtf8();
        sqlite3_bind_text(stmt, index, t.constData(), t.size(), SQLITE_TRANSIENT);
    }
}

QString quoted(const QString &name)
{
    QString s = name;
    s.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

const QString VehicleNumberColumn = QStringLiteral("车辆编号");

// The place of a row of a result read by page that is not read yet.
const char MissingRow[1] = {0};

// A statement without its trailing semicolons and blanks.
QString withoutEnd(const QString &sql)
{
    QString text = sql.trimmed();
    while (text.endsWith(QLatin1Char(';')))
        text = text.chopped(1).trimmed();
    return text;
}

// Where the statement's own ORDER BY starts (outside brackets, quotes and comments), and
// whether it has a LIMIT of its own; -1 when it has no ORDER BY.
struct Clauses
{
    qsizetype orderBy = -1;
    bool limit = false;
};

Clauses topLevelClauses(const QString &text)
{
    Clauses c;
    int depth = 0;
    const qsizetype n = text.size();
    const auto wordAt = [&](qsizetype i, QLatin1String word) {
        if (text.mid(i, word.size()).compare(word, Qt::CaseInsensitive) != 0)
            return false;
        const auto boundary = [](QChar ch) { return !ch.isLetterOrNumber() && ch != u'_'; };
        return (i == 0 || boundary(text.at(i - 1))) &&
               (i + word.size() >= n || boundary(text.at(i + word.size())));
    };
    for (qsizetype i = 0; i < n; ++i) {
        const QChar ch = text.at(i);
        if (ch == u'\'' || ch == u'"' || ch == u'`' || ch == u'[') {
            const QChar close = ch == u'[' ? QChar(u']') : ch;
            i = text.indexOf(close, i + 1);
            if (i < 0)
                return {-1, true}; // unclosed: leave the statement as it is
            continue;
        }
        if (ch == u'-' && i + 1 < n && text.at(i + 1) == u'-') {
            i = text.indexOf(u'\n', i);
            if (i < 0)
                break;
            continue;
        }
        if (ch == u'/' && i + 1 < n && text.at(i + 1) == u'*') {
            i = text.indexOf(QLatin1String("*/"), i + 2);
            if (i < 0)
                return {-1, true};
            ++i;
            continue;
        }
        if (ch == u'(')
            ++depth;
        else if (ch == u')')
            --depth;
        else if (depth == 0 && wordAt(i, QLatin1String("order"))) {
            qsizetype j = i + 5;
            while (j < n && text.at(j).isSpace())
                ++j;
            if (wordAt(j, QLatin1String("by")))
                c.orderBy = i;
        } else if (depth == 0 && wordAt(i, QLatin1String("limit"))) {
            c.limit = true;
        }
    }
    return c;
}

} // namespace

// --- Field ---

QString Field::name() const
{
    return m_query ? m_query->m_fields.at(m_index).def.name : QString();
}

int Field::size() const
{
    return m_query ? m_query->m_fields.at(m_index).def.size : 0;
}

bool Field::readOnly() const
{
    return m_query && m_query->m_fields.at(m_index).def.readOnly;
}

void Field::setReadOnly(bool on) const
{
    if (m_query)
        m_query->m_fields[m_index].def.readOnly = on;
}

QVariant Field::value() const
{
    if (!m_query)
        return {};
    m_query->checkActive();
    if (m_query->m_current < 0)
        return {};
    return m_query->valueAt(m_query->m_current, m_index);
}

bool Field::isNull() const
{
    const QVariant v = value();
    return !v.isValid() || v.isNull();
}

QString Field::asString() const
{
    if (!m_query)
        return {};
    return m_query->columnText(m_query->m_fields.at(m_index).column, value());
}

qlonglong Field::asInteger() const
{
    const QVariant v = value();
    if (isIntegerType(v))
        return v.toLongLong();
    return qRound64(v.toString().trimmed().toDouble());
}

double Field::asFloat() const
{
    return value().toDouble();
}

QString Field::displayText() const
{
    if (!m_query)
        return {};
    const QString &mask = m_query->m_fields.at(m_index).def.displayMask;
    return mask.isEmpty() ? asString() : mask;
}

void Field::setValue(const QVariant &value) const
{
    if (m_query)
        m_query->setFieldValue(m_index, value);
}

// --- StatementText ---

void StatementText::clear()
{
    m_lines.clear();
    m_owner->statementChanged();
}

void StatementText::add(const QString &line)
{
    m_lines.append(line);
    m_owner->statementChanged();
}

void StatementText::setText(const QString &text)
{
    m_lines = QStringList{text};
    m_owner->statementChanged();
}

// --- Query ---

Query::Query(Connection *connection, QObject *parent)
    : QObject(parent)
{
    setConnection(connection);
}

Query::~Query()
{
    close();
    if (m_connection)
        m_connection->detach(this);
}

void Query::setConnection(Connection *connection)
{
    if (connection == m_connection)
        return;
    close();
    if (m_connection)
        m_connection->detach(this);
    m_connection = connection;
    if (m_connection)
        m_connection->attach(this);
}

QString Query::label() const
{
    return objectName().isEmpty() ? QStringLiteral("Query") : objectName();
}

void Query::statementChanged()
{
    close();
    clearParameters();
}

void Query::setParameter(const QString &name, const QVariant &value)
{
    QString key = name.startsWith(QLatin1Char(':')) ? name.mid(1) : name;
    m_named.insert(key.toLower(), value);
}

void Query::addBindValue(const QVariant &value)
{
    m_positional.append(value);
}

void Query::clearParameters()
{
    m_named.clear();
    m_positional.clear();
}

void Query::bindParameters(sqlite3_stmt *stmt) const
{
    const int count = sqlite3_bind_parameter_count(stmt);
    int positional = 0;
    for (int i = 1; i <= count; ++i) {
        const char *raw = sqlite3_bind_parameter_name(stmt, i);
        if (!raw || raw[0] == '?') {
            if (positional >= m_positional.size())
                throw DbError(label() + QStringLiteral(": parameter %1 has no value").arg(i));
            bindValue(stmt, i, m_positional.at(positional++));
            continue;
        }
        const QString name = QString::fromUtf8(raw + 1);
        const auto it = m_named.constFind(name.toLower());
        // An unbound parameter would silently match nothing; report it instead.
        if (it == m_named.constEnd())
            throw DbError(label() + QStringLiteral(": parameter '%1' has no value").arg(name));
        bindValue(stmt, i, *it);
    }
}

void Query::setFieldDefs(const QList<FieldDef> &defs)
{
    close();
    m_defs = defs;
}

void Query::checkActive() const
{
    if (m_state == Inactive)
        throw DbError(label() +
                      QStringLiteral(": cannot perform this operation on a closed dataset"));
}

void Query::checkEditing() const
{
    checkActive();
    if (m_state != Edit && m_state != Insert)
        throw DbError(label() + QStringLiteral(": dataset not in edit or insert mode"));
}

void Query::open()
{
    if (m_state != Inactive)
        return;
    if (!m_connection)
        throw DbError(label() + QStringLiteral(": no connection"));
    const QString text = m_sql.text();
    const bool wasConnected = m_connection->connected();
    sqlite3 *db = m_connection->handle();
    emit aboutToReset();
    m_pending.reset();
    m_wholeStatementDue = false;
    m_wholeCount = -1;
    m_paged = false;
    try {
        auto statement = std::make_unique<db::Statement>(db, text);
        db::Statement &st = *statement;
        const int n = sqlite3_column_count(st.get());
        // Checked before running, so that a delete given to open() does not delete anything.
        if (n == 0)
            throw DbError(label() + QStringLiteral(": the statement returns no rows"));
        bindParameters(st.get());
        m_columns.resize(n);
        for (int c = 0; c < n; ++c) {
            Column &col = m_columns[c];
            col.name = QString::fromUtf8(sqlite3_column_name(st.get(), c));
            const char *table = sqlite3_column_table_name(st.get(), c);
            const char *origin = sqlite3_column_origin_name(st.get(), c);
            col.table = table ? QString::fromUtf8(table) : QString();
            col.origin = origin ? QString::fromUtf8(origin) : QString();
            col.paddedNumber = col.name == VehicleNumberColumn || col.origin == VehicleNumberColumn;
        }
        resolveFields();
        releaseRows();
        const QString whole = withoutEnd(m_sql.text());
        if (m_byPage && !topLevelClauses(whole).limit) {
            // The first page, and the places of the others, read when they are looked at.
            statement.reset();
            db::Statement first(db, whole + QStringLiteral("\nlimit %1").arg(FetchBatch + 1));
            bindParameters(first.get());
            while (int(m_rows.size()) < FetchBatch + 1 && first.step())
                m_rows.push_back(rowFromStatement(first.get()));
            if (int(m_rows.size()) > FetchBatch) {
                m_rows.pop_back();
                m_rows.resize(qMax(wholeCount(), FetchBatch), MissingRow);
                m_paged = true;
            }
            m_wholeCount = -1;
        } else if (!m_onDemand) {
            while (st.step())
                m_rows.push_back(rowFromStatement(st.get()));
        } else if (const QString text = withoutEnd(m_sql.text()); !topLevelClauses(text).limit) {
            // The first rows come from the statement with a limit: an ordered result then
            // needs no sort of every row before its first one. The whole statement runs when
            // more rows are asked for (fetchMore).
            statement.reset();
            db::Statement first(db, text + QStringLiteral("\nlimit %1").arg(FetchBatch + 1));
            bindParameters(first.get());
            while (first.step() && int(m_rows.size()) < FetchBatch + 1)
                m_rows.push_back(rowFromStatement(first.get()));
            if (int(m_rows.size()) > FetchBatch) {
                m_rows.pop_back();
                m_wholeStatementDue = true;
            }
        } else {
            while (int(m_rows.size()) < FetchBatch && st.step())
                m_rows.push_back(rowFromStatement(st.get()));
            if (int(m_rows.size()) == FetchBatch)
                m_pending = std::move(statement); // more may follow: read as they are asked for
        }
    } catch (...) {
        m_pending.reset();
        m_wholeStatementDue = false;
        m_paged = false;
        releaseRows();
        m_columns.clear();
        m_fields.clear();
        m_fieldIndex.clear();
        if (!wasConnected && m_connection->m_openQueries == 0)
            m_connection->closeHandle();
        emit resetDone();
        throw;
    }

    // Changes go to the result's one table, found by its key column.
    m_table.clear();
    m_keyColumn = -1;
    QString table;
    bool single = true;
    for (const Column &c : std::as_const(m_columns)) {
        if (c.table.isEmpty())
            continue;
        if (table.isEmpty())
            table = c.table;
        else if (c.table.compare(table, Qt::CaseInsensitive) != 0)
            single = false;
    }
    if (single && !table.isEmpty()) {
        const QString key = m_connection->primaryKey(table);
        for (int c = 0; c < m_columns.size() && !key.isEmpty(); ++c) {
            if (m_columns[c].table.compare(table, Qt::CaseInsensitive) == 0 &&
                m_columns[c].origin.compare(key, Qt::CaseInsensitive) == 0) {
                m_keyColumn = c;
                m_table = table;
                break;
            }
        }
    }

    m_state = Browse;
    m_connection->queryOpened();
    m_current = m_rows.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.empty();
    m_modified = false;
    emit resetDone();
    emit stateChanged();
    emit currentChanged();
}

void Query::resolveFields()
{
    m_fields.clear();
    m_fieldIndex.clear();
    if (m_defs.isEmpty()) {
        for (int c = 0; c < m_columns.size(); ++c) {
            FieldDef def;
            def.name = m_columns[c].name;
            m_fields.append({c, def});
        }
    } else {
        for (const FieldDef &def : std::as_const(m_defs)) {
            int found = -1;
            for (int c = 0; c < m_columns.size() && found < 0; ++c)
                if (m_columns[c].name.compare(def.name, Qt::CaseInsensitive) == 0)
                    found = c;
            if (found < 0)
                throw DbError(label() + QStringLiteral(": field '%1' not found").arg(def.name));
            m_fields.append({found, def});
        }
    }
    for (int f = 0; f < m_fields.size(); ++f) {
        const QString key = m_fields[f].def.name.toLower();
        if (!m_fieldIndex.contains(key))
            m_fieldIndex.insert(key, f);
    }
}

const char *Query::rowFromStatement(sqlite3_stmt *stmt)
{
    const int n = m_columns.size();
    QVarLengthArray<CellRef, 32> cells(n);
    qsizetype total = 0;
    for (int c = 0; c < n; ++c) {
        // The value handle is read without taking the connection's lock for every call.
        sqlite3_value *v = sqlite3_column_value(stmt, c);
        CellRef &cell = cells[c];
        cell.type = sqlite3_value_type(v);
        if (cell.type == SQLITE_BLOB)
            cell.data = static_cast<const char *>(sqlite3_value_blob(v));
        else if (cell.type != SQLITE_NULL)
            cell.data = reinterpret_cast<const char *>(sqlite3_value_text(v));
        cell.size = cell.type == SQLITE_NULL ? 0 : sqlite3_value_bytes(v);
        total += cell.size;
    }
    char *p = allocateRow(5 * n + total);
    char *data = p + 5 * n;
    quint32 end = 0;
    for (int c = 0; c < n; ++c) {
        if (cells[c].size)
            std::memcpy(data + end, cells[c].data, cells[c].size);
        end += cells[c].size;
        std::memcpy(p + 4 * c, &end, 4);
        p[4 * n + c] = char(cells[c].type);
    }
    return p;
}

char *Query::allocateRow(qsizetype bytes)
{
    constexpr qsizetype BlockSize = 256 * 1024;
    if (bytes > m_freeBytes) {
        const qsizetype size = qMax(bytes, BlockSize);
        m_blocks.emplace_back(new char[size]);
        m_free = m_blocks.back().get();
        m_freeBytes = size;
    }
    char *p = m_free;
    m_free += bytes;
    m_freeBytes -= bytes;
    return p;
}

void Query::releaseRows()
{
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_blocks.clear();
    m_free = nullptr;
    m_freeBytes = 0;
}

const char *Query::rowFromValues(const QVector<QVariant> &values)
{
    const int n = m_columns.size();
    QVector<QByteArray> bytes(n);
    QVector<int> types(n, SQLITE_NULL);
    qsizetype total = 0;
    for (int c = 0; c < n; ++c) {
        const QVariant &v = values.at(c);
        if (!v.isValid() || v.isNull()) {
            types[c] = SQLITE_NULL;
        } else if (isIntegerType(v)) {
            types[c] = SQLITE_INTEGER;
            bytes[c] = QByteArray::number(v.toLongLong());
        } else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
            types[c] = SQLITE_FLOAT;
            bytes[c] = QByteArray::number(v.toDouble(), 'g', 17);
        } else if (v.typeId() == QMetaType::QByteArray) {
            types[c] = SQLITE_BLOB;
            bytes[c] = v.toByteArray();
        } else {
            types[c] = SQLITE_TEXT;
            bytes[c] = v.toString().toUtf8();
        }
        total += bytes[c].size();
    }
    char *p = allocateRow(5 * n + total);
    quint32 end = 0;
    for (int c = 0; c < n; ++c) {
        std::memcpy(p + 5 * n + end, bytes[c].constData(), bytes[c].size());
        end += bytes[c].size();
        std::memcpy(p + 4 * c, &end, 4);
        p[4 * n + c] = char(types[c]);
    }
    return p;
}

void Query::close()
{
    if (m_state == Inactive)
        return;
    // A pending change is discarded, not posted.
    emit aboutToReset();
    m_state = Inactive;
    // The statement goes before the connection may close with the last query.
    m_pending.reset();
    m_wholeStatementDue = false;
    m_wholeCount = -1;
    m_paged = false;
    releaseRows();
    m_buffer.clear();
    m_changed.clear();
    m_modified = false;
    m_current = -1;
    m_bof = m_eof = true;
    if (m_connection)
        m_connection->queryClosed();
    emit resetDone();
    emit stateChanged();
    emit currentChanged();
}

int Query::execSQL()
{
    if (!m_connection)
        throw DbError(label() + QStringLiteral(": no connection"));
    const QString text = m_sql.text();
    const bool wasConnected = m_connection->connected();
    sqlite3 *db = m_connection->handle();
    auto release = [&] {
        if (!wasConnected && m_connection->m_openQueries == 0)
            m_connection->closeHandle();
    };
    int changes = 0;
    try {
        db::Statement st(db, text);
        bindParameters(st.get());
        const bool returnsRows = sqlite3_column_count(st.get()) > 0;
        while (st.step()) {
        }
        changes = returnsRows ? 0 : sqlite3_changes(db);
    } catch (...) {
        release();
        throw;
    }
    release();
    return changes;
}

int Query::recordCount() const
{
    checkActive();
    if (canFetchMore())
        return wholeCount();
    return int(m_rows.size()) - (m_state == Insert ? 1 : 0);
}

int Query::wholeCount() const
{
    if (m_wholeCount >= 0)
        return m_wholeCount;
    // The same statement, counted by the engine without handing its rows over; the order of
    // the rows does not change their number, so it is left out.
    QString text = withoutEnd(m_sql.text());
    if (const Clauses c = topLevelClauses(text); c.orderBy >= 0 && !c.limit)
        text.truncate(c.orderBy);
    db::Statement st(m_connection->handle(),
                     QStringLiteral("select count(*) from (") + text + QStringLiteral("\n)"));
    bindParameters(st.get());
    m_wholeCount = st.step() ? sqlite3_column_int(st.get(), 0) : 0;
    return m_wholeCount;
}

void Query::startWholeStatement()
{
    m_wholeStatementDue = false;
    // The rows already read come again first; they take the place of those read with the
    // limit (rows that sort alike may come in another order).
    auto st = std::make_unique<db::Statement>(m_connection->handle(), m_sql.text());
    bindParameters(st->get());
    const int known = int(m_rows.size()) - (m_state == Insert ? 1 : 0);
    int row = 0;
    while (row < known && st->step()) {
        if (!(m_state == Edit && row == m_current))
            m_rows[row] = rowFromStatement(st->get());
        ++row;
    }
    if (row > 0)
        for (int r = 0; r < row; ++r)
            emit rowChanged(r);
    if (row == known)
        m_pending = std::move(st);
}

void Query::fetchMore(int count)
{
    if (m_state == Inactive)
        return;
    if (m_wholeStatementDue) {
        try {
            startWholeStatement();
        } catch (const DbError &) {
            m_pending.reset();
        }
    }
    if (!m_pending)
        return;
    std::vector<const char *> fetched;
    bool ended = false;
    try {
        while (int(fetched.size()) < count) {
            if (!m_pending->step()) {
                ended = true;
                break;
            }
            fetched.push_back(rowFromStatement(m_pending->get()));
        }
    } catch (const DbError &) {
        // The rest cannot be read (a rollback on the connection ended the statement): the
        // result ends with the rows read.
        ended = true;
    }
    if (ended) {
        m_pending.reset();
        m_wholeCount = -1;
    }
    if (fetched.empty())
        return;
    // In insert state the record being inserted stays last.
    const int first = int(m_rows.size()) - (m_state == Insert ? 1 : 0);
    emit rowsAboutToBeFetched(first, first + int(fetched.size()) - 1);
    m_rows.insert(m_rows.begin() + first, fetched.begin(), fetched.end());
    if (m_state == Insert)
        m_current = int(m_rows.size()) - 1;
    emit rowsFetched();
}

void Query::fetchUntil(int row)
{
    while (canFetchMore() && row >= int(m_rows.size()))
        fetchMore(qMax(FetchBatch, row + 1 - int(m_rows.size())));
}

const char *Query::rowAt(int row) const
{
    const char *p = m_rows[row];
    if (p != MissingRow)
        return p;
    const_cast<Query *>(this)->readPage(row);
    return m_rows[row];
}

void Query::readPage(int row)
{
    const int start = row - row % FetchBatch;
    const int end = qMin(start + FetchBatch, int(m_rows.size()));
    try {
        db::Statement st(m_connection->handle(),
                         withoutEnd(m_sql.text()) +
                             QStringLiteral("\nlimit %1 offset %2").arg(end - start).arg(start));
        bindParameters(st.get());
        for (int r = start; r < end && st.step(); ++r)
            if (m_rows[r] == MissingRow)
                m_rows[r] = rowFromStatement(st.get());
    } catch (const DbError &) {
        // Read while a grid paints: a row that cannot be read shows empty.
    }
    // Rows removed since the result was counted leave their places empty.
    const char *empty = nullptr;
    for (int r = start; r < end; ++r) {
        if (m_rows[r] == MissingRow) {
            if (!empty)
                empty = rowFromValues(QVector<QVariant>(m_columns.size()));
            m_rows[r] = empty;
        }
    }
}

void Query::fillMissingRows()
{
    const auto missing = std::find(m_rows.begin(), m_rows.end(), MissingRow);
    if (missing == m_rows.end())
        return;
    // One run of the statement from the first row still missing.
    const int from = int(missing - m_rows.begin());
    db::Statement st(m_connection->handle(),
                     withoutEnd(m_sql.text()) + QStringLiteral("\nlimit -1 offset %1").arg(from));
    bindParameters(st.get());
    const int n = int(m_rows.size());
    int r = from;
    for (; r < n && st.step(); ++r)
        if (m_rows[r] == MissingRow)
            m_rows[r] = rowFromStatement(st.get());
    const char *empty = nullptr;
    for (; r < n; ++r) {
        if (m_rows[r] == MissingRow) {
            if (!empty)
                empty = rowFromValues(QVector<QVariant>(m_columns.size()));
            m_rows[r] = empty;
        }
    }
}

void Query::fetchAll()
{
    if (m_paged)
        fillMissingRows();
    while (canFetchMore())
        fetchMore(std::numeric_limits<int>::max());
}

void Query::setState(State s)
{
    if (m_state == s)
        return;
    m_state = s;
    emit stateChanged();
}

void Query::setCurrent(int row)
{
    if (row == m_current)
        return;
    m_current = row;
    emit currentChanged();
}

void Query::checkBrowseMode()
{
    checkActive();
    if (m_state == Edit || m_state == Insert) {
        if (m_modified)
            post();
        else
            cancel();
    }
}

void Query::first()
{
    checkBrowseMode();
    setCurrent(m_rows.empty() ? -1 : 0);
    m_bof = true;
    m_eof = m_rows.empty();
}

void Query::last()
{
    checkBrowseMode();
    if (!m_paged)
        fetchAll();
    setCurrent(int(m_rows.size()) - 1);
    m_eof = true;
    m_bof = m_rows.empty();
}

void Query::next()
{
    checkBrowseMode();
    fetchUntil(m_current + 1);
    if (m_current + 1 < int(m_rows.size())) {
        setCurrent(m_current + 1);
        m_bof = false;
        m_eof = false;
    } else {
        m_eof = true;
    }
}

void Query::prior()
{
    checkBrowseMode();
    if (m_current > 0) {
        setCurrent(m_current - 1);
        m_bof = false;
        m_eof = false;
    } else {
        m_bof = true;
    }
}

void Query::moveTo(int row)
{
    checkActive();
    if (row == m_current)
        return;
    checkBrowseMode();
    fetchUntil(row);
    if (m_rows.empty())
        return;
    setCurrent(qBound(0, row, int(m_rows.size()) - 1));
    m_bof = m_eof = false;
}

QStringList Query::fieldNames() const
{
    QStringList out;
    for (const FieldInfo &f : m_fields)
        out << f.def.name;
    return out;
}

Field Query::field(int index) const
{
    checkActive();
    if (index < 0 || index >= m_fields.size())
        throw DbError(label() + QStringLiteral(": field index %1 out of range").arg(index));
    return Field(this, index);
}

Field Query::findField(const QString &name) const
{
    const auto it = m_fieldIndex.constFind(name.toLower());
    return it == m_fieldIndex.constEnd() || m_state == Inactive ? Field() : Field(this, *it);
}

Field Query::fieldByName(const QString &name) const
{
    checkActive();
    const Field f = findField(name);
    if (!f.isValid())
        throw DbError(label() + QStringLiteral(": field '%1' not found").arg(name));
    return f;
}

QVariant Query::cell(int row, int column) const
{
    if ((m_state == Edit || m_state == Insert) && row == m_current)
        return m_buffer.value(column);
    return toVariant(cellOf(rowAt(row), column, m_columns.size()));
}

QVariant Query::valueAt(int row, int field) const
{
    if (m_state == Inactive || row < 0 || row >= int(m_rows.size()) || field < 0 ||
        field >= m_fields.size())
        return {};
    return cell(row, m_fields[field].column);
}

QString Query::columnText(int column, const QVariant &v) const
{
    if (!v.isValid() || v.isNull())
        return {};
    if (m_columns.value(column).paddedNumber && isIntegerType(v))
        return QString::asprintf("%.4lld", v.toLongLong());
    return v.toString();
}

QString Query::textAt(int row, int field) const
{
    if (field < 0 || field >= m_fields.size())
        return {};
    return columnText(m_fields[field].column, valueAt(row, field));
}

QByteArrayView Query::utf8At(int row, int field, QByteArray &scratch) const
{
    if (m_state == Inactive || row < 0 || row >= int(m_rows.size()) || field < 0 ||
        field >= m_fields.size())
        return {};
    const int column = m_fields[field].column;
    const bool pending = (m_state == Edit || m_state == Insert) && row == m_current;
    const CellRef c = pending ? CellRef{-1} : cellOf(rowAt(row), column, m_columns.size());
    switch (c.type) {
    case SQLITE_NULL:
        return {};
    case SQLITE_TEXT:
        return QByteArrayView(c.data, c.size);
    case SQLITE_INTEGER:
        if (!m_columns[column].paddedNumber)
            return QByteArrayView(c.data, c.size); // the decimal text, as toString() gives it
        if (c.size > 0 && c.data[0] == '-')
            break;
        // A vehicle number: "%.4d" without a detour over a QVariant and a QString.
        if (c.size >= 4)
            return QByteArrayView(c.data, c.size);
        scratch.fill('0', 4);
        std::memcpy(scratch.data() + 4 - c.size, c.data, size_t(c.size));
        return scratch;
    default:
        break;
    }
    scratch = textAt(row, field).toUtf8();
    return scratch;
}

QString Query::displayTextAt(int row, int field) const
{
    if (field < 0 || field >= m_fields.size() || row < 0 || row >= rows())
        return {};
    const QString &mask = m_fields[field].def.displayMask;
    return mask.isEmpty() ? textAt(row, field) : mask;
}

void Query::setFieldValue(int field, const QVariant &value)
{
    checkEditing();
    const FieldInfo &f = m_fields.at(field);
    if (f.def.readOnly)
        throw DbError(label() + QStringLiteral(": field '%1' cannot be modified").arg(f.def.name));
    QVariant v = value;
    if (m_columns[f.column].paddedNumber && v.typeId() == QMetaType::QString) {
        bool ok = false;
        const qlonglong n = v.toString().trimmed().toLongLong(&ok);
        if (ok)
            v = n;
    }
    m_buffer[f.column] = v;
    m_changed[f.column] = true;
    m_modified = true;
    emit fieldChanged(field);
    emit rowChanged(m_current);
}

void Query::append()
{
    checkBrowseMode();
    fetchAll(); // the new record comes after every row of the result
    m_beforeInsert = m_current;
    m_buffer = QVector<QVariant>(m_columns.size());
    m_changed = QVector<bool>(m_columns.size(), false);
    m_modified = false;
    emit rowAboutToBeInserted(int(m_rows.size()));
    m_rows.push_back(nullptr); // the new record's place; its values live in m_buffer
    m_state = Insert;
    m_current = int(m_rows.size()) - 1;
    m_bof = m_eof = false;
    emit rowInserted(m_current);
    emit stateChanged();
    emit currentChanged();
}

void Query::edit()
{
    checkActive();
    if (m_state == Edit || m_state == Insert)
        return;
    if (m_rows.empty()) {
        append();
        return;
    }
    m_buffer = QVector<QVariant>(m_columns.size());
    for (int c = 0; c < m_columns.size(); ++c)
        m_buffer[c] = toVariant(cellOf(rowAt(m_current), c, m_columns.size()));
    m_changed = QVector<bool>(m_columns.size(), false);
    m_modified = false;
    setState(Edit);
}

const char *Query::fetchRow(const QVariant &rowid, const QVector<QVariant> &fallback)
{
    QStringList select;
    QVector<int> fromTable;
    for (int c = 0; c < m_columns.size(); ++c) {
        if (m_columns[c].table.compare(m_table, Qt::CaseInsensitive) == 0) {
            select << quoted(m_columns[c].origin);
            fromTable << c;
        }
    }
    QVector<QVariant> values = fallback;
    db::Statement st(m_connection->handle(),
                     QStringLiteral("SELECT %1 FROM %2 WHERE rowid=?")
                         .arg(select.join(QLatin1Char(',')), quoted(m_table)));
    bindValue(st.get(), 1, rowid);
    if (st.step()) {
        for (int i = 0; i < fromTable.size(); ++i) {
            CellRef ref;
            ref.type = sqlite3_column_type(st.get(), i);
            if (ref.type == SQLITE_BLOB)
                ref.data = static_cast<const char *>(sqlite3_column_blob(st.get(), i));
            else if (ref.type != SQLITE_NULL)
                ref.data = reinterpret_cast<const char *>(sqlite3_column_text(st.get(), i));
            ref.size = ref.type == SQLITE_NULL ? 0 : sqlite3_column_bytes(st.get(), i);
            values[fromTable[i]] = toVariant(ref);
        }
    }
    return rowFromValues(values);
}

void Query::post()
{
    checkActive();
    if (m_state != Edit && m_state != Insert)
        return;
    if (m_state == Edit && !m_modified) {
        cancel();
        return;
    }
    if (!canModify())
        throw DbError(label() + QStringLiteral(": this result cannot be changed (it does not come "
                                               "from one table with its key column)"));
    sqlite3 *db = m_connection->handle();
    QStringList names;
    QVector<int> columns;
    for (int c = 0; c < m_columns.size(); ++c) {
        if (m_changed[c] && m_columns[c].table.compare(m_table, Qt::CaseInsensitive) == 0) {
            names << quoted(m_columns[c].origin);
            columns << c;
        }
    }
    // A change of a column the statement names may move the record in its result or take it
    // out: rows of a result read by page that are still to read would then be read into the
    // wrong places, so they are read first.
    if (m_paged && m_state == Edit) {
        const QString text = m_sql.text();
        for (const int c : std::as_const(columns)) {
            if (text.contains(m_columns[c].origin, Qt::CaseInsensitive)) {
                fillMissingRows();
                break;
            }
        }
    }
    QVariant rowid;
    if (m_state == Insert) {
        QString sql;
        if (names.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoted(m_table));
        } else {
            QStringList marks;
            for (int i = 0; i < names.size(); ++i)
                marks << QStringLiteral("?");
            sql = QStringLiteral("INSERT INTO %1(%2) VALUES(%3)")
                      .arg(quoted(m_table), names.join(QLatin1Char(',')),
                           marks.join(QLatin1Char(',')));
        }
        db::Statement st(db, sql);
        for (int i = 0; i < columns.size(); ++i)
            bindValue(st.get(), i + 1, m_buffer[columns[i]]);
        st.step();
        rowid = qlonglong(sqlite3_last_insert_rowid(db));
    } else {
        const QVariant key = toVariant(cellOf(rowAt(m_current), m_keyColumn, m_columns.size()));
        if (!names.isEmpty()) {
            QStringList sets;
            for (const QString &n : std::as_const(names))
                sets << n + QStringLiteral("=?");
            db::Statement st(db, QStringLiteral("UPDATE %1 SET %2 WHERE %3=?")
                                     .arg(quoted(m_table), sets.join(QLatin1Char(',')),
                                          quoted(m_columns[m_keyColumn].origin)));
            for (int i = 0; i < columns.size(); ++i)
                bindValue(st.get(), i + 1, m_buffer[columns[i]]);
            bindValue(st.get(), columns.size() + 1, key);
            st.step();
            if (sqlite3_changes(db) == 0)
                throw DbError(label() + QStringLiteral(": the record no longer exists"));
        }
        rowid = key;
    }
    // Read the stored record back: defaults, the new key and the engine's conversions.
    m_rows[m_current] = fetchRow(rowid, m_buffer);
    m_buffer.clear();
    m_changed.clear();
    m_modified = false;
    m_state = Browse;
    emit rowChanged(m_current);
    emit stateChanged();
    emit currentChanged();
}

void Query::cancel()
{
    checkActive();
    if (m_state == Insert) {
        const int row = m_current;
        emit rowAboutToBeRemoved(row);
        m_rows.erase(m_rows.begin() + row);
        m_state = Browse;
        m_buffer.clear();
        m_changed.clear();
        m_modified = false;
        m_current = m_rows.empty() ? -1 : qBound(0, m_beforeInsert, int(m_rows.size()) - 1);
        m_bof = m_current <= 0;
        m_eof = m_rows.empty();
        emit rowRemoved(row);
        emit stateChanged();
        emit currentChanged();
    } else if (m_state == Edit) {
        m_state = Browse;
        m_buffer.clear();
        m_changed.clear();
        m_modified = false;
        emit rowChanged(m_current);
        emit stateChanged();
        emit currentChanged();
    }
}

void Query::deleteRecord()
{
    checkActive();
    if (m_state == Insert) {
        cancel();
        return;
    }
    if (m_rows.empty())
        throw DbError(label() +
                      QStringLiteral(": cannot perform this operation on an empty dataset"));
    if (!canModify())
        throw DbError(label() + QStringLiteral(": this result cannot be changed (it does not come "
                                               "from one table with its key column)"));
    const QVariant key = toVariant(cellOf(rowAt(m_current), m_keyColumn, m_columns.size()));
    db::Statement st(m_connection->handle(),
                     QStringLiteral("DELETE FROM %1 WHERE %2=?")
                         .arg(quoted(m_table), quoted(m_columns[m_keyColumn].origin)));
    bindValue(st.get(), 1, key);
    st.step();
    if (m_state == Edit) {
        m_state = Browse;
        m_buffer.clear();
        m_changed.clear();
        m_modified = false;
        emit stateChanged();
    }
    const int row = m_current;
    if (m_wholeCount > 0)
        --m_wholeCount;
    emit rowAboutToBeRemoved(row);
    m_rows.erase(m_rows.begin() + row);
    m_current = m_rows.empty() ? -1 : qMin(row, int(m_rows.size()) - 1);
    m_eof = m_rows.empty();
    m_bof = m_current <= 0;
    emit rowRemoved(row);
    emit currentChanged();
}

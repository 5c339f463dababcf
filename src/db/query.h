#pragma once
// A query: a statement run on a connection whose whole result is held in memory (a static
// result set): exact record count, free movement, fields by name and by position, and record
// changes (append, edit, post, cancel, delete) written through to the one table the result
// comes from, identified by its key column.
//
// Statements are SQLite's own and go to the engine as written. Parameters are bound by name
// (":startrq", given as setParameter("startrq") or setParameter(":startrq")) or by position for
// "?" (addBindValue). Text that a user typed must go
// in as a parameter, never into the statement text.
//
// The vehicle number column 车辆编号 is stored as an INTEGER so that it orders numerically; read
// as text it is zero-padded to at least four digits ("%.4d"), and text written to it is stored
// as the number.
#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>
#include <vector>

class Connection;
class Query;
struct sqlite3_stmt;
namespace db {
class Statement;
}

// A field of a query: a handle onto the current record's value of one column.
class Field
{
public:
    Field() = default;
    bool isValid() const { return m_query != nullptr; }
    int index() const { return m_index; }
    QString name() const;
    int size() const;
    bool readOnly() const;
    // Refuses further values until the query opens again (the fields are made anew then).
    void setReadOnly(bool on) const;

    QVariant value() const;
    bool isNull() const;
    QString asString() const;
    qlonglong asInteger() const;
    double asFloat() const;
    // What grids and entry fields show (a masked field shows its mask whatever the value).
    QString displayText() const;

    // Only in edit or insert state; throws DbError otherwise.
    void setValue(const QVariant &value) const;
    void setAsString(const QString &text) const { setValue(text); }
    void setAsInteger(qlonglong v) const { setValue(v); }
    void clear() const { setValue(QVariant()); }

private:
    friend class Query;
    Field(const Query *q, int index)
        : m_query(const_cast<Query *>(q))
        , m_index(index)
    {}
    Query *m_query = nullptr;
    int m_index = -1;
};

// A persistent field definition: the query then has exactly these fields, in this order, and
// opening fails when the result lacks one of them.
struct FieldDef
{
    QString name;
    int size = 0; // characters; 0 = not fixed
    bool readOnly = false;
    QString displayMask; // when set, the display text of every value
};

// The statement text of a query, changed like a list of lines; any change closes the query.
class StatementText
{
public:
    void clear();
    void add(const QString &line);
    void setText(const QString &text);
    QString text() const { return m_lines.join(QLatin1Char('\n')); }
    bool isEmpty() const { return m_lines.isEmpty(); }

private:
    friend class Query;
    explicit StatementText(Query *owner)
        : m_owner(owner)
    {}
    Query *m_owner;
    QStringList m_lines;
};

class Query : public QObject
{
    Q_OBJECT
public:
    enum State { Inactive, Browse, Edit, Insert };
    Q_ENUM(State)

    explicit Query(Connection *connection = nullptr, QObject *parent = nullptr);
    ~Query() override;

    void setConnection(Connection *connection);
    Connection *connection() const { return m_connection; }

    // --- statement and parameters ---
    StatementText &sql() { return m_sql; }
    void setSQL(const QString &text) { m_sql.setText(text); }
    QString sqlText() const { return m_sql.text(); }
    // Binds a named parameter; the name may carry the colon. Cleared when the statement changes.
    void setParameter(const QString &name, const QVariant &value);
    // Binds the next "?" parameter, in the order they appear.
    void addBindValue(const QVariant &value);
    void clearParameters();

    // --- running ---
    // Runs the statement and holds its rows; does nothing when already open. Throws DbError and
    // stays closed on failure.
    void open();
    // Discards a pending change and the rows.
    void close();
    bool isActive() const { return m_state != Inactive; }
    void setActive(bool active) { active ? open() : close(); }
    // Rows read as they are asked for (grids), not all at open(): open() reads the first
    // FetchBatch rows (with a limit, so that an ordered result shows before all its rows are
    // sorted) and the statement runs whole when more are asked for; rows() counts the rows
    // read so far,
    // canFetchMore() says whether more are there and fetchMore() reads the next ones; moving to
    // a row (next, moveTo, last) reads up to it. recordCount() is still the whole count, asked
    // of the engine when there are rows left to read. For results that are only read: a
    // change (append, edit, delete) reads the rest first. Takes effect at the next open().
    void setFetchOnDemand(bool on) { m_onDemand = on; }
    bool fetchOnDemand() const { return m_onDemand; }
    // Rows read a page (FetchBatch rows) at a time where they are looked at, for a grid that
    // moves anywhere in a large result and changes it: open() reads the first page and counts
    // the rest, rows() is the whole count from then on, and a row not read yet is read with its
    // page (the statement with a limit and an offset) when a value of it is asked for; last()
    // reads only the last page. fetchAll() reads every row still missing in one run of the
    // statement. An appended record comes last, as in a static result. A statement with a
    // limit of its own is read whole. Takes effect at the next open().
    void setFetchByPage(bool on) { m_byPage = on; }
    bool fetchByPage() const { return m_byPage; }
    static constexpr int FetchBatch = 256;
    bool canFetchMore() const { return m_pending != nullptr || m_wholeStatementDue; }
    void fetchMore(int rows = FetchBatch);
    void fetchAll();
    // Runs a statement that returns no rows (a select is run and its rows dropped); returns the
    // number of changed rows. The open state is not affected.
    int execSQL();

    // --- persistent fields ---
    void setFieldDefs(const QList<FieldDef> &defs);

    // --- result ---
    int recordCount() const;
    bool isEmpty() const { return !canFetchMore() && recordCount() == 0; }
    int recNo() const { return m_state == Inactive || m_rows.empty() ? 0 : m_current + 1; }
    int currentRow() const { return m_current; } // 0-based; -1 when there is none
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    void first();
    void last();
    void next();
    void prior();
    // Moves to a 0-based row (grids use this).
    void moveTo(int row);

    int fieldCount() const { return m_fields.size(); }
    QStringList fieldNames() const;
    Field field(int index) const;                 // throws DbError when out of range
    Field fieldByName(const QString &name) const; // throws DbError when missing
    Field findField(const QString &name) const;   // invalid Field when missing

    // Values of any row without moving (grids); in edit or insert state the current row shows
    // the pending values. rows() counts a record being inserted.
    int rows() const { return m_state == Inactive ? 0 : int(m_rows.size()); }
    QVariant valueAt(int row, int field) const;
    QString textAt(int row, int field) const;
    QString displayTextAt(int row, int field) const;
    // textAt() as UTF-8 (empty for NULL): text and whole numbers as the engine gave them, a view
    // into the row; other values converted into `scratch`. Valid while the row and `scratch`
    // stay as they are.
    QByteArrayView utf8At(int row, int field, QByteArray &scratch) const;

    // --- record changes ---
    State state() const { return m_state; }
    bool modified() const { return m_modified; }
    bool canModify() const { return !m_table.isEmpty() && m_keyColumn >= 0; }
    // The table that changes are written to (empty for a result that cannot be changed).
    QString updateTable() const { return m_table; }
    void append();
    void insert() { append(); }
    // An empty result goes to insert state, as a record must exist to be edited.
    void edit();
    // Writes the pending change; on failure throws DbError and the record stays in its state.
    void post();
    void cancel();
    void deleteRecord();

signals:
    // Opened, closed or reloaded: everything may have changed. Views get the "about to" signal
    // before the rows change and the other one after.
    void aboutToReset();
    void resetDone();
    void rowAboutToBeInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowInserted(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    // Rows first..last are about to be appended by fetchMore(), and were.
    void rowsAboutToBeFetched(int first, int last);
    void rowsFetched();
    void currentChanged();
    void stateChanged();
    // A value of the current record changed (pending, not yet posted).
    void fieldChanged(int field);

private:
    friend class Field;
    friend class Connection;
    friend class StatementText;

    struct Column
    {
        QString name;
        QString table;  // origin table, empty for expressions
        QString origin; // origin column
        bool paddedNumber = false;
    };
    struct FieldInfo
    {
        int column; // result column
        FieldDef def;
    };

    void statementChanged();
    QString label() const;
    void checkActive() const;
    void checkEditing() const;
    // Posts a modified record, cancels an unmodified one (before moving or closing).
    void checkBrowseMode();
    void setState(State s);
    void setCurrent(int row);
    void resolveFields();
    void bindParameters(sqlite3_stmt *stmt) const;
    QVariant cell(int row, int column) const;
    QVariant pending(int column) const;
    void setFieldValue(int field, const QVariant &value);
    char *allocateRow(qsizetype bytes);
    const char *rowFromStatement(sqlite3_stmt *stmt);
    const char *rowFromValues(const QVector<QVariant> &values);
    const char *fetchRow(const QVariant &key, const QVector<QVariant> &fallback);
    void releaseRows();
    // Reads rows of the pending statement until `row` exists (or the result ends).
    void fetchUntil(int row);
    void startWholeStatement();
    // The packed record of a row, its page read first when it was not read yet.
    const char *rowAt(int row) const;
    void readPage(int row);
    void fillMissingRows();
    QString columnText(int column, const QVariant &v) const;
    int wholeCount() const;

    Connection *m_connection = nullptr;
    StatementText m_sql{this};
    QHash<QString, QVariant> m_named;
    QVariantList m_positional;
    QList<FieldDef> m_defs;

    State m_state = Inactive;
    QVector<Column> m_columns;
    QVector<FieldInfo> m_fields;
    QHash<QString, int> m_fieldIndex; // lower-case name -> field
    // One packed record per row (see query.cpp), allocated in large blocks: no allocation per
    // row while loading and little overhead per row. A posted record is packed anew; the old
    // bytes stay in their block until the query closes. nullptr marks a record being inserted.
    std::vector<const char *> m_rows;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    char *m_free = nullptr;
    qsizetype m_freeBytes = 0;
    bool m_onDemand = false;
    bool m_byPage = false;
    // The open result is read by page: rows not read yet hold a marker in their place.
    bool m_paged = false;
    // The statement of a result not yet read to its end, and the whole count once asked.
    std::unique_ptr<db::Statement> m_pending;
    mutable int m_wholeCount = -1;
    // The first rows were read with a limit; the whole statement runs at the next fetchMore().
    bool m_wholeStatementDue = false;
    int m_current = -1;
    bool m_eof = true;
    bool m_bof = true;

    QString m_table;
    int m_keyColumn = -1;

    QVector<QVariant> m_buffer; // pending values by result column (edit/insert)
    QVector<bool> m_changed;
    bool m_modified = false;
    int m_beforeInsert = -1;
};

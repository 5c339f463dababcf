#include "db/cardlog.h"

#include "common/clock.h"
#include "common/globals.h"
#include "db/connection.h"
#include "db/dberror.h"
#include "db/like.h"
#include "db/texts.h"

#include <QDateTime>
#include <sqlite3.h>

namespace cardlog {

namespace {

namespace h = texts::db::history;

// The operation in progress: set and put back by Operation, read by the triggers.
QString currentOperation;
QString currentGroups;

void resultText(sqlite3_context *context, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(context, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void timeFunction(sqlite3_context *context, int, sqlite3_value **)
{
    resultText(context, timeText(appclock::now()));
}

void accountFunction(sqlite3_context *context, int, sqlite3_value **)
{
    resultText(context, UserName);
}

// The operation in progress, or the argument: what the change is without one.
void operationFunction(sqlite3_context *context, int, sqlite3_value **arguments)
{
    if (currentOperation.isEmpty())
        sqlite3_result_value(context, arguments[0]);
    else
        resultText(context, currentOperation);
}

void groupsFunction(sqlite3_context *context, int, sqlite3_value **)
{
    if (currentGroups.isEmpty())
        sqlite3_result_null(context);
    else
        resultText(context, currentGroups);
}

const QString Columns =
    QStringLiteral("操作时间, 操作员, 操作, 卡片内码, 车辆编号, 车牌号码, 原有效期限, "
                   "新有效期限, 原卡片状态, 新卡片状态, 门组, 结果");

QString quoted(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

QString triggers()
{
    const QString insert = QStringLiteral("INSERT INTO CardLog(") + Columns +
                           QStringLiteral(") VALUES (cardlog_time(), cardlog_account(), ");
    const QString saved = quoted(h::Saved);
    return QStringLiteral(
               "CREATE TEMP TRIGGER IF NOT EXISTS cardlog_added AFTER INSERT ON main.CZdata BEGIN "
               "%1 cardlog_operation(%2), NEW.卡片内码, NEW.车辆编号, NEW.车牌号码, NULL, "
               "NEW.卡片有效期限, NULL, NEW.卡片状态, cardlog_groups(), %5); END;"
               "CREATE TEMP TRIGGER IF NOT EXISTS cardlog_changed AFTER UPDATE ON main.CZdata "
               "BEGIN %1 cardlog_operation(%3), NEW.卡片内码, NEW.车辆编号, NEW.车牌号码, "
               "OLD.卡片有效期限, NEW.卡片有效期限, OLD.卡片状态, NEW.卡片状态, cardlog_groups(), "
               "%5); END;"
               "CREATE TEMP TRIGGER IF NOT EXISTS cardlog_deleted AFTER DELETE ON main.CZdata "
               "BEGIN %1 cardlog_operation(%4), OLD.卡片内码, OLD.车辆编号, OLD.车牌号码, "
               "OLD.卡片有效期限, NULL, OLD.卡片状态, NULL, NULL, %5); END;"
               "CREATE TEMP TRIGGER IF NOT EXISTS cardlog_unchangeable BEFORE UPDATE ON "
               "main.CardLog BEGIN SELECT RAISE(ABORT, %6); END;")
        .arg(insert, quoted(h::RecordAdded), quoted(h::RecordEdited), quoted(h::RecordDeleted),
             saved, quoted(h::NoEditing));
}

bool hasTables(sqlite3 *db)
{
    db::Statement st(db, QStringLiteral("SELECT count(*) FROM main.sqlite_master WHERE type = "
                                        "'table' AND name IN ('CZdata', 'CardLog')"));
    return st.step() && sqlite3_column_int(st.get(), 0) == 2;
}

void bindText(sqlite3_stmt *st, int index, const QString &text)
{
    if (text.isNull()) {
        sqlite3_bind_null(st, index);
        return;
    }
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(st, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

} // namespace

QString timeText(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

void install(sqlite3 *db)
{
    if (!hasTables(db))
        return;
    const int flags = SQLITE_UTF8;
    struct Function
    {
        const char *name;
        int arguments;
        void (*call)(sqlite3_context *, int, sqlite3_value **);
    };
    const Function functions[] = {{"cardlog_time", 0, timeFunction},
                                  {"cardlog_account", 0, accountFunction},
                                  {"cardlog_operation", 1, operationFunction},
                                  {"cardlog_groups", 0, groupsFunction}};
    for (const Function &f : functions) {
        if (sqlite3_create_function(db, f.name, f.arguments, flags, nullptr, f.call, nullptr,
                                    nullptr) != SQLITE_OK)
            throw DbError(db::lastError(db));
    }
    db::exec(db, triggers());
}

Operation::Operation(const QString &name, const QString &gateGroups)
    : m_previousName(currentOperation)
    , m_previousGroups(currentGroups)
{
    currentOperation = name;
    currentGroups = gateGroups;
}

Operation::~Operation()
{
    currentOperation = m_previousName;
    currentGroups = m_previousGroups;
}

void append(sqlite3 *db, const Entry &entry)
{
    db::Statement st(db, QStringLiteral("INSERT INTO CardLog(") + Columns +
                             QStringLiteral(") VALUES (?, ?, ?, ?, ?, ?, ?, ?, NULL, NULL, ?, ?)"));
    bindText(st.get(), 1, timeText(appclock::now()));
    bindText(st.get(), 2, UserName);
    bindText(st.get(), 3, entry.operation);
    bindText(st.get(), 4, entry.cardCode);
    bool number = false;
    const qlonglong vehicle = entry.vehicleNumber.toLongLong(&number);
    if (number)
        sqlite3_bind_int64(st.get(), 5, vehicle);
    else
        bindText(st.get(), 5, entry.vehicleNumber.isEmpty() ? QString() : entry.vehicleNumber);
    bindText(st.get(), 6, entry.plate);
    bindText(st.get(), 7, entry.validityBefore);
    bindText(st.get(), 8, entry.validityAfter);
    bindText(st.get(), 9, entry.gateGroups);
    bindText(st.get(), 10, entry.outcome);
    st.step();
}

void append(Connection &connection, const Entry &entry)
{
    const Connection::Use use(connection);
    append(use.handle(), entry);
}

owners::Selection selection(const Search &search)
{
    owners::Selection s{QStringLiteral("select * from CardLog where 1"), {}};
    if (!search.cardCode.isEmpty()) {
        s.sql += QStringLiteral(" and 卡片内码 like '%' || :card || '%' escape '!'");
        s.parameters.append({QStringLiteral("card"), db::likeKey(search.cardCode)});
    }
    if (!search.plate.isEmpty()) {
        s.sql += QStringLiteral(" and 车牌号码 like '%' || :plate || '%' escape '!'");
        s.parameters.append({QStringLiteral("plate"), db::likeKey(search.plate)});
    }
    if (!search.account.isEmpty()) {
        s.sql += QStringLiteral(" and 操作员 = :account");
        s.parameters.append({QStringLiteral("account"), search.account});
    }
    if (search.from.isValid()) {
        s.sql += QStringLiteral(" and 操作时间 >= :from");
        s.parameters.append({QStringLiteral("from"), timeText(search.from.startOfDay())});
    }
    if (search.to.isValid()) {
        s.sql += QStringLiteral(" and 操作时间 < :to");
        s.parameters.append({QStringLiteral("to"), timeText(search.to.addDays(1).startOfDay())});
    }
    s.sql += QStringLiteral(" order by 序号 desc");
    return s;
}

int deleteHistoryOf(Connection &connection, const QString &cardCode)
{
    const Connection::Use use(connection);
    db::Statement st(use.handle(), QStringLiteral("DELETE FROM CardLog WHERE 卡片内码 = ?"));
    bindText(st.get(), 1, cardCode);
    st.step();
    return sqlite3_changes(use.handle());
}

} // namespace cardlog

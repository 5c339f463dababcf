#include "db/ownerarchive.h"

#include "common/keys.h"
#include "db/connection.h"
#include "db/dberror.h"
#include "db/like.h"
#include "db/query.h"

#include <sqlite3.h>

namespace owners {

namespace {

const QString SelectAll = QStringLiteral("select * from CZdata");

void bindText(sqlite3_stmt *st, int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(st, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

QString textOf(sqlite3_stmt *st, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, column)));
}

// The columns in the order the record reads them.
const QString RecordColumns =
    QStringLiteral("id, 车辆编号, 卡片内码, 车主姓名, 车牌号码, 汽车类型, 车主手机, 车辆信息, "
                   "车场车位, 卡片有效期限, 住址, 卡片状态");

OwnerRecord recordOf(sqlite3_stmt *st)
{
    OwnerRecord r;
    r.id = sqlite3_column_int64(st, 0);
    // Stored as a number, shown as at least four digits (as the queries show it).
    if (sqlite3_column_type(st, 1) == SQLITE_INTEGER)
        r.vehicleNumber =
            QStringLiteral("%1").arg(sqlite3_column_int64(st, 1), 4, 10, QLatin1Char('0'));
    else
        r.vehicleNumber = textOf(st, 1);
    QString *const texts[] = {&r.cardCode,    &r.ownerName,    &r.plate,    &r.carType, &r.mobile,
                              &r.vehicleInfo, &r.parkingSpace, &r.validity, &r.address, &r.status};
    for (int i = 0; i < 10; ++i)
        *texts[i] = textOf(st, i + 2);
    return r;
}

std::optional<OwnerRecord> firstRecord(sqlite3 *db, const Selection &selection)
{
    // The selection's own statement, with its columns in the record's order and the lowest id
    // first.
    QString sql = selection.sql;
    sql.replace(SelectAll,
                QStringLiteral("select ") + RecordColumns + QStringLiteral(" from CZdata"));
    db::Statement st(db, sql + QStringLiteral(" order by id limit 1"));
    for (const auto &[name, value] : selection.parameters) {
        const int index =
            sqlite3_bind_parameter_index(st.get(), (QLatin1Char(':') + name).toUtf8().constData());
        if (value.typeId() == QMetaType::LongLong)
            sqlite3_bind_int64(st.get(), index, value.toLongLong());
        else
            bindText(st.get(), index, value.toString());
    }
    if (!st.step())
        return std::nullopt;
    return recordOf(st.get());
}

} // namespace

QString columnName(KeyColumn column)
{
    switch (column) {
    case KeyColumn::Plate:
        return QStringLiteral("车牌号码");
    case KeyColumn::OwnerName:
        return QStringLiteral("车主姓名");
    case KeyColumn::CardCode:
        break;
    }
    return QStringLiteral("卡片内码");
}

Selection everyRecord()
{
    return {SelectAll, {}};
}

Selection noRecord()
{
    return {SelectAll + QStringLiteral(" where 0"), {}};
}

Selection byVehicleNumber()
{
    return {SelectAll + QStringLiteral(" order by 车辆编号"), {}};
}

Selection byCard(const QString &code)
{
    if (code.size() != 8)
        return containing(KeyColumn::CardCode, code, true);
    return {SelectAll + QStringLiteral(" where 卡片内码 = :code"),
            {{QStringLiteral("code"), code}}};
}

Selection containing(KeyColumn column, const QString &key, bool alsoById)
{
    if (key.isEmpty())
        return noRecord();
    Selection s{SelectAll + QStringLiteral(" where ") + columnName(column) + db::ContainsKey,
                {{QStringLiteral("key"), db::likeKey(key)}}};
    if (alsoById && keys::isAllDigits(key)) {
        s.sql += QStringLiteral(" or id=:id");
        // Digits beyond any id select no record by id, as a number that large matches none.
        bool ok = false;
        const qlonglong id = key.toLongLong(&ok);
        s.parameters.append({QStringLiteral("id"), ok ? QVariant(id) : QVariant(-1)});
    }
    return s;
}

Selection expiredBefore(const QString &day)
{
    return {SelectAll + QStringLiteral(" where 卡片有效期限 < :startrq"),
            {{QStringLiteral("startrq"), day}}};
}

Selection validityBetween(const QString &first, const QString &last)
{
    return {SelectAll + QStringLiteral(" where 卡片有效期限 >=:startrq and 卡片有效期限 <=:endrq"),
            {{QStringLiteral("startrq"), first}, {QStringLiteral("endrq"), last}}};
}

void open(Query &q, const Selection &selection)
{
    q.close();
    q.sql().clear();
    q.sql().add(selection.sql);
    for (const auto &[name, value] : selection.parameters)
        q.setParameter(name, value);
    q.open();
}

OwnerArchive::OwnerArchive(Connection &connection)
    : m_connection(connection)
{}

LastVehicleNumber OwnerArchive::lastVehicleNumber()
{
    const Connection::Use use(m_connection);
    // max() orders as "order by 车辆编号" does (numbers before text, nulls left out) and reads
    // the one end of the index.
    db::Statement st(
        use.handle(),
        QStringLiteral("select exists(select 1 from CZdata), max(车辆编号) from CZdata"));
    st.step();
    LastVehicleNumber last;
    last.archiveEmpty = sqlite3_column_int(st.get(), 0) == 0;
    switch (sqlite3_column_type(st.get(), 1)) {
    case SQLITE_NULL:
        break;
    case SQLITE_INTEGER:
        last.number = qlonglong(sqlite3_column_int64(st.get(), 1));
        break;
    default:
        last.number = textOf(st.get(), 1);
        break;
    }
    return last;
}

std::optional<OwnerRecord> OwnerArchive::findByCard(const QString &code)
{
    const Connection::Use use(m_connection);
    return firstRecord(use.handle(), {SelectAll + QStringLiteral(" where 卡片内码 = :code"),
                                      {{QStringLiteral("code"), code}}});
}

std::optional<OwnerRecord> OwnerArchive::firstContaining(const QString &digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    const Connection::Use use(m_connection);
    return firstRecord(use.handle(), containing(KeyColumn::CardCode, digits, true));
}

bool OwnerArchive::setColumns(const QString &code, const QList<QPair<QString, QString>> &columns)
{
    static const QStringList StatusColumns = {
        QStringLiteral("卡片状态"), QStringLiteral("卡片有效期限"), QStringLiteral("车辆信息")};
    if (columns.isEmpty())
        throw DbError(QStringLiteral("no column to set"));
    QStringList assignments;
    for (const auto &column : columns) {
        if (!StatusColumns.contains(column.first))
            throw DbError(QStringLiteral("CZdata.%1 is not a status column").arg(column.first));
        assignments << column.first + QStringLiteral(" = ?");
    }
    const Connection::Use use(m_connection);
    db::Statement st(use.handle(), QStringLiteral("update CZdata set ") +
                                       assignments.join(QStringLiteral(", ")) +
                                       QStringLiteral(" where 卡片内码 = ?"));
    int index = 1;
    for (const auto &column : columns)
        bindText(st.get(), index++, column.second);
    bindText(st.get(), index, code);
    st.step();
    return sqlite3_changes(use.handle()) > 0;
}

int OwnerArchive::countValidityBetween(const QString &first, const QString &last)
{
    const Connection::Use use(m_connection);
    db::Statement st(use.handle(),
                     QStringLiteral("select count(*) from CZdata where 卡片有效期限 >= ? and "
                                    "卡片有效期限 <= ?"));
    bindText(st.get(), 1, first);
    bindText(st.get(), 2, last);
    st.step();
    return sqlite3_column_int(st.get(), 0);
}

} // namespace owners

#pragma once
// The owner archive, table CZdata: every statement the program runs on it is written here, with
// every value bound, never spliced into the text. Two kinds of use:
//
//  - selections a window shows in a query of its own (the archive window's grid, the card tab's
//    bound fields): a Selection is a statement with its parameters, and open() runs it on the
//    window's query. Records are inserted and edited through that query, which writes them back
//    with bound values;
//  - reads and writes that need no cursor: the last vehicle number, one card's record, the status
//    columns of a card, the count of a validity range. They use the connection directly and
//    leave it as they found it (a connection opened for them is closed again when no query holds
//    it).
//
// Card codes compare without regard to case, as the column does.
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>
#include <optional>

class Connection;
class Query;

namespace owners {

// A statement on CZdata and the values of its named parameters (names without the colon).
struct Selection
{
    QString sql;
    QList<QPair<QString, QVariant>> parameters;
};

// The columns a search looks in.
enum class KeyColumn { CardCode, Plate, OwnerName };
QString columnName(KeyColumn column);

Selection everyRecord();
Selection noRecord();
Selection byVehicleNumber(); // every record, in the order of their vehicle numbers
// The record of one card: an exact match for a full eight-character code, containing(CardCode,
// code, true) otherwise.
Selection byCard(const QString &code);
// Records whose column contains `key` (LIKE, case-insensitive for Latin letters; %, _ and ! are
// characters to find). With alsoById an all-digit key also selects the record whose id it is. An
// empty key selects nothing (a bound empty key would match every row).
Selection containing(KeyColumn column, const QString &key, bool alsoById = false);
// Records whose stored validity ("yyyy年MM月dd日") is before `day`, or within [first, last].
Selection expiredBefore(const QString &day);
Selection validityBetween(const QString &first, const QString &last);

// Closes q, replaces its statement with the selection's, binds the values and opens it. Throws
// DbError.
void open(Query &q, const Selection &selection);

// One record's columns as stored (the vehicle number as its zero-padded text).
struct OwnerRecord
{
    qint64 id = 0;
    QString vehicleNumber;
    QString cardCode;
    QString ownerName;
    QString plate;
    QString carType;
    QString mobile;
    QString vehicleInfo;
    QString parkingSpace;
    QString validity;
    QString address;
    QString status;
};

// Whether the archive has records, and the largest vehicle number (null when no record has one).
struct LastVehicleNumber
{
    bool archiveEmpty = true;
    QVariant number;
};

class OwnerArchive
{
public:
    explicit OwnerArchive(Connection &connection);

    // Answered by the index on 车辆编号, whatever the size of the archive. Throws DbError.
    LastVehicleNumber lastVehicleNumber();
    // The record of a card (the whole code, compared without case). Throws DbError.
    std::optional<OwnerRecord> findByCard(const QString &code);
    // The first record (lowest id) of containing(CardCode, digits, true): whose card code
    // contains the digits, or whose id they are. Throws DbError.
    std::optional<OwnerRecord> firstContaining(const QString &digits);
    // Sets the status columns of a card's record (卡片状态, 卡片有效期限, 车辆信息: what loss and
    // unloss write) in one statement; false when there is no such record. Any other column is
    // refused with DbError, as is a failure of the engine; nothing is written then.
    bool setColumns(const QString &code, const QList<QPair<QString, QString>> &columns);
    // The number of records whose validity lies in [first, last]. Throws DbError.
    int countValidityBetween(const QString &first, const QString &last);

private:
    Connection &m_connection;
};

} // namespace owners

#pragma once
// The logic of issuing that is not about widgets: vehicle numbering, validity texts, the fields
// a card line carries, the gate-group mask, the owner fields' byte limits and the mobile number.
#include <QDate>
#include <QString>
#include <QVariant>
#include <array>

class Query;

namespace cards {

// The next vehicle number for a new archive record. lastNumber is 车辆编号 of the record with
// the largest number (invalid when the archive is empty, null when that record has none).
struct VehicleNumber
{
    QString text;
    bool append = false; // false: the last record has no number and nothing may be appended
};
VehicleNumber nextVehicleNumber(bool archiveEmpty, const QVariant &lastNumber);

// "20yy年mm月dd日": the validity as the card carries it (two year digits behind a fixed "20").
QString validityText(const QDate &date);
// The range of dates a card can carry.
QDate firstValidityDate();
QDate lastValidityDate();

// The gate groups: bit n-1 stands for group n.
int groupMask(const std::array<int, 8> &bits);
// The group number of a card read as edt8 shows it: the text's integer value (0 when it is
// none) masked to 8 bits.
int groupNumber(const QString &text);
bool groupSelected(int mask, int group); // group 1..8
// The groups of a mask as the card history shows them: "1,3,8" (empty for none).
QString groupListText(int mask);

// The owner fields of the card tab, their columns and typing limits in GBK bytes.
struct OwnerField
{
    const char *control;
    QString column;
    int maxBytes; // 0: not limited
};
const std::array<OwnerField, 11> &ownerFields();
int maxBytesOf(const QString &control);

// What an owner field keeps of text the user typed, pasted or dropped: the first line only (as
// a one-line field shows it), without control or direction-format characters, cut at a whole
// character to maxBytes GBK bytes (0: not limited).
QString ownerFieldText(const QString &text, int maxBytes);
// The same for a column of CZdata edited anywhere (the archive grid as well): the column's
// limit, and digits only for the mobile number.
QString ownerColumnText(const QString &column, const QString &text);

// A mobile number goes on with exactly 11 digits.
bool isMobileNumber(const QString &text);

// True when a database refusal is the archive's refusal of a second record with the same card
// code (the duplicate-card path); any other failure is not.
bool isDuplicateCardRefusal(const QString &databaseText);

// Selects the archive record of a card for a write: the exact code for a full eight-character
// code, the containing lookup otherwise.
void openCardRecord(Query *q, const QString &code);

} // namespace cards

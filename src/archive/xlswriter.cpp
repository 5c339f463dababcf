// The .xls writer: a BIFF8 workbook stream (globals, one worksheet of LABELSST cells, the shared
// string table) inside a version 3 compound file with one "Workbook" stream.
#include "archive/sheetwriters.h"
#include "archive/texts.h"

#include <QHash>
#include <QtEndian>
#include <cstring>
#include <vector>

namespace sheet {

namespace {

// Record types.
enum : quint16 {
    rtEOF = 0x000A,
    rtCalcCount = 0x000C,
    rtCalcMode = 0x000D,
    rtPrecision = 0x000E,
    rtRefMode = 0x000F,
    rtDelta = 0x0010,
    rtIteration = 0x0011,
    rtProtect = 0x0012,
    rtPassword = 0x0013,
    rtWindowProtect = 0x0019,
    rtDateMode = 0x0022,
    rtPrintHeaders = 0x002A,
    rtPrintGridlines = 0x002B,
    rtFont = 0x0031,
    rtContinue = 0x003C,
    rtWindow1 = 0x003D,
    rtBackup = 0x0040,
    rtCodePage = 0x0042,
    rtDefColWidth = 0x0055,
    rtSaveRecalc = 0x005F,
    rtColInfo = 0x007D,
    rtGuts = 0x0080,
    rtWsBool = 0x0081,
    rtGridSet = 0x0082,
    rtCountry = 0x008C,
    rtHideObj = 0x008D,
    rtBoundSheet = 0x0085,
    rtBookBool = 0x00DA,
    rtXF = 0x00E0,
    rtSST = 0x00FC,
    rtLabelSST = 0x00FD,
    rtExtSST = 0x00FF,
    rtUsesElfs = 0x0160,
    rtDimensions = 0x0200,
    rtWindow2 = 0x023E,
    rtDefaultRowHeight = 0x0225,
    rtStyle = 0x0293,
    rtBOF = 0x0809,
};

// The most data one record (or one CONTINUE) carries.
constexpr int MaxRecordData = 8224;
// The text cells' format: built-in number format 49, "@".
constexpr quint16 TextXF = 21;

class Bytes
{
public:
    explicit Bytes(QByteArray &out)
        : b(out)
    {}
    void u8(quint8 v) { b.append(char(v)); }
    void u16(quint16 v)
    {
        char x[2];
        qToLittleEndian(v, x);
        b.append(x, 2);
    }
    void u32(quint32 v)
    {
        char x[4];
        qToLittleEndian(v, x);
        b.append(x, 4);
    }
    void f64(double v)
    {
        quint64 bits;
        std::memcpy(&bits, &v, 8);
        char x[8];
        qToLittleEndian(bits, x);
        b.append(x, 8);
    }
    void raw(const QByteArray &d) { b.append(d); }
    void record(quint16 type, const QByteArray &data)
    {
        u16(type);
        u16(quint16(data.size()));
        b.append(data);
    }
    qsizetype size() const { return b.size(); }
    QByteArray &b;
};

// A record built field by field.
class Rec
{
public:
    Rec()
        : w(data)
    {}
    QByteArray data;
    Bytes w;
};

bool needsHighBytes(const QString &s)
{
    for (QChar c : s)
        if (c.unicode() > 0xFF)
            return true;
    return false;
}

// Characters of a string in the record form: one byte each (compressed) or UTF-16LE.
void appendChars(QByteArray &out, const QChar *chars, qsizetype n, bool high)
{
    if (high) {
        const qsizetype at = out.size();
        out.resize(at + n * 2);
        char *p = out.data() + at;
        for (qsizetype i = 0; i < n; ++i)
            qToLittleEndian(chars[i].unicode(), p + 2 * i);
    } else {
        for (qsizetype i = 0; i < n; ++i)
            out.append(char(chars[i].unicode()));
    }
}

// ShortXLUnicodeString: 8-bit count, option byte, characters (font and sheet names).
void shortString(Bytes &w, const QString &s)
{
    const bool high = needsHighBytes(s);
    w.u8(quint8(s.size()));
    w.u8(high ? 1 : 0);
    appendChars(w.b, s.constData(), s.size(), high);
}

void writeFont(Bytes &w, const QString &name, quint16 height, quint16 weight)
{
    Rec r;
    r.w.u16(height); // twips
    r.w.u16(0);      // no italic, strike-out ...
    r.w.u16(0x7FFF); // automatic colour
    r.w.u16(weight);
    r.w.u16(0);   // no super/subscript
    r.w.u8(0);    // no underline
    r.w.u8(0);    // family
    r.w.u8(0x86); // GB2312 character set: the Chinese font is picked
    r.w.u8(0);
    shortString(r.w, name);
    w.record(rtFont, r.data);
}

// An XF record; flags as BIFF8 lays them out.
void writeXF(Bytes &w, quint16 font, quint16 format, bool style, quint16 usedAttributes)
{
    Rec r;
    r.w.u16(font);
    r.w.u16(format);
    r.w.u16(style ? 0xFFF5 : 0x0001); // locked; a style XF has no parent
    r.w.u8(0x20);                     // general alignment, bottom
    r.w.u8(0);                        // no rotation
    r.w.u16(usedAttributes);
    r.w.u32(0); // no borders
    r.w.u32(0);
    r.w.u16(0x20C0); // pattern colours: automatic foreground and background
    w.record(rtXF, r.data);
}

void writeStyle(Bytes &w, quint16 xf, quint8 builtIn)
{
    Rec r;
    r.w.u16(0x8000 | xf);
    r.w.u8(builtIn);
    r.w.u8(0xFF);
    w.record(rtStyle, r.data);
}

void writeU16Record(Bytes &w, quint16 type, quint16 value)
{
    Rec r;
    r.w.u16(value);
    w.record(type, r.data);
}

struct SharedStrings
{
    QHash<QString, quint32> index;
    std::vector<QString> strings;
    quint32 total = 0;

    quint32 add(const QString &s)
    {
        ++total;
        auto it = index.constFind(s);
        if (it != index.constEnd())
            return it.value();
        const quint32 i = quint32(strings.size());
        index.insert(s, i);
        strings.push_back(s);
        return i;
    }
};

// The SST record and its CONTINUE records, then EXTSST. A string's count and option byte never
// part; its characters may continue in the next record, which then starts with the option byte
// again. A character is never cut. EXTSST gives readers the stream position of every bucket's
// first string.
void writeSST(Bytes &w, const SharedStrings &sst)
{
    const quint32 unique = quint32(sst.strings.size());
    // Strings per EXTSST bucket: at least 8, and no more than 128 buckets.
    quint16 perBucket = 8;
    while ((unique + perBucket - 1) / perBucket > 128)
        perBucket = quint16(perBucket * 2);
    struct Bucket
    {
        quint32 streamPos;
        quint16 recordPos;
    };
    std::vector<Bucket> buckets;

    QByteArray current;
    Bytes cw(current);
    cw.u32(sst.total);
    cw.u32(unique);
    quint16 currentType = rtSST;
    const auto flush = [&](quint16 nextType) {
        w.record(currentType, current);
        current.clear();
        currentType = nextType;
    };

    for (quint32 i = 0; i < unique; ++i) {
        const QString &s = sst.strings[i];
        const bool high = needsHighBytes(s);
        const int charBytes = high ? 2 : 1;
        // The header and, when there is one, the first character stay together.
        if (current.size() + 3 + (s.isEmpty() ? 0 : charBytes) > MaxRecordData)
            flush(rtContinue);
        if (i % perBucket == 0)
            buckets.push_back(
                {quint32(w.size() + 4 + current.size()), quint16(4 + current.size())});
        cw.u16(quint16(s.size()));
        cw.u8(high ? 1 : 0);
        qsizetype done = 0;
        while (done < s.size()) {
            qsizetype room = (MaxRecordData - current.size()) / charBytes;
            if (room == 0) {
                flush(rtContinue);
                cw.u8(high ? 1 : 0);
                room = (MaxRecordData - current.size()) / charBytes;
            }
            const qsizetype n = qMin(room, s.size() - done);
            appendChars(current, s.constData() + done, n, high);
            done += n;
        }
    }
    flush(rtContinue);

    Rec ext;
    ext.w.u16(perBucket);
    for (const Bucket &b : buckets) {
        ext.w.u32(b.streamPos);
        ext.w.u16(b.recordPos);
        ext.w.u16(0);
    }
    w.record(rtExtSST, ext.data);
}

void writeBOF(Bytes &w, quint16 kind)
{
    Rec r;
    r.w.u16(0x0600); // BIFF8
    r.w.u16(kind);
    r.w.u16(0x0DBB); // build
    r.w.u16(0x07CC); // year
    r.w.u32(0x000000C1);
    r.w.u32(0x00000006);
    w.record(rtBOF, r.data);
}

void check(const Table &table)
{
    if (table.rowCount() + 1 > XlsMaxRows)
        throw ExportError(texts::archive::XlsTooManyRows.arg(table.rowCount()).arg(XlsMaxRows - 1));
    if (table.columnCount() > XlsMaxColumns)
        throw ExportError(
            texts::archive::XlsTooManyColumns.arg(table.columnCount()).arg(XlsMaxColumns));
}

void checkCell(const QString &s, int row, int column)
{
    if (s.size() > MaxCellChars)
        throw ExportError(
            texts::archive::CellTooLong.arg(row + 1).arg(column + 1).arg(MaxCellChars));
}

// The workbook stream.
QByteArray workbookStream(const Table &table)
{
    check(table);
    const int columns = table.columnCount();
    const int rows = table.rowCount() + 1;

    // The cells first: their strings make the shared string table of the globals.
    SharedStrings sst;
    QByteArray cells;
    cells.reserve(qsizetype(rows) * columns * 14);
    Bytes cw(cells);
    const auto cell = [&](int row, int column, const QString &s) {
        if (s.isEmpty())
            return;
        checkCell(s, row, column);
        cw.u16(rtLabelSST);
        cw.u16(10);
        cw.u16(quint16(row));
        cw.u16(quint16(column));
        cw.u16(TextXF);
        cw.u32(sst.add(s));
    };
    for (int c = 0; c < columns; ++c)
        cell(0, c, table.columnName(c));
    for (int r = 1; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            cell(r, c, table.text(r - 1, c));

    QByteArray out;
    Bytes w(out);

    // Workbook globals.
    writeBOF(w, 0x0005);
    writeU16Record(w, rtCodePage, 0x04B0); // UTF-16
    writeU16Record(w, rtWindowProtect, 0);
    writeU16Record(w, rtProtect, 0);
    writeU16Record(w, rtPassword, 0);
    {
        Rec r;
        r.w.u16(0x0168); // position and size in twips
        r.w.u16(0x001E);
        r.w.u16(0x4000);
        r.w.u16(0x2000);
        r.w.u16(0x0038); // horizontal and vertical scroll bars, sheet tabs
        r.w.u16(0);      // active sheet
        r.w.u16(0);      // first visible tab
        r.w.u16(1);      // selected sheets
        r.w.u16(0x0258); // tab bar width ratio
        w.record(rtWindow1, r.data);
    }
    writeU16Record(w, rtBackup, 0);
    writeU16Record(w, rtHideObj, 0);
    writeU16Record(w, rtDateMode, 0);
    writeU16Record(w, rtPrecision, 1);
    writeU16Record(w, rtBookBool, 0);
    // Readers count fonts 0 to 3, then 5 (there is no font 4): four records for the first four.
    const QString fontName = QStringLiteral("宋体");
    for (int i = 0; i < 4; ++i)
        writeFont(w, fontName, 220, 400);
    // The 15 style XFs and the default cell XF every BIFF8 reader expects, the five XFs of the
    // built-in number styles, then the text cell XF.
    writeXF(w, 0, 0, true, 0);
    for (int i = 1; i < 15; ++i)
        writeXF(w, i <= 2 ? 1 : (i <= 4 ? 2 : 0), 0, true, 0xF400);
    writeXF(w, 0, 0, false, 0);
    for (quint16 fmt : {0x2B, 0x29, 0x2C, 0x2A, 0x09})
        writeXF(w, 1, fmt, true, 0xF800);
    writeXF(w, 0, 0x31, false, 0x0400);
    writeStyle(w, 0x10, 3); // Comma
    writeStyle(w, 0x11, 6); // Comma [0]
    writeStyle(w, 0x12, 4); // Currency
    writeStyle(w, 0x13, 7); // Currency [0]
    writeStyle(w, 0x00, 0); // Normal
    writeStyle(w, 0x14, 5); // Percent
    writeU16Record(w, rtUsesElfs, 0);
    const qsizetype boundSheetAt = w.size();
    {
        Rec r;
        r.w.u32(0); // stream position of the sheet's BOF, set below
        r.w.u8(0);  // visible
        r.w.u8(0);  // worksheet
        shortString(r.w, QStringLiteral("Sheet1"));
        w.record(rtBoundSheet, r.data);
    }
    {
        Rec r;
        r.w.u16(86);
        r.w.u16(86);
        w.record(rtCountry, r.data);
    }
    writeSST(w, sst);
    w.record(rtEOF, {});

    // The worksheet.
    qToLittleEndian(quint32(out.size()), out.data() + boundSheetAt + 4);
    writeBOF(w, 0x0010);
    writeU16Record(w, rtCalcMode, 1);
    writeU16Record(w, rtCalcCount, 100);
    writeU16Record(w, rtRefMode, 1);
    writeU16Record(w, rtIteration, 0);
    {
        Rec r;
        r.w.f64(0.001);
        w.record(rtDelta, r.data);
    }
    writeU16Record(w, rtSaveRecalc, 1);
    writeU16Record(w, rtPrintHeaders, 0);
    writeU16Record(w, rtPrintGridlines, 0);
    writeU16Record(w, rtGridSet, 1);
    {
        Rec r;
        r.w.u32(0);
        r.w.u32(0);
        w.record(rtGuts, r.data);
    }
    {
        Rec r;
        r.w.u16(0);
        r.w.u16(0x0127); // 295 twips (14.75 pt), room for the Chinese font
        w.record(rtDefaultRowHeight, r.data);
    }
    writeU16Record(w, rtWsBool, 0x04C1);
    writeU16Record(w, rtDefColWidth, 8);
    if (columns > 0) {
        // Every column is a text column; widths for the usual lengths of archive values.
        Rec r;
        r.w.u16(0);
        r.w.u16(quint16(columns - 1));
        r.w.u16(14 * 256);
        r.w.u16(TextXF);
        r.w.u16(0);
        r.w.u16(0);
        w.record(rtColInfo, r.data);
    }
    {
        Rec r;
        r.w.u32(0);
        r.w.u32(quint32(rows));
        r.w.u16(0);
        r.w.u16(quint16(columns));
        r.w.u16(0);
        w.record(rtDimensions, r.data);
    }
    w.raw(cells);
    {
        Rec r;
        r.w.u16(0x06B6); // grid lines, headings, zeros, selected, shown in page break view
        r.w.u16(0);
        r.w.u16(0);
        r.w.u16(64); // automatic grid colour
        r.w.u16(0);
        r.w.u16(0);
        r.w.u16(0);
        r.w.u32(0);
        w.record(rtWindow2, r.data);
    }
    w.record(rtEOF, {});
    return out;
}

// The compound file around one stream named "Workbook".
constexpr int SectorSize = 512;
constexpr quint32 FreeSect = 0xFFFFFFFF;
constexpr quint32 EndOfChain = 0xFFFFFFFE;
constexpr quint32 FatSect = 0xFFFFFFFD;
constexpr quint32 DifSect = 0xFFFFFFFC;
constexpr quint32 NoStream = 0xFFFFFFFF;
// Streams below this size would go to the mini stream; the workbook is padded up to it instead.
constexpr int MiniStreamCutoff = 4096;
constexpr int HeaderDifat = 109;
constexpr int FatPerSector = SectorSize / 4;
constexpr int DifatPerSector = FatPerSector - 1;

void directoryEntry(Bytes &w, const QString &name, quint8 type, quint32 child, quint32 start,
                    quint32 size)
{
    const qsizetype at = w.size();
    appendChars(w.b, name.constData(), name.size(), true);
    w.b.append(QByteArray(64 - name.size() * 2, '\0'));
    w.u16(name.isEmpty() ? 0 : quint16((name.size() + 1) * 2));
    w.u8(type);
    w.u8(1); // black
    w.u32(NoStream);
    w.u32(NoStream);
    w.u32(child);
    w.b.append(QByteArray(16 + 4 + 8 + 8, '\0')); // class id, state, times
    w.u32(start);
    w.u32(size);
    w.u32(0);
    Q_ASSERT(w.size() - at == 128);
}

QByteArray compoundFile(QByteArray stream)
{
    if (stream.size() < MiniStreamCutoff)
        stream.append(QByteArray(MiniStreamCutoff - stream.size(), '\0'));
    const quint32 streamSize = quint32(stream.size());
    const quint32 streamSectors = (streamSize + SectorSize - 1) / SectorSize;
    stream.append(QByteArray(qsizetype(streamSectors) * SectorSize - streamSize, '\0'));

    // FAT and DIFAT sectors cover themselves too: grow them until they fit.
    quint32 fatSectors = 1, difatSectors = 0;
    for (;;) {
        const quint32 total = streamSectors + 1 + fatSectors + difatSectors;
        const quint32 needFat = (total + FatPerSector - 1) / FatPerSector;
        const quint32 needDifat =
            needFat > HeaderDifat ? (needFat - HeaderDifat + DifatPerSector - 1) / DifatPerSector
                                  : 0;
        if (needFat == fatSectors && needDifat == difatSectors)
            break;
        fatSectors = qMax(fatSectors, needFat);
        difatSectors = qMax(difatSectors, needDifat);
    }
    const quint32 dirSector = streamSectors;
    const quint32 firstFat = dirSector + 1;
    const quint32 firstDifat = firstFat + fatSectors;

    QByteArray out;
    out.reserve(SectorSize * qsizetype(1 + streamSectors + 1 + fatSectors + difatSectors));
    Bytes w(out);

    // Header.
    w.raw(QByteArray::fromHex("D0CF11E0A1B11AE1"));
    w.raw(QByteArray(16, '\0'));
    w.u16(0x003E);
    w.u16(0x0003);
    w.u16(0xFFFE);
    w.u16(9); // 512-byte sectors
    w.u16(6); // 64-byte mini sectors
    w.raw(QByteArray(6, '\0'));
    w.u32(0); // directory sectors (always 0 in version 3)
    w.u32(fatSectors);
    w.u32(dirSector);
    w.u32(0);
    w.u32(MiniStreamCutoff);
    w.u32(EndOfChain); // no mini FAT
    w.u32(0);
    w.u32(difatSectors ? firstDifat : EndOfChain);
    w.u32(difatSectors);
    for (int i = 0; i < HeaderDifat; ++i)
        w.u32(quint32(i) < fatSectors ? firstFat + quint32(i) : FreeSect);

    w.raw(stream);

    directoryEntry(w, QStringLiteral("Root Entry"), 5, 1, EndOfChain, 0);
    directoryEntry(w, QStringLiteral("Workbook"), 2, NoStream, 0, streamSize);
    directoryEntry(w, QString(), 0, NoStream, 0, 0);
    directoryEntry(w, QString(), 0, NoStream, 0, 0);

    const quint32 fatEntries = fatSectors * FatPerSector;
    for (quint32 s = 0; s < fatEntries; ++s) {
        quint32 v = FreeSect;
        if (s < streamSectors)
            v = s + 1 == streamSectors ? EndOfChain : s + 1;
        else if (s == dirSector)
            v = EndOfChain;
        else if (s >= firstFat && s < firstDifat)
            v = FatSect;
        else if (s >= firstDifat && s < firstDifat + difatSectors)
            v = DifSect;
        w.u32(v);
    }

    for (quint32 d = 0; d < difatSectors; ++d) {
        for (int i = 0; i < DifatPerSector; ++i) {
            const quint32 fat = HeaderDifat + d * DifatPerSector + quint32(i);
            w.u32(fat < fatSectors ? firstFat + fat : FreeSect);
        }
        w.u32(d + 1 < difatSectors ? firstDifat + d + 1 : EndOfChain);
    }
    return out;
}

} // namespace

QByteArray xlsBytes(const Table &table)
{
    return compoundFile(workbookStream(table));
}

} // namespace sheet

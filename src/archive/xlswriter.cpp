// The .xls writer: a BIFF8 workbook stream (globals with the shared string table, one worksheet
// of text cells) inside a version 3 compound file with one "Workbook" stream, written as the
// cells are read: each cell's UTF-8 from the table goes straight into its LABEL record.
#include "archive/sheetwriters.h"
#include "archive/texts.h"

#include <QHash>
#include <QtEndian>
#include <cstring>
#include <functional>
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
    rtLabel = 0x0204,
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

// Cells of up to this many characters are LABEL records with their text inline, written as
// they are read; longer ones (rare) go to the shared string table, which precedes the sheet.
constexpr int MaxLabelChars = 255;
constexpr int CellHeader = 4 + 9; // record type and size; row, column, XF, count, option byte
constexpr qsizetype FlushSize = 1 << 20;

void put16(char *p, quint16 v)
{
    qToLittleEndian(v, p);
}

// A LABEL record of UTF-8 bytes of at most MaxLabelChars characters: plain ASCII is copied as
// one byte a character, anything else is decoded to UTF-16 (an invalid byte reads as U+FFFD).
void labelFromUtf8(QByteArray &b, quint16 row, quint16 column, QByteArrayView v)
{
    const qsizetype n = v.size();
    const auto *in = reinterpret_cast<const uchar *>(v.data());
    bool ascii = true;
    for (qsizetype i = 0; i < n && ascii; ++i)
        ascii = in[i] < 0x80;
    const qsizetype at = b.size();
    qsizetype chars = n;
    if (ascii) {
        b.resize(at + CellHeader + n);
        std::memcpy(b.data() + at + CellHeader, in, size_t(n));
    } else {
        // Never more UTF-16 units than UTF-8 bytes.
        b.resize(at + CellHeader + 2 * n);
        char *out = b.data() + at + CellHeader;
        qsizetype units = 0;
        const auto unit = [&](char16_t u) { put16(out + 2 * units++, u); };
        for (qsizetype i = 0; i < n;) {
            const uchar c = in[i];
            int extra = 0;
            char32_t cp = 0;
            if (c < 0x80) {
                cp = c;
            } else if (c >= 0xC2 && c < 0xE0) {
                extra = 1;
                cp = c & 0x1F;
            } else if (c >= 0xE0 && c < 0xF0) {
                extra = 2;
                cp = c & 0x0F;
            } else if (c >= 0xF0 && c < 0xF5) {
                extra = 3;
                cp = c & 0x07;
            } else {
                unit(0xFFFD);
                ++i;
                continue;
            }
            bool ok = i + extra < n;
            for (int k = 1; ok && k <= extra; ++k) {
                ok = (in[i + k] & 0xC0) == 0x80;
                cp = (cp << 6) | (in[i + k] & 0x3F);
            }
            static constexpr char32_t least[] = {0, 0x80, 0x800, 0x10000};
            if (!ok || cp < least[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) {
                unit(0xFFFD);
                ++i;
                continue;
            }
            i += 1 + extra;
            if (cp >= 0x10000) {
                unit(char16_t(0xD7C0 + (cp >> 10)));
                unit(char16_t(0xDC00 | (cp & 0x3FF)));
            } else {
                unit(char16_t(cp));
            }
        }
        b.resize(at + CellHeader + 2 * units);
        chars = units;
    }
    char *p = b.data() + at;
    put16(p, rtLabel);
    put16(p + 2, quint16(b.size() - at - 4));
    put16(p + 4, row);
    put16(p + 6, column);
    put16(p + 8, TextXF);
    put16(p + 10, quint16(chars));
    p[12] = ascii ? 0 : 1;
}

void labelFromText(QByteArray &b, quint16 row, quint16 column, const QString &s)
{
    const bool high = needsHighBytes(s);
    Bytes w(b);
    w.u16(rtLabel);
    w.u16(quint16(9 + s.size() * (high ? 2 : 1)));
    w.u16(row);
    w.u16(column);
    w.u16(TextXF);
    w.u16(quint16(s.size()));
    w.u8(high ? 1 : 0);
    appendChars(b, s.constData(), s.size(), high);
}

void labelSst(QByteArray &b, quint16 row, quint16 column, quint32 index)
{
    Bytes w(b);
    w.u16(rtLabelSST);
    w.u16(10);
    w.u16(row);
    w.u16(column);
    w.u16(TextXF);
    w.u32(index);
}

// The workbook globals, with the shared strings, for a sheet that starts right after them.
QByteArray globalsStream(const SharedStrings &sst)
{
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
    qToLittleEndian(quint32(out.size()), out.data() + boundSheetAt + 4);
    return out;
}

// The worksheet's records before its cells.
void writeSheetHead(Bytes &w, int rows, int columns)
{
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
}

void writeSheetTail(Bytes &w)
{
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

struct Layout
{
    quint32 streamSize = 0; // at least MiniStreamCutoff
    quint32 streamSectors = 0;
    quint32 fatSectors = 1;
    quint32 difatSectors = 0;
    quint32 dirSector = 0;
    quint32 firstFat = 0;
    quint32 firstDifat = 0;
};

// Header, stream sectors, the directory sector, FAT and DIFAT sectors, in that order.
Layout layoutFor(quint32 streamSize)
{
    Layout l;
    l.streamSize = qMax(streamSize, quint32(MiniStreamCutoff));
    l.streamSectors = (l.streamSize + SectorSize - 1) / SectorSize;
    // FAT and DIFAT sectors cover themselves too: grow them until they fit.
    for (;;) {
        const quint32 total = l.streamSectors + 1 + l.fatSectors + l.difatSectors;
        const quint32 needFat = (total + FatPerSector - 1) / FatPerSector;
        const quint32 needDifat =
            needFat > HeaderDifat ? (needFat - HeaderDifat + DifatPerSector - 1) / DifatPerSector
                                  : 0;
        if (needFat == l.fatSectors && needDifat == l.difatSectors)
            break;
        l.fatSectors = qMax(l.fatSectors, needFat);
        l.difatSectors = qMax(l.difatSectors, needDifat);
    }
    l.dirSector = l.streamSectors;
    l.firstFat = l.dirSector + 1;
    l.firstDifat = l.firstFat + l.fatSectors;
    return l;
}

QByteArray compoundHeader(const Layout &l)
{
    QByteArray out;
    Bytes w(out);
    w.raw(QByteArray::fromHex("D0CF11E0A1B11AE1"));
    w.raw(QByteArray(16, '\0'));
    w.u16(0x003E);
    w.u16(0x0003);
    w.u16(0xFFFE);
    w.u16(9); // 512-byte sectors
    w.u16(6); // 64-byte mini sectors
    w.raw(QByteArray(6, '\0'));
    w.u32(0); // directory sectors (always 0 in version 3)
    w.u32(l.fatSectors);
    w.u32(l.dirSector);
    w.u32(0);
    w.u32(MiniStreamCutoff);
    w.u32(EndOfChain); // no mini FAT
    w.u32(0);
    w.u32(l.difatSectors ? l.firstDifat : EndOfChain);
    w.u32(l.difatSectors);
    for (int i = 0; i < HeaderDifat; ++i)
        w.u32(quint32(i) < l.fatSectors ? l.firstFat + quint32(i) : FreeSect);
    Q_ASSERT(out.size() == SectorSize);
    return out;
}

// What follows the stream's last sector: the directory, the FAT and the DIFAT.
QByteArray compoundTrailer(const Layout &l)
{
    QByteArray out;
    out.reserve(SectorSize * qsizetype(1 + l.fatSectors + l.difatSectors));
    Bytes w(out);
    directoryEntry(w, QStringLiteral("Root Entry"), 5, 1, EndOfChain, 0);
    directoryEntry(w, QStringLiteral("Workbook"), 2, NoStream, 0, l.streamSize);
    directoryEntry(w, QString(), 0, NoStream, 0, 0);
    directoryEntry(w, QString(), 0, NoStream, 0, 0);

    const quint32 fatEntries = l.fatSectors * FatPerSector;
    for (quint32 s = 0; s < fatEntries; ++s) {
        quint32 v = FreeSect;
        if (s < l.streamSectors)
            v = s + 1 == l.streamSectors ? EndOfChain : s + 1;
        else if (s == l.dirSector)
            v = EndOfChain;
        else if (s >= l.firstFat && s < l.firstDifat)
            v = FatSect;
        else if (s >= l.firstDifat && s < l.firstDifat + l.difatSectors)
            v = DifSect;
        w.u32(v);
    }

    for (quint32 d = 0; d < l.difatSectors; ++d) {
        for (int i = 0; i < DifatPerSector; ++i) {
            const quint32 fat = HeaderDifat + d * DifatPerSector + quint32(i);
            w.u32(fat < l.fatSectors ? l.firstFat + fat : FreeSect);
        }
        w.u32(d + 1 < l.difatSectors ? l.firstDifat + d + 1 : EndOfChain);
    }
    return out;
}

} // namespace

QByteArray writeXls(const Table &table, const std::function<void(const char *, qsizetype)> &write)
{
    check(table);
    const int columns = table.columnCount();
    const int rows = table.rowCount() + 1;
    QByteArray scratch;
    const auto cellBytes = [&](int row, int column) {
        if (row > 0)
            return table.utf8(row - 1, column, scratch);
        scratch = table.columnName(column).toUtf8();
        return QByteArrayView(scratch);
    };

    // The shared string table precedes the sheet: a first look finds the cells too long for a
    // LABEL record (only those whose UTF-8 is longer, as every character takes a byte at least).
    SharedStrings sst;
    std::vector<quint32> longCells;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const QByteArrayView v = cellBytes(r, c);
            if (v.size() <= MaxLabelChars)
                continue;
            const QString s = QString::fromUtf8(v);
            checkCell(s, r, c);
            if (s.size() > MaxLabelChars)
                longCells.push_back(sst.add(s));
        }
    }

    qint64 streamSize = 0;
    QByteArray out(SectorSize, '\0'); // the header's place, written last
    out.reserve(FlushSize + 64 * 1024);
    const auto flush = [&] {
        write(out.constData(), out.size());
        out.truncate(0);
    };
    out.append(globalsStream(sst));
    {
        Bytes w(out);
        writeSheetHead(w, rows, columns);
    }
    std::size_t nextLong = 0;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const QByteArrayView v = cellBytes(r, c);
            if (v.isEmpty())
                continue;
            if (v.size() <= MaxLabelChars) {
                labelFromUtf8(out, quint16(r), quint16(c), v);
                continue;
            }
            const QString s = QString::fromUtf8(v);
            if (s.size() > MaxLabelChars)
                labelSst(out, quint16(r), quint16(c), longCells[nextLong++]);
            else
                labelFromText(out, quint16(r), quint16(c), s);
        }
        if (out.size() >= FlushSize) {
            streamSize += out.size();
            flush();
        }
    }
    {
        Bytes w(out);
        writeSheetTail(w);
    }
    streamSize += out.size() - SectorSize; // the header's place is no part of the stream
    // A stream below the mini stream's cutoff is padded up to it, and the last sector filled.
    const Layout layout = layoutFor(quint32(streamSize));
    out.append(QByteArray(qsizetype(layout.streamSectors) * SectorSize - streamSize, '\0'));
    out.append(compoundTrailer(layout));
    flush();
    return compoundHeader(layout);
}

QByteArray xlsBytes(const Table &table)
{
    QByteArray file;
    const QByteArray header =
        writeXls(table, [&file](const char *data, qsizetype size) { file.append(data, size); });
    file.replace(0, header.size(), header);
    return file;
}

} // namespace sheet

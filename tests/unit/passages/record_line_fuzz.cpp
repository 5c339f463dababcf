// Fuzz target of the record file reading: any bytes, read as a record file and split into rows,
// must keep the invariants the import relies on (and never crash, hang or read out of bounds).
#include "common/gbk.h"
#include "passages/recordfiles.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
void check(bool ok)
{
    if (!ok)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray raw(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray text = records::recordText(raw);
    // NULs that end a line or the file are gone; inside a line they stay as bytes.
    check(!text.endsWith('\0'));
    const QList<QByteArray> lines = records::splitLines(text);
    records::RowReader reader;
    for (const QByteArray &line : lines) {
        check(!line.contains('\r') && !line.contains('\n') && !line.endsWith('\0'));
        const records::SplitLine split = records::splitRecordLine(line);
        check(split.fields.size() <= records::LeadingFieldSlots);
        check(!split.recordPart.contains(' '));
        for (const QByteArray &field : split.fields)
            check(field.endsWith(' ') && field.indexOf(' ') == field.size() - 1);
        const records::PassageRow row = reader.row(line);
        check(row.direction == QStringLiteral("进") || row.direction == QStringLiteral("出"));
        check(gbk::byteLength(row.cardCode) <= 8 && gbk::byteLength(row.readerAddress) <= 2);
        check(row.cardCode == records::passageRow(line).cardCode);
    }
    check(records::splitLines(records::joinLines(lines)) == lines);

    // Read piece by piece, the file gives the same lines wherever the pieces end: in thirds
    // (the cut points move with the input) and, for short inputs, one byte at a time.
    const auto inPieces = [&](qsizetype piece) {
        records::RecordLineReader reader;
        QList<QByteArray> out;
        for (qsizetype at = 0; at < raw.size(); at += piece)
            reader.feed(raw.constData() + at, qMin(piece, raw.size() - at), out);
        reader.finish(out);
        return out;
    };
    check(inPieces(qMax<qsizetype>(1, raw.size() / 3 + (size ? data[0] % 3 : 0))) == lines);
    if (size <= 512)
        check(inPieces(1) == lines);
    return 0;
}

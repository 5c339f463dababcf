// Runs the fuzz target where libFuzzer is not available (GCC): the fixture files, then a fixed
// number of deterministic mutations of them that favour the bytes the parser cares about
// (blanks, line ends, NUL, GBK lead bytes, the byte-order mark).
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

uint64_t state = 0x9E3779B97F4A7C15ull;
uint64_t next()
{
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}

void run(const QByteArray &input)
{
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(input.constData()),
                           size_t(input.size()));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s RUNS CORPUS_DIR...\n", argv[0]);
        return 2;
    }
    const long runs = std::strtol(argv[1], nullptr, 10);
    QList<QByteArray> corpus;
    for (int i = 2; i < argc; ++i) {
        const QDir dir(QString::fromLocal8Bit(argv[i]));
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
            QFile f(dir.filePath(name));
            if (f.open(QIODevice::ReadOnly))
                corpus << f.readAll();
        }
    }
    corpus << QByteArray();
    for (const QByteArray &c : corpus)
        run(c);
    static const char interesting[] = {' ',    ' ',    '\r',   '\n',   '\0',   '\t', '\x81',
                                       '\xFE', '\xB0', '\xEF', '\xBB', '\xBF', '1',  ','};
    for (long r = 0; r < runs; ++r) {
        QByteArray input = corpus.at(int(next() % uint64_t(corpus.size())));
        const int edits = 1 + int(next() % 8);
        for (int e = 0; e < edits; ++e) {
            const qsizetype at =
                input.isEmpty() ? 0 : qsizetype(next() % uint64_t(input.size() + 1));
            const char byte =
                next() % 3 == 0 ? char(next()) : interesting[next() % sizeof(interesting)];
            switch (next() % 3) {
            case 0:
                input.insert(at, byte);
                break;
            case 1:
                if (at < input.size())
                    input[at] = byte;
                break;
            default:
                if (at < input.size())
                    input.remove(at, 1 + qsizetype(next() % 4));
            }
        }
        run(input);
    }
    std::printf("%ld inputs, no failure\n", runs + long(corpus.size()));
    return 0;
}

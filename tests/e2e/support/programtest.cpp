#include "programtest.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <iostream>

namespace e2e {

void ProgramTest::SetUp()
{
    ASSERT_TRUE(desk.ready());
    QProcess create;
    create.start(binary(QStringLiteral("velmora")),
                 {QStringLiteral("--dir"), dir.root(), QStringLiteral("--create-database"),
                  QStringLiteral("--admin-name"), QStringLiteral("admin"),
                  QStringLiteral("--admin-password"), QStringLiteral("admin123")});
    ASSERT_TRUE(create.waitForFinished(30000));
    ASSERT_EQ(create.exitCode(), 0);
}

void ProgramTest::TearDown()
{
    if (HasFailure()) {
        shoot(QStringLiteral("failure"));
        desk.program().kill();
        desk.program().waitForFinished(5000);
        std::cerr << "program: " << desk.program().readAllStandardError().toStdString() << '\n';
        for (auto &s : sims)
            std::cerr << "simulator: " << simulatorLog(s.get()).toStdString() << '\n';
        std::cerr << failureDetails().toStdString() << '\n';
    }
    for (auto &s : sims) {
        if (s->state() != QProcess::NotRunning) {
            s->write("quit\n");
            if (!s->waitForFinished(5000))
                s->kill();
        }
    }
}

QString ProgramTest::binary(const QString &relative)
{
    return testsupport::binDir() + QLatin1Char('/') + relative;
}

QString ProgramTest::sql(const QString &statement) const
{
    QProcess p;
    p.start(QStringLiteral("sqlcipher"),
            {QStringLiteral("-batch"), dir.path(QStringLiteral("Data/Data.mdb"))});
    p.write(("PRAGMA key='580274';\n" + statement + "\n").toUtf8());
    p.closeWriteChannel();
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QStringList ProgramTest::sqlRows(const QString &statement) const
{
    return sql(statement).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList ProgramTest::rowsSoon(const QString &statement, const QStringList &expected,
                                  int ms) const
{
    QStringList rows;
    QElapsedTimer clock;
    clock.start();
    while ((rows = sqlRows(statement)) != expected && clock.elapsed() < ms)
        QTest::qWait(500);
    return rows;
}

QProcess *ProgramTest::startSimulator(const QStringList &args)
{
    sims.push_back(std::make_unique<QProcess>());
    QProcess *p = sims.back().get();
    p->start(binary(QStringLiteral("tools/issuer-sim/velmora-issuer-sim")),
             QStringList{QStringLiteral("--dir"), dir.root()} + args);
    if (!p->waitForStarted() ||
        !Desktop::waitFor([p] { return p->canReadLine(); }, 5000) ||
        !p->readLine().startsWith("ready COM"))
        return nullptr;
    return p;
}

QByteArray ProgramTest::simulatorLog(QProcess *sim)
{
    if (!sim)
        sim = sims.empty() ? nullptr : sims.front().get();
    if (!sim)
        return {};
    m_logs[sim] += sim->readAllStandardError();
    return m_logs[sim];
}

QString ProgramTest::simulator(const QByteArray &commands, const QByteArray &last, QProcess *sim)
{
    if (!sim)
        sim = sims.front().get();
    sim->write(commands + '\n');
    QByteArray out;
    Desktop::waitFor(
        [&] {
            out += sim->readAllStandardOutput();
            return out.contains('\n' + last) || out.startsWith(last);
        },
        5000);
    return QString::fromUtf8(out);
}

void ProgramTest::logIn()
{
    ASSERT_TRUE(
        desk.start(binary(QStringLiteral("velmora")), {QStringLiteral("--dir"), dir.root()}));
    ASSERT_TRUE(desk.fill(QStringLiteral("edt2"), QStringLiteral("admin123"), 20000));
    desk.key(QStringLiteral("Return"));
    ASSERT_SOON(desk.control(QStringLiteral("rzpgcntrlrzpcrl1"), QStringLiteral("Form1")), 20000);
}

void ProgramTest::openTab(const QString &caption)
{
    std::optional<Control> tab;
    ASSERT_SOON(tab = desk.tab(caption), 5000);
    desk.click(*tab);
    ASSERT_SOON((tab = desk.tab(caption)) && tab->raw.value(QStringLiteral("current")).toBool(),
                5000);
}

QString ProgramTest::textOf(const QString &name) const
{
    const auto c = desk.control(name);
    return c ? c->text : QStringLiteral("<%1 not shown>").arg(name);
}

bool ProgramTest::hasFocus(const QString &name) const
{
    const auto c = desk.control(name);
    return c && c->focus;
}

QSet<QString> ProgramTest::confirmBoxes(int count)
{
    QSet<QString> texts;
    for (int i = 0; i < count; ++i) {
        const std::optional<QString> text = desk.answerTop(QStringLiteral("确定"));
        if (!text)
            break;
        texts.insert(*text);
    }
    return texts;
}

void ProgramTest::shoot(const QString &name)
{
    const QString folder = qEnvironmentVariable("VELMORA_E2E_SHOTS");
    if (!folder.isEmpty())
        desk.screenshot(QDir(folder).filePath(name + QStringLiteral(".png")));
}

} // namespace e2e

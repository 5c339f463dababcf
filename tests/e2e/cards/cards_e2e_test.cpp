// The real program with the issuer simulator on a virtual display, driven as an operator drives
// it: an administrator logs in, issues a card and a batch of ten on the card tab, extends a
// card, and reports a card lost and found again. The records are read back from the encrypted
// database file with the sqlcipher tool and compared with what the simulator wrote onto its cards.
#include "cards/issuing.h"
#include "cards/texts.h"
#include "programtest.h"

#include <QRegularExpression>
#include <QSet>
#include <csignal>
#include <gtest/gtest.h>

namespace {

namespace t = texts::cards;

class CardProgram : public e2e::ProgramTest
{
protected:
    QString failureDetails() const override
    {
        return QStringLiteral("archive:\n") + sql(QStringLiteral("select * from CZdata;"));
    }
    // The simulator in automatic mode: a card or the token is laid 1.5 s after each write
    // command (and a batch's cards 1.5 s apart), about as fast as a hand swaps cards; the
    // program reads each notification of the port after its pauses of 0.7 s. Then the
    // administrator logs in, the issuer link comes up and the card tab is opened.
    void logInToCardTab()
    {
        ASSERT_TRUE(startSimulator({QStringLiteral("--auto")}));
        logIn();
        ASSERT_SOON(simulatorLog().contains("reply 0500"), 30000);
        openTab(QStringLiteral("卡片管理"));
    }
};

// What the simulator wrote onto each card it issued: code → "YYYY-MM-DD groups GG".
QHash<QString, QString> cardsWritten(const QString &list)
{
    QHash<QString, QString> written;
    static const QRegularExpression line(
        QStringLiteral("^([0-9A-F]{8})  (\\d{4}-\\d\\d-\\d\\d groups [0-9A-F]{2})$"),
        QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(list); it.hasNext();) {
        const auto m = it.next();
        written.insert(m.captured(1), m.captured(2));
    }
    return written;
}

TEST_F(CardProgram, IssuesASingleCardAndABatchOfTen)
{
    logInToCardTab();
    const QDate today = QDate::currentDate();

    // ---- a single card: the owner's details, each followed by Enter ----
    ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("btn12")));
    ASSERT_SOON(shows(QStringLiteral("edt9"), QStringLiteral("1001")) &&
                    hasFocus(QStringLiteral("edt11")),
                5000);
    shoot(QStringLiteral("card-tab-single"));
    const QStringList owner = {QStringLiteral("张三丰"),   QStringLiteral("京A12345"),
                               QStringLiteral("越野车"),   QStringLiteral("13800138000"),
                               QStringLiteral("黑色奔驰"), QStringLiteral("A区201"),
                               QStringLiteral("A单元201")};
    const QStringList fields = {QStringLiteral("edt11"),  QStringLiteral("edt12"),
                                QStringLiteral("DBcbb3"), QStringLiteral("edt13"),
                                QStringLiteral("edt14"),  QStringLiteral("edt16"),
                                QStringLiteral("edt20")};
    for (int i = 0; i < owner.size(); ++i) {
        ASSERT_SOON(hasFocus(fields[i]), 5000) << "before " << owner[i].toStdString();
        // The car type is chosen from its list (typing it would meet the list's completion).
        if (fields[i] == QLatin1String("DBcbb3"))
            ASSERT_TRUE(desk.choose(fields[i], owner[i])) << textOf(fields[i]).toStdString();
        else
            ASSERT_TRUE(desk.typeInto(fields[i], owner[i])) << textOf(fields[i]).toStdString();
        desk.key(QStringLiteral("Return"));
    }
    // Enter in the address brings the date picker.
    const QDate singleValidity(today.year() + 2, today.month(), 15);
    ASSERT_SOON(desk.control(QStringLiteral("dtp1")), 5000);
    ASSERT_TRUE(desk.pickDate(QStringLiteral("dtp1"), singleValidity));
    ASSERT_SOON(shows(QStringLiteral("edt15"), cards::validityText(singleValidity)), 5000);
    for (const QString &group : {QStringLiteral("chk1"), QStringLiteral("chk5")})
        ASSERT_TRUE(desk.clickWhenEnabled(group));
    ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("btn3")));
    // The card is laid while the first box may still be open.
    EXPECT_EQ(confirmBoxes(2), (QSet<QString>{t::CommandSent, t::SingleSavedBox}));
    ASSERT_EQ(rowsSoon(QStringLiteral("select count(*) from CZdata;"), {"1"}, 10000),
              QStringList{"1"});
    const QStringList single =
        sqlRows(QStringLiteral("select 车辆编号, 卡片内码, 车主姓名, 车牌号码, 汽车类型, 车主手机, "
                               "车辆信息, 车场车位, 卡片有效期限, 住址 from CZdata;"));
    ASSERT_EQ(single.size(), 1);
    const QStringList singleColumns = single[0].split(QLatin1Char('|'));
    ASSERT_EQ(singleColumns.size(), 10);
    const QString singleCode = singleColumns[1];
    EXPECT_EQ(singleColumns, (QStringList{QStringLiteral("1001"), singleCode, owner[0], owner[1],
                                          owner[2], owner[3], owner[4], owner[5],
                                          cards::validityText(singleValidity), owner[6]}));

    // ---- a batch of ten: the validity and all gates, then ten cards one after another ----
    ASSERT_TRUE(simulator("batch 10\nlist", "plugged").contains(QStringLiteral("batch 10)")));
    ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("btn14")));
    ASSERT_SOON(shows(QStringLiteral("edt9"), QStringLiteral("1002")), 5000);
    ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("edt15")));
    const QDate batchValidity(today.year() + 1, today.month(), 3);
    ASSERT_TRUE(desk.pickDate(QStringLiteral("dtp1"), batchValidity));
    shoot(QStringLiteral("card-tab-batch"));
    ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("btn11")));
    ASSERT_SOON(desk.control(QStringLiteral("chk8")) &&
                    desk.control(QStringLiteral("chk8"))->checked,
                5000);
    ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("btn3")));
    EXPECT_EQ(confirmBoxes(1), QSet<QString>{t::CommandSent});
    ASSERT_EQ(rowsSoon(QStringLiteral("select count(*) from CZdata;"), {"11"}, 40000),
              QStringList{"11"});
    ASSERT_SOON(shows(QStringLiteral("edt9"), QStringLiteral("1012")), 5000);
    ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("btn4")));
    ASSERT_SOON(shows(QStringLiteral("wtxt"), t::IssueEnded), 5000);

    const QStringList batch =
        sqlRows(QStringLiteral("select 车辆编号, 卡片内码, 卡片有效期限 from CZdata "
                               "where 车辆编号 > 1001 order by 车辆编号;"));
    ASSERT_EQ(batch.size(), 10);
    const QHash<QString, QString> written = cardsWritten(simulator("list", "plugged"));
    QSet<QString> codes;
    for (int i = 0; i < batch.size(); ++i) {
        const QStringList row = batch[i].split(QLatin1Char('|'));
        ASSERT_EQ(row.size(), 3);
        EXPECT_EQ(row[0].toInt(), 1002 + i);
        EXPECT_EQ(row[2], cards::validityText(batchValidity));
        codes.insert(row[1]);
        // The card itself carries the validity and all eight gates.
        EXPECT_EQ(written.value(row[1]), batchValidity.toString(QStringLiteral("yyyy-MM-dd")) +
                                             QStringLiteral(" groups FF"))
            << row[1].toStdString();
    }
    EXPECT_EQ(codes.size(), 10);
    EXPECT_FALSE(codes.contains(singleCode));
    EXPECT_EQ(written.value(singleCode),
              singleValidity.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" groups 11"));
    // Eleven cards written, and the issuer back in read mode after the batch ended.
    EXPECT_EQ(written.size(), 11);
    const QByteArray log = simulatorLog();
    EXPECT_GT(log.lastIndexOf("ReadModeFrame"), log.lastIndexOf("written"));
    // Every card written has its history row, by the account logged in.
    EXPECT_EQ(
        sqlRows(QStringLiteral("select 操作, 操作员, count(*) from CardLog group by 操作 "
                               "order by 操作;")),
        (QStringList{QStringLiteral("单张发行|admin|1"), QStringLiteral("批量发行|admin|10")}));
}

TEST_F(CardProgram, ABatchLaidFasterThanTheReadsKeepsEveryCard)
{
    // Thirty cards 1 ms apart: the replies reach the port within one read's pauses, and every
    // card the issuer wrote must have its record.
    logInToCardTab();
    ASSERT_TRUE(
        simulator("batch 30\nauto-delay 1\nlist", "plugged").contains(QStringLiteral("batch 30)")));
    ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("btn14")));
    ASSERT_SOON(shows(QStringLiteral("edt9"), QStringLiteral("1001")), 5000);
    ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("edt15")));
    const QDate validity(QDate::currentDate().year() + 1, 6, 30);
    ASSERT_TRUE(desk.pickDate(QStringLiteral("dtp1"), validity));
    ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("btn11")));
    ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("btn3")));
    EXPECT_EQ(confirmBoxes(1), QSet<QString>{t::CommandSent});
    ASSERT_EQ(rowsSoon(QStringLiteral("select count(*) from CZdata;"), {"30"}, 60000),
              QStringList{"30"});
    const QHash<QString, QString> written = cardsWritten(simulator("list", "plugged"));
    EXPECT_EQ(written.size(), 30);
    const QStringList codes = sqlRows(QStringLiteral("select 卡片内码 from CZdata;"));
    EXPECT_EQ(QSet<QString>(codes.begin(), codes.end()),
              QSet<QString>(written.keyBegin(), written.keyEnd()));
}

TEST_F(CardProgram, TheEndOfTheSessionPutsTheIssuerBackInReadModeAndLeavesNoLock)
{
    // Logging out of the desktop sends SIGTERM: a batch left running would have the issuer write
    // the next card laid with nobody to record it.
    logInToCardTab();
    ASSERT_TRUE(simulator("batch 1\nlist", "plugged").contains(QStringLiteral("batch 1)")));
    ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("btn14")));
    ASSERT_SOON(shows(QStringLiteral("edt9"), QStringLiteral("1001")), 5000);
    ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("edt15")));
    ASSERT_TRUE(
        desk.pickDate(QStringLiteral("dtp1"), QDate(QDate::currentDate().year() + 1, 6, 30)));
    ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("btn11")));
    ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("btn3")));
    EXPECT_EQ(confirmBoxes(1), QSet<QString>{t::CommandSent});
    ASSERT_EQ(rowsSoon(QStringLiteral("select count(*) from CZdata;"), {"1"}, 20000),
              QStringList{"1"});
    const qsizetype before = simulatorLog().size();
    ::kill(desk.program().processId(), SIGTERM);
    ASSERT_TRUE(desk.program().waitForFinished(15000));
    EXPECT_EQ(desk.program().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(desk.program().exitCode(), 0);
    ASSERT_SOON(simulatorLog().mid(before).contains("ReadModeFrame"), 5000);

    // A copy killed outright keeps no later copy out: each start uses a lock name of its own, so
    // it is the program directory's lock that must not outlive its holder.
    logIn();
    desk.program().kill();
    ASSERT_TRUE(desk.program().waitForFinished(15000));
    logIn();
}

TEST_F(CardProgram, ReportsACardLostAndFoundAgain)
{
    // Two cards share their last six digits: the token names only those.
    ASSERT_EQ(
        sql(QStringLiteral("insert into CZdata (车辆编号, 卡片内码, 车主姓名, 卡片有效期限) values "
                           "(1001, '12345678', '张三', '2030年01月01日'), "
                           "(1002, '00345678', '李四', '2030年01月01日'), "
                           "(1003, '00A1B2C3', '王五', '2030年01月01日'); select changes();")),
        QStringLiteral("3"));
    logInToCardTab();
    const QString statuses =
        QStringLiteral("select 卡片内码 || '=' || 卡片状态 from CZdata order by 车辆编号;");

    struct Step
    {
        QString button, question, sent, written, status;
    };
    const Step steps[] = {
        {QStringLiteral("btn22"), t::LossQuestion, t::LossSent, t::LossWritten, t::StatusLost},
        {QStringLiteral("btn23"), t::UnlossQuestion, t::UnlossSent, t::UnlossWritten,
         t::StatusFound},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.button.toStdString());
        // Look the card up by its code, then report it.
        ASSERT_TRUE(desk.fill(QStringLiteral("edt17"), QStringLiteral("12345678")));
        ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("btn18")));
        ASSERT_SOON(shows(QStringLiteral("edt10"), QStringLiteral("12345678")), 5000);
        ASSERT_TRUE(desk.clickWhenEnabled(step.button));
        ASSERT_TRUE(desk.answer(step.question, QStringLiteral("是")));
        // The token is laid while the first box may still be open.
        EXPECT_EQ(confirmBoxes(2), (QSet<QString>{step.sent, step.written}));
        const QStringList expected = {QStringLiteral("12345678=") + step.status,
                                      QStringLiteral("00345678="), QStringLiteral("00A1B2C3=")};
        ASSERT_EQ(rowsSoon(statuses, expected, 10000), expected);

        // The archive window shows the state.
        ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("btn19")));
        std::optional<e2e::Control> grid;
        ASSERT_SOON(grid = desk.control(QStringLiteral("DBFLGrid"), QStringLiteral("Form7")), 5000);
        const auto stateShown = [&] {
            grid = desk.control(QStringLiteral("DBFLGrid"), QStringLiteral("Form7"));
            if (!grid)
                return QString();
            const QJsonArray header = grid->raw.value(QStringLiteral("header")).toArray();
            const int code = header.toVariantList().indexOf(QStringLiteral("卡片内码"));
            const int state = header.toVariantList().indexOf(QStringLiteral("卡片状态"));
            for (const QJsonValue &row : grid->raw.value(QStringLiteral("rows")).toArray())
                if (row.toArray().at(code).toString() == QLatin1String("12345678"))
                    return row.toArray().at(state).toString();
            return QString();
        };
        ASSERT_SOON(stateShown() == step.status, 5000) << stateShown().toStdString();
        shoot(QStringLiteral("archive-") + step.button);
        ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("btnExitCmd")));
        ASSERT_SOON(!desk.control(QStringLiteral("DBFLGrid")) &&
                        desk.control(QStringLiteral("edt17"), QStringLiteral("Form1")),
                    5000);
    }
    // The token was written twice, for that card only.
    EXPECT_EQ(simulatorLog().count("loss token written"), 2);
    EXPECT_EQ(sqlRows(QStringLiteral("select 操作, 卡片内码, 原卡片状态, 新卡片状态, 结果 from "
                                     "CardLog order by 序号;")),
              (QStringList{QStringLiteral("卡片挂失|12345678||已挂失|已保存"),
                           QStringLiteral("卡片解挂|12345678|已挂失|已解挂|已保存")}));
}

TEST_F(CardProgram, ExtendsTheCardThatIsLaidAgain)
{
    ASSERT_EQ(sql(QStringLiteral("insert into CZdata (车辆编号, 卡片内码, 车主姓名, 卡片有效期限) "
                                 "values (1001, '12345678', '张三', '2026年01月01日'); "
                                 "select changes();")),
              QStringLiteral("1"));
    logInToCardTab();
    // The operator lays the owner's own card, not a fresh one.
    ASSERT_TRUE(simulator("auto off\nlist", "plugged").contains(QStringLiteral("auto off")));

    ASSERT_TRUE(desk.fill(QStringLiteral("edt17"), QStringLiteral("12345678")));
    ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("btn18")));
    ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("btn13")));
    ASSERT_SOON(shows(QStringLiteral("wtxt"), t::ExtendPrompt), 5000);
    const QDate validity(QDate::currentDate().year() + 3, 12, 31);
    ASSERT_TRUE(desk.pickDate(QStringLiteral("dtp1"), validity));
    ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("chk2")));
    shoot(QStringLiteral("card-tab-extend"));
    ASSERT_TRUE(desk.clickWhenEnabled(QStringLiteral("btn3")));
    ASSERT_TRUE(desk.answer(t::CommandSent, QStringLiteral("确定")));
    ASSERT_TRUE(simulator("card 12345678\nlist", "plugged")
                    .contains(validity.toString(QStringLiteral("yyyy-MM-dd")) +
                              QStringLiteral(" groups 02")));
    ASSERT_TRUE(desk.answer(t::ExtendUpdatedBox, QStringLiteral("确定")));
    EXPECT_EQ(sqlRows(QStringLiteral("select 卡片内码, 卡片有效期限 from CZdata;")),
              QStringList{QStringLiteral("12345678|") + cards::validityText(validity)});
    EXPECT_EQ(sqlRows(QStringLiteral("select 操作, 卡片内码, 原有效期限, 新有效期限, 门组, 操作员 "
                                     "from CardLog;")),
              QStringList{QStringLiteral("卡片延期|12345678|2026年01月01日|") +
                          cards::validityText(validity) + QStringLiteral("|2|admin")});
    ASSERT_SOON(shows(QStringLiteral("wtxt"), t::ExtendDone), 5000);
}

} // namespace

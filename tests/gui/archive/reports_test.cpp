// The two reports rendered to PDF through the scripted preview and read back with pdftotext.
#include "archive/reportpreview.h"
#include "archive/reports.h"
#include "db/datafrm.h"
#include "testsupport.h"

#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>

namespace {

const QString Joined = QStringLiteral(
    "select cj.序号,cj.卡片内码,cz.车主姓名,cz.车牌号码,cj.进出时间,cj.进出状态,cj.读卡地址 from "
    "CZdata as cz left join CRJL as cj on cj.卡片内码=cz.卡片内码 order by 序号");

class ReportsTest : public testsupport::DatabaseTest
{
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        ReportPreview::beginScript();
        pdf = dir.path(QStringLiteral("report.pdf"));
    }
    void TearDown() override
    {
        // VELMORA_KEEP_REPORTS=DIR keeps each test's PDF there for a look.
        const QString keep = qEnvironmentVariable("VELMORA_KEEP_REPORTS");
        if (!keep.isEmpty() && QFile::exists(pdf))
            QFile::copy(pdf,
                        keep + QLatin1Char('/') +
                            QString::fromUtf8(
                                ::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                            QStringLiteral(".pdf"));
        EXPECT_EQ(ReportPreview::pendingPdfs(), 0);
        ReportPreview::endScript();
        DatabaseTest::TearDown();
    }

    void owners(int n)
    {
        QStringList values;
        for (int i = 0; i < n; ++i)
            values << QStringLiteral("(%1, '%2', '车主%3', '京A%4', '1390000%5', "
                                     "'2025年06月30日', '幸福路%3号')")
                          .arg(1001 + i)
                          .arg(QString::asprintf("%08X", 0xC0000000u + unsigned(i)))
                          .arg(i)
                          .arg(10000 + i)
                          .arg(1000 + i);
        execSql(QStringLiteral("insert into CZdata (车辆编号, 卡片内码, 车主姓名, 车牌号码, "
                               "车主手机, 卡片有效期限, 住址) values ") +
                values.join(QLatin1Char(',')));
    }

    // The text of one page (1-based), whitespace runs made single blanks.
    QString page(int number) const
    {
        QProcess p;
        p.start(QStringLiteral("pdftotext"),
                {QStringLiteral("-f"), QString::number(number), QStringLiteral("-l"),
                 QString::number(number), QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        if (!p.waitForFinished(60000) || p.exitCode() != 0)
            return QStringLiteral("<pdftotext failed: %1>")
                .arg(QString::fromUtf8(p.readAllStandardError()));
        return QString::fromUtf8(p.readAllStandardOutput())
            .replace(QRegularExpression(QStringLiteral("[\\s\\x{3000}]+")), QStringLiteral(" "));
    }

    int pages() const
    {
        QProcess p;
        p.start(QStringLiteral("pdfinfo"), {pdf});
        p.waitForFinished(60000);
        const auto m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                           .match(QString::fromUtf8(p.readAllStandardOutput()));
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }

    QString pdf;
};

// The archive report lists every owner, also while the archive window shows a search result;
// title on the first page, the header band with the same total on each page.
TEST_F(ReportsTest, ArchiveReportListsTheWholeArchiveOnPagesWithTheirHeader)
{
    owners(60);
    Query *grid = Datafrm->Qryda1;
    grid->setSQL(QStringLiteral("select * from CZdata where 车主姓名 like '%车主7%'"));
    grid->open();
    ASSERT_EQ(grid->recordCount(), 1);

    TRsRepFrm report;
    ReportPreview::queuePdf(pdf);
    EXPECT_TRUE(report.preview());
    EXPECT_EQ(ReportPreview::shownCount(), 1);
    EXPECT_EQ(ReportPreview::lastCaption(), QStringLiteral("档案表"));
    EXPECT_FALSE(report.qry3->isActive());
    EXPECT_EQ(grid->recordCount(), 1);

    ASSERT_EQ(pages(), 2);
    const QString first = page(1), second = page(2);
    EXPECT_TRUE(first.contains(QStringLiteral("车主档案表"))) << first.toStdString();
    EXPECT_FALSE(second.contains(QStringLiteral("车主档案表"))) << second.toStdString();
    for (const QString &caption :
         {QStringLiteral("车辆编号"), QStringLiteral("卡片内码"), QStringLiteral("车主姓名"),
          QStringLiteral("车牌号码"), QStringLiteral("车主手机"), QStringLiteral("卡片有效期"),
          QStringLiteral("住址")}) {
        EXPECT_TRUE(first.contains(caption)) << caption.toStdString();
        EXPECT_TRUE(second.contains(caption)) << caption.toStdString();
    }
    EXPECT_TRUE(first.contains(QStringLiteral("记录总数： 60 条"))) << first.toStdString();
    EXPECT_TRUE(second.contains(QStringLiteral("记录总数： 60 条"))) << second.toStdString();
    // A one-digit page number sits right before "页", where the layout puts it.
    EXPECT_TRUE(first.contains(QStringLiteral("第 1页"))) << first.toStdString();
    EXPECT_TRUE(second.contains(QStringLiteral("第 2页"))) << second.toStdString();
    EXPECT_TRUE(first.contains(
        QStringLiteral("1001 C0000000 车主0 京A10000 13900001000 2025年06月30日 幸福路0号")))
        << first.toStdString();
    EXPECT_TRUE(first.contains(QStringLiteral("1048 C000002F")));
    EXPECT_FALSE(first.contains(QStringLiteral("1049 ")));
    EXPECT_TRUE(second.contains(QStringLiteral("1049 C0000030 车主48")));
    EXPECT_TRUE(second.contains(QStringLiteral("1060 C000003B")));
}

TEST_F(ReportsTest, ThePreviewLaysOutOnlyThePageItShowsAndMovesThroughAllOfThem)
{
    // 100 000 owners: 2 000 pages, which the old preview laid out and kept in full before it
    // showed the first one.
    execSql(QStringLiteral(
        "with recursive n(i) as (select 0 union all select i + 1 from n where i < 99999) "
        "insert into CZdata (车辆编号, 卡片内码, 车主姓名) select 1001 + i, "
        "printf('%08X', 3221225472 + i), '车主' || i from n"));
    const int expected = report::pageCount(100000);
    bool looked = false;
    ReportPreview::inspectNext([&](QDialog *dialog) {
        looked = true;
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        auto *count = dialog->findChild<QLabel *>(QStringLiteral("reportPageCount"));
        auto *number = dialog->findChild<QSpinBox *>(QStringLiteral("reportPage"));
        auto *view = dialog->findChild<QWidget *>(QStringLiteral("reportPageView"));
        ASSERT_TRUE(count && number && view);
        EXPECT_EQ(count->text(), QStringLiteral("/ 共 %1 页").arg(expected));
        EXPECT_EQ(number->value(), 1);
        const QImage first = view->grab().toImage();
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("reportLast")),
                          Qt::LeftButton);
        EXPECT_EQ(number->value(), expected);
        const QImage last = view->grab().toImage();
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("reportPrevious")),
                          Qt::LeftButton);
        EXPECT_EQ(number->value(), expected - 1);
        // Each page is painted with its own text: ink on white paper, different pages.
        const auto inked = [](const QImage &img) {
            int dark = 0;
            for (int y = 0; y < img.height(); y += 2)
                for (int x = 0; x < img.width(); x += 2)
                    dark += qGray(img.pixel(x, y)) < 100;
            return dark;
        };
        EXPECT_GT(inked(first), 50);
        EXPECT_GT(inked(last), 10);
        EXPECT_NE(first, last);
    });
    TRsRepFrm report;
    EXPECT_TRUE(report.preview());
    EXPECT_TRUE(looked);
}

TEST_F(ReportsTest, CountsOfAThousandAndMoreStayApartFromTheirUnit)
{
    owners(1234);
    execSql(
        QStringLiteral("update CZdata set 住址 = '某省某市某区某街道幸福路一千二百三十四号院七栋' "
                       "where 车辆编号 = 2234"));
    TRsRepFrm report;
    ReportPreview::queuePdf(pdf);
    EXPECT_TRUE(report.preview());
    ASSERT_EQ(pages(), 26);
    const QString last = page(26);
    EXPECT_TRUE(last.contains(QStringLiteral("记录总数： 1234 条 第 26 页"))) << last.toStdString();
    // The long address ends at the right margin, cut on a whole character.
    EXPECT_TRUE(last.contains(QStringLiteral("2234 C00004D1 车主1233 京A11233 13900002233 "
                                             "2025年06月30日 某省某市某区某街道")))
        << last.toStdString();
    EXPECT_FALSE(last.contains(QStringLiteral("七栋"))) << last.toStdString();
}

TEST_F(ReportsTest, PassageReportBeforeAnyImportHasTheHeaderAndCountZero)
{
    owners(2);
    Query *q = Datafrm->Qrybb1;
    q->setSQL(QStringLiteral("select * from CRJL;"));
    q->open();
    TCRJLBB report;
    ReportPreview::queuePdf(pdf);
    EXPECT_TRUE(report.preview(q));
    EXPECT_EQ(ReportPreview::lastCaption(), QStringLiteral("出入记录报表"));
    ASSERT_EQ(pages(), 1);
    const QString text = page(1);
    EXPECT_TRUE(text.contains(QStringLiteral("出入记录表"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("记录总数： 0 条 第 1页"))) << text.toStdString();
    EXPECT_TRUE(
        text.contains(QStringLiteral("序号 卡片内码 车主姓名 车牌号码 进出时间 进出状态 读卡地址")))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("车主0")));
}

TEST_F(ReportsTest, PassageReportPrintsTheJoinedRowsFromACopy)
{
    owners(2);
    execSql(QStringLiteral("insert into CRJL (卡片内码, 车主姓名, 车牌号码, 进出时间, 进出状态, "
                           "读卡地址) values ('C0000001', 'x', 'y', '2024年03月01日08:15分', "
                           "'进', '01')"));
    Query *q = Datafrm->Qrybb1;
    q->setSQL(Joined);
    q->open();
    TCRJLBB report;
    ReportPreview::queuePdf(pdf);
    EXPECT_TRUE(report.preview(q));
    EXPECT_TRUE(q->isActive()); // the passage window closes it itself
    const QString text = page(1);
    EXPECT_TRUE(text.contains(QStringLiteral("记录总数： 2 条"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("车主0 京A10000"))) << text.toStdString();
    EXPECT_TRUE(
        text.contains(QStringLiteral("1 C0000001 车主1 京A10001 2024年03月01日08:15分 进 01")))
        << text.toStdString();
}

TEST_F(ReportsTest, AFailingStatementGoesToTheErrorDisplayWithoutAPreview)
{
    Query *q = Datafrm->Qrybb1;
    q->setSQL(QStringLiteral("select * from NoSuchTable"));
    expectBox(Dialogs::Ok);
    TCRJLBB report;
    EXPECT_FALSE(report.preview(q));
    EXPECT_EQ(lastShown().icon, Dialogs::Critical);
    EXPECT_TRUE(lastShown().text.contains(QStringLiteral("NoSuchTable")))
        << lastShown().text.toStdString();
    EXPECT_EQ(ReportPreview::shownCount(), 0);
}

} // namespace

#include "testsupport.h"

#include "archive/reportpreview.h"
#include "archive/reports.h"

#include "accounts/tform2.h"
#include "common/globals.h"
#include "common/programdir.h"
#include "db/connection.h"
#include "db/datafrm.h"
#include "db/starter.h"
#include "shell/appexit.h"
#include "shell/forms.h"
#include "shell/tform1.h"

namespace testsupport {

void ScriptedTest::SetUp()
{
    // Print previews are scripted like the boxes: a test never opens a modal preview.
    ReportPreview::beginScript();
    Dialogs::beginScript();
    Dialogs::setUnexpectedHandler([](const Dialogs::Shown &s) {
        ADD_FAILURE() << "unexpected dialog: \"" << s.text.toStdString() << "\" ("
                      << s.caption.toStdString() << ")";
    });
}

void ScriptedTest::TearDown()
{
    EXPECT_EQ(Dialogs::pendingAnswers(), 0) << "queued box answers were not used";
    EXPECT_EQ(Dialogs::pendingFiles(), 0) << "queued file names were not used";
    Dialogs::setShowHook({});
    Dialogs::endScript();
    EXPECT_EQ(ReportPreview::pendingPdfs(), 0) << "queued preview files were not used";
    ReportPreview::endScript();
}

QStringList ScriptedTest::shownTexts() const
{
    QStringList out;
    for (const auto &s : Dialogs::shown())
        out << s.text;
    return out;
}

const Dialogs::Shown &ScriptedTest::lastShown() const
{
    static const Dialogs::Shown none;
    return Dialogs::shown().isEmpty() ? none : Dialogs::shown().last();
}

void DatabaseTest::SetUp()
{
    ScriptedTest::SetUp();
    resetGlobals();
    createStarterDatabase(dir.root(), QStringLiteral("admin"), QStringLiteral("admin123"));
    DataFile = databasePath();
    Datafrm = new TDatafrm;
    Datafrm->DataModuleCreate(DataFile);
}

void DatabaseTest::TearDown()
{
    delete Datafrm;
    Datafrm = nullptr;
    ScriptedTest::TearDown();
}

void DatabaseTest::execSql(const QString &sql)
{
    Connection c;
    c.setDatabase(databasePath());
    c.execute(sql);
    c.disconnect();
}

QStringList DatabaseTest::selectTexts(const QString &sql)
{
    Connection c;
    c.setDatabase(databasePath());
    Query q(&c);
    q.setSQL(sql);
    q.open();
    QStringList out;
    for (q.first(); !q.eof(); q.next())
        out << q.field(0).asString();
    q.close();
    c.disconnect();
    return out;
}

QStringList DatabaseTest::cardHistory()
{
    return selectTexts(QStringLiteral(
        "select 操作 || '|' || ifnull(卡片内码,'') || '|' || ifnull(原有效期限,'') || '|' || "
        "ifnull(新有效期限,'') || '|' || ifnull(原卡片状态,'') || '|' || ifnull(新卡片状态,'') || "
        "'|' || ifnull(门组,'') || '|' || 结果 from CardLog order by 序号"));
}

QString DatabaseTest::databasePath() const
{
    return dir.path(QStringLiteral("Data/Data.mdb"));
}

WindowsTest::WindowsTest(QString accounts)
    : m_accounts(std::move(accounts))
{}

WindowsTest::~WindowsTest() = default;

void WindowsTest::SetUp()
{
    DatabaseTest::SetUp();
    appexit::setTestMode(true);
    appexit::reset();
    if (!m_accounts.isEmpty())
        execSql(QStringLiteral("insert into users (user_name, user_pass, user_type) values ") +
                m_accounts);
    main = std::make_unique<TForm1>();
    login = std::make_unique<TForm2>();
    Form1 = main.get();
    Form2 = login.get();
    main->attachLoginWindow(login.get());
    // The two reports are what the windows' print buttons reach.
    archiveReport = std::make_unique<TRsRepFrm>();
    passageReport = std::make_unique<TCRJLBB>();
    RsRepFrm = archiveReport.get();
    CRJLBB = passageReport.get();
}

void WindowsTest::TearDown()
{
    RsRepFrm = nullptr;
    CRJLBB = nullptr;
    passageReport.reset();
    archiveReport.reset();
    Form1 = nullptr;
    Form2 = nullptr;
    login.reset();
    main.reset();
    DatabaseTest::TearDown();
}

} // namespace testsupport

// The list of automatic backups on its own: what it shows, how it follows new backups, and a
// restore of the chosen one through the restore of "还原数据库".
#include "common/clock.h"
#include "common/inifile.h"
#include "common/programdir.h"
#include "db/backuplist.h"
#include "db/backups.h"
#include "db/connection.h"
#include "db/datafrm.h"
#include "db/query.h"
#include "db/texts.h"
#include "testsupport.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <memory>
#include <sqlite3.h>

namespace {

using backups::Occasion;

class BackupListTest : public testsupport::DatabaseTest
{
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        list = std::make_unique<BackupList>(databasePath(), backups::folder(),
                                            programdir::settingsFile());
        list->resize(440, 160);
        list->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    }
    void TearDown() override
    {
        list.reset();
        DatabaseTest::TearDown();
    }

    backups::Result writeAt(const char *iso, Occasion occasion = Occasion::Login)
    {
        appclock::ScopedNow now(QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate));
        return backups::write(databasePath(), backups::folder(), occasion,
                              backups::keepCount(programdir::settingsFile()));
    }

    QListWidget *rows() const { return testsupport::find<QListWidget>(list.get(), "lstBackups"); }
    QPushButton *restoreButton() const
    {
        return testsupport::find<QPushButton>(list.get(), "btnRestoreBackup");
    }
    QString newest() const
    {
        return testsupport::find<QLabel>(list.get(), "lblNewestBackup")->text();
    }
    QStringList shownRows() const
    {
        QStringList out;
        for (int i = 0; i < rows()->count(); ++i)
            out << rows()->item(i)->text();
        return out;
    }
    // Chooses a row as the operator does: a click on it.
    void choose(int row)
    {
        QListWidget *l = rows();
        const QRect r = l->visualItemRect(l->item(row));
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, r.center());
    }
    QStringList accounts()
    {
        Connection c;
        c.setDatabase(databasePath());
        Query q(&c);
        q.setSQL(QStringLiteral("select * from users order by id"));
        q.open();
        QStringList out;
        for (q.first(); !q.eof(); q.next())
            out << q.fieldByName(QStringLiteral("user_name")).asString();
        return out;
    }

    std::unique_ptr<BackupList> list;
};

TEST_F(BackupListTest, ShowsTheNewestDateAndTheKeptBackupsNewestFirst)
{
    EXPECT_EQ(newest(), QStringLiteral("最新备份：无（尚未自动备份）"));
    EXPECT_EQ(rows()->count(), 0);
    EXPECT_FALSE(restoreButton()->isEnabled());

    ASSERT_TRUE(writeAt("2026-12-09T08:30:00").ok());
    ASSERT_TRUE(writeAt("2026-12-11T07:45:10", Occasion::Compaction).ok());
    ASSERT_TRUE(writeAt("2026-12-10T16:02:00", Occasion::Restore).ok());
    list->refresh();
    EXPECT_EQ(newest(), QStringLiteral("最新备份：2026-12-11 07:45:10"));
    EXPECT_EQ(shownRows(),
              (QStringList{"2026-12-11 07:45:10  压缩前", "2026-12-10 16:02:00  还原前",
                           "2026-12-09 08:30:00  每日登录"}));
    EXPECT_EQ(testsupport::find<QLabel>(list.get(), "lblBackupCount")->text(),
              QStringLiteral("保留 3 份（最多 30 份）"));
    EXPECT_FALSE(restoreButton()->isEnabled()) << "nothing chosen yet";
    choose(1);
    EXPECT_TRUE(restoreButton()->isEnabled());
}

TEST_F(BackupListTest, FollowsEachAutomaticBackupAndSaysItForTheStatusLine)
{
    EXPECT_FALSE(testsupport::find<QLabel>(list.get(), "lblBackupOutcome")->isVisible())
        << "nothing to say before a backup of this run";
    QSignalSpy status(list.get(), &BackupList::statusChanged);
    const backups::Result written = writeAt("2026-12-11T08:00:00");
    backups::notifier()->announce(written);
    EXPECT_EQ(newest(), QStringLiteral("最新备份：2026-12-11 08:00:00"));
    EXPECT_EQ(rows()->count(), 1);
    ASSERT_EQ(status.size(), 1);
    EXPECT_EQ(status.first().first().toString(),
              QStringLiteral("今日首次登录，已自动备份数据库：Data-20261211-080000-login.mdb"));

    backups::Result failed;
    failed.reason = QStringLiteral("磁盘已满（No space left on device）");
    backups::notifier()->announce(failed);
    ASSERT_EQ(status.size(), 2);
    EXPECT_EQ(status.last().first().toString(),
              QStringLiteral("自动备份数据库失败：磁盘已满（No space left on device）"));
    EXPECT_EQ(rows()->count(), 1);
    // Kept in view under the list after the status line has moved on.
    QLabel *outcome = testsupport::find<QLabel>(list.get(), "lblBackupOutcome");
    EXPECT_TRUE(outcome->isVisible());
    EXPECT_EQ(outcome->text(), status.last().first().toString());
}

// Keep=1: the backup of the current file written before the restore would push the chosen one
// out; the restore must still bring it back.
TEST_F(BackupListTest, RestoringTheChosenBackupAsksKeepsTheCurrentFileAndBringsItBack)
{
    IniFile settings(programdir::settingsFile());
    settings.writeInteger(QStringLiteral("Backup"), QStringLiteral("Keep"), 1);
    ASSERT_TRUE(settings.save());
    ASSERT_TRUE(writeAt("2026-12-10T08:00:00").ok());
    execSql(QStringLiteral("insert into users (user_name) values ('since')"));
    list->refresh();
    Datafrm->LGqry1->open();

    // No to the question: nothing changes.
    choose(0);
    expectBox(Dialogs::No);
    QTest::mouseClick(restoreButton(), Qt::LeftButton);
    EXPECT_EQ(shownTexts(), QStringList{"警告：现有数据有可能丢失，确定还原？"});
    EXPECT_EQ(accounts(), (QStringList{"admin", "since"}));
    EXPECT_EQ(rows()->count(), 1);

    Dialogs::clearShown();
    QSignalSpy status(list.get(), &BackupList::statusChanged);
    choose(0);
    expectBox(Dialogs::Yes);
    expectBox(Dialogs::Ok);
    {
        appclock::ScopedNow now(QDateTime(QDate(2026, 12, 11), QTime(9, 0)));
        QTest::mouseClick(restoreButton(), Qt::LeftButton);
    }
    EXPECT_EQ(shownTexts(), (QStringList{"警告：现有数据有可能丢失，确定还原？",
                                         "成功恢复数据库,请及时备份数据库!"}));
    EXPECT_EQ(accounts(), QStringList{"admin"});
    EXPECT_FALSE(Datafrm->LGqry1->isActive()) << "the file was released for the restore";
    ASSERT_EQ(status.size(), 1);
    EXPECT_EQ(status.first().first().toString(),
              QStringLiteral("还原前已自动备份当前数据库：Data-20261211-090000-restore.mdb"));
    // The file it replaced is kept, newest, and holds what was there before.
    ASSERT_EQ(shownRows().first(), QStringLiteral("2026-12-11 09:00:00  还原前"));
    const QString kept = backups::list(backups::folder()).first().path;
    db::Handle h = db::openDatabase(kept, QString::fromLatin1(db::DatabasePassword), true);
    db::Statement st(h.get(), QStringLiteral("select count(*) from users where user_name='since'"));
    ASSERT_TRUE(st.step());
    EXPECT_EQ(sqlite3_column_int(st.get(), 0), 1);
}

} // namespace

#include "common/passwordhash.h"
#include "db/datafrm.h"
#include "db/dbcontrols.h"
#include "db/dberror.h"
#include "db/starter.h"
#include "testsupport.h"

#include <QAbstractItemModelTester>
#include <QTest>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

// Types text key by key, also characters that have no key of their own.
void type(QWidget *w, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

class ControlsTest : public testsupport::ScriptedTest
{
protected:
    void SetUp() override
    {
        ScriptedTest::SetUp();
        const QString file =
            createStarterDatabase(dir.root(), QStringLiteral("admin"), QStringLiteral("admin1"));
        module.DataModuleCreate(file);
        db::Handle h = db::openDatabase(file, QString::fromLatin1(db::DatabasePassword));
        db::exec(h.get(), QStringLiteral("INSERT INTO users(user_name,user_pass,user_type) VALUES "
                                         "('op','','操作员'),('test','t1','测试员')"));
        module.LGqry1->open();
    }

    QString stored(const QString &name, const char *column)
    {
        Query q(module.con);
        q.setSQL(
            QStringLiteral("select %1 from users where user_name=?").arg(QLatin1String(column)));
        q.addBindValue(name);
        q.open();
        return q.isEmpty() ? QStringLiteral("<none>") : q.field(0).asString();
    }

    TDatafrm module;
};

TEST_F(ControlsTest, GridModelFollowsTheQueryUnderTheModelTester)
{
    QueryTableModel model(module.LGds1);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setColumns({{QStringLiteral("user_name"), QStringLiteral("用户")},
                      {QStringLiteral("user_pass"), QStringLiteral("密码")},
                      {QStringLiteral("user_type"), QStringLiteral("类型")}});
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("密码"));
    for (int r = 0; r < 3; ++r)
        EXPECT_EQ(model.index(r, 1).data().toString(),
                  QStringLiteral("******")); // also the empty one
    EXPECT_EQ(model.index(1, 0).data().toString(), QStringLiteral("op"));
    EXPECT_EQ(model.index(2, 2).data().toString(), QStringLiteral("测试员"));

    Query &q = *module.LGqry1;
    q.append();
    EXPECT_EQ(model.rowCount(), 4);
    q.fieldByName(QStringLiteral("user_name")).setAsString(QStringLiteral("新用户"));
    EXPECT_EQ(model.index(3, 0).data().toString(), QStringLiteral("新用户"));
    q.cancel();
    EXPECT_EQ(model.rowCount(), 3);
    q.append();
    q.fieldByName(QStringLiteral("user_name")).setAsString(QStringLiteral("新用户"));
    q.post();
    EXPECT_EQ(model.rowCount(), 4);
    model.setCurrentRow(1);
    EXPECT_EQ(q.fieldByName(QStringLiteral("user_name")).asString(), QStringLiteral("op"));
    q.deleteRecord();
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.index(1, 0).data().toString(), QStringLiteral("test"));
    q.close();
    EXPECT_EQ(model.rowCount(), 0);
    q.open();
    EXPECT_EQ(model.rowCount(), 3);
    module.con->disconnect();
    EXPECT_EQ(model.rowCount(), 0);

    // Without chosen columns the grid shows every field under its name.
    QueryTableModel all(module.DSda1);
    QAbstractItemModelTester allTester(&all, QAbstractItemModelTester::FailureReportingMode::Fatal);
    module.Qryda1->open();
    EXPECT_EQ(all.columnCount(), 12);
    EXPECT_EQ(all.headerData(2, Qt::Horizontal).toString(), QStringLiteral("卡片内码"));
}

TEST_F(ControlsTest, GridEditsWriteThroughExceptReadOnlyColumns)
{
    QueryTableModel model(module.LGds1);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setEditable(true);
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable); // id
    EXPECT_TRUE(model.setData(model.index(2, 1), QStringLiteral("tester")));
    EXPECT_EQ(module.LGqry1->state(), Query::Edit);
    EXPECT_EQ(module.LGqry1->recNo(), 3);
    model.setCurrentRow(0); // moving on posts
    EXPECT_EQ(module.LGqry1->state(), Query::Browse);
    EXPECT_EQ(stored(QStringLiteral("tester"), "user_type"), QStringLiteral("测试员"));
    EXPECT_FALSE(model.setData(model.index(0, 0), 5));

    // A refused change is shown with the database's text when the grid moves on, and the record
    // stays in edit state with what was typed.
    EXPECT_TRUE(model.setData(model.index(0, 1), QString(21, QLatin1Char('n'))));
    expectBox(Dialogs::Ok);
    model.setCurrentRow(1);
    EXPECT_TRUE(lastShown().text.contains(QStringLiteral("CHECK constraint failed")))
        << lastShown().text.toStdString();
    EXPECT_EQ(module.LGqry1->state(), Query::Edit);
    EXPECT_EQ(module.LGqry1->recNo(), 1);
    EXPECT_EQ(model.index(0, 1).data().toString(), QString(21, QLatin1Char('n')));
    EXPECT_EQ(stored(QStringLiteral("admin"), "user_type"), QStringLiteral("管理员"));
}

TEST_F(ControlsTest, EditShowsCurrentRecordAndWritesTypedText)
{
    DBEdit name, pass;
    name.setDataSource(module.LGds1);
    name.setDataField(QStringLiteral("user_name"));
    pass.setDataSource(module.LGds1);
    pass.setDataField(QStringLiteral("user_pass"));
    pass.setEchoMode(QLineEdit::Password);
    EXPECT_EQ(name.text(), QStringLiteral("admin"));
    EXPECT_EQ(pass.text(), QStringLiteral("******"));

    Query &q = *module.LGqry1;
    q.next();
    EXPECT_EQ(name.text(), QStringLiteral("op"));
    EXPECT_EQ(pass.text(), QStringLiteral("******"));

    // Typing edits the record; the password field keeps what was typed, not the mask.
    name.setFocus();
    QTest::keyClicks(&name, QStringLiteral("2"));
    EXPECT_EQ(q.state(), Query::Edit);
    EXPECT_EQ(q.fieldByName(QStringLiteral("user_name")).asString(), QStringLiteral("op2"));
    pass.clear();
    QTest::keyClicks(&pass, QStringLiteral("pw9"));
    EXPECT_EQ(pass.text(), QStringLiteral("pw9"));
    q.post();
    EXPECT_EQ(stored(QStringLiteral("op2"), "user_pass"), QStringLiteral("pw9"));
    EXPECT_EQ(pass.text(), QStringLiteral("******"));

    // Untouched, the mask never reaches the table.
    q.first();
    q.edit();
    q.fieldByName(QStringLiteral("user_type")).setAsString(QStringLiteral("管理员"));
    q.post();
    EXPECT_TRUE(passwordhash::matches(stored(QStringLiteral("admin"), "user_pass"),
                                      QStringLiteral("admin1")));

    // Cancel puts the stored values back into the fields.
    QTest::keyClicks(&name, QStringLiteral("x"));
    q.cancel();
    EXPECT_EQ(name.text(), QStringLiteral("admin"));

    q.close();
    EXPECT_EQ(name.text(), QString());
}

TEST_F(ControlsTest, EditCutsTextAtTheByteLimitOnWholeCharacters)
{
    DBEdit name;
    name.setDataSource(module.LGds1);
    name.setDataField(QStringLiteral("user_name"));
    name.setMaxBytes(5);
    name.clear();
    type(&name, QStringLiteral("张三李"));
    EXPECT_EQ(name.text(), QStringLiteral("张三"));
    name.setText(QStringLiteral("ab张三"));
    EXPECT_EQ(name.text(), QStringLiteral("ab张"));
    EXPECT_EQ(module.LGqry1->fieldByName(QStringLiteral("user_name")).asString(),
              QStringLiteral("ab张"));
}

TEST_F(ControlsTest, ComboShowsAndChoosesTheValue)
{
    DBComboBox role;
    role.addItems({QStringLiteral("管理员"), QStringLiteral("操作员"), QStringLiteral("测试员")});
    role.setDataSource(module.LGds1);
    role.setDataField(QStringLiteral("user_type"));
    EXPECT_EQ(role.currentText(), QStringLiteral("管理员"));
    module.LGqry1->last();
    EXPECT_EQ(role.currentText(), QStringLiteral("测试员"));

    role.setCurrentIndex(1);
    EXPECT_EQ(module.LGqry1->state(), Query::Edit);
    module.LGqry1->post();
    EXPECT_EQ(stored(QStringLiteral("test"), "user_type"), QStringLiteral("操作员"));

    // A value outside the list shows no choice.
    module.LGqry1->edit();
    module.LGqry1->fieldByName(QStringLiteral("user_type")).setAsString(QStringLiteral("访客"));
    EXPECT_EQ(role.currentIndex(), -1);
}

} // namespace

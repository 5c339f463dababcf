#pragma once
// Test support for windows: a fixture that scripts the dialogs service (a box without a queued
// answer fails the test; answers left over fail too), the database and the two main windows.
#include "common/dialogs.h"
#include "coresupport.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <gtest/gtest.h>
#include <memory>

class TForm1;
class TForm2;
class TRsRepFrm;
class TCRJLBB;

namespace testsupport {

// Base fixture: dialogs scripted, program directory temporary.
class ScriptedTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    void expectBox(Dialogs::Button answer = Dialogs::Ok) { Dialogs::queueAnswer(answer); }
    void expectFile(const QString &name) { Dialogs::queueFile(name); }
    // The boxes shown so far (texts only, for compact assertions).
    QStringList shownTexts() const;
    const Dialogs::Shown &lastShown() const;

    TempProgramDir dir;
};

// ScriptedTest with a starter database in the temporary program directory (account
// "admin" / "admin123", administrator) and the data module Datafrm open on it.
class DatabaseTest : public ScriptedTest
{
protected:
    void SetUp() override;
    void TearDown() override;
    // Runs statements on a connection of its own (fixture data).
    void execSql(const QString &sql);
    // The first column of every row of a statement, as text, read on a connection of its own.
    QStringList selectTexts(const QString &sql);
    // The card history, oldest first: "操作|卡片内码|原有效期限|新有效期限|原卡片状态|新卡片状态|
    // 门组|结果" per row.
    QStringList cardHistory();
    QString databasePath() const;
};

// DatabaseTest with the login window and the main window built (Form1, Form2), extra accounts
// from `accounts` (an SQL values list for users(user_name, user_pass, user_type)), and the end
// of the program observed instead of carried out.
class WindowsTest : public DatabaseTest
{
protected:
    explicit WindowsTest(QString accounts);
    ~WindowsTest() override;
    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<TForm1> main;
    std::unique_ptr<TForm2> login;
    std::unique_ptr<TRsRepFrm> archiveReport;
    std::unique_ptr<TCRJLBB> passageReport;

private:
    QString m_accounts;
};

// The control called name under root, found by its object name as outside scripts find it. A
// missing control, or one of another type, fails the test and gives null.
template <typename T> T *find(const QObject *root, const char *name)
{
    T *found = root->findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << "no control " << name << " of the expected type";
    return found;
}

// The view (a struct of a tab's controls found by name, with the tab as `tab`) of the tab of type
// Tab in window, kept while that tab lives and made again for a new one.
template <typename View, typename Tab> const View &tabView(const QObject *window)
{
    static std::unique_ptr<View> view;
    static QPointer<Tab> tab;
    if (!view || !tab || tab->window() != window) {
        view = std::make_unique<View>(window);
        tab = view->tab;
    }
    return *view;
}

} // namespace testsupport

#pragma once
// A fixture for end-to-end tests of the real program: a program directory with a new database
// (administrator "admin" / "admin123"), issuer simulators entered in its port map, the program
// on a virtual display (Desktop), and the database file read back with the sqlcipher tool.
#include "desktop.h"
#include "coresupport.h"

#include <QProcess>
#include <QSet>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

// Waits with the event loop running, then checks the GoogleTest way.
#define ASSERT_SOON(cond, ms) \
    ASSERT_TRUE(e2e::Desktop::waitFor([&] { return bool(cond); }, ms)) << #cond

namespace e2e {

class ProgramTest : public ::testing::Test
{
protected:
    void SetUp() override;
    // After a failure: a picture of the screen (see shoot), the program's and the simulators'
    // output and what failureDetails() adds.
    void TearDown() override;
    virtual QString failureDetails() const { return {}; }

    static QString binary(const QString &relative);

    // The statement's output from the sqlcipher tool; empty while the file cannot be read.
    QString sql(const QString &statement) const;
    QStringList sqlRows(const QString &statement) const;
    // Asks again every half second (each ask opens the file for a moment) until the rows are
    // `expected`; the rows last read.
    QStringList rowsSoon(const QString &statement, const QStringList &expected, int ms) const;

    // A simulator on the next free COMn with `args` (for example --auto or --password P);
    // nullptr when it did not report ready.
    QProcess *startSimulator(const QStringList &args);
    // What a simulator reported on standard error so far (the first one when none is named).
    QByteArray simulatorLog(QProcess *sim = nullptr);
    // A simulator's answer to commands, up to the line that starts with `last` (`list` ends
    // with "plugged ...").
    QString simulator(const QByteArray &commands, const QByteArray &last, QProcess *sim = nullptr);

    // Starts the program and logs in as the administrator (password typed, Enter) until the
    // main window shows.
    void logIn();
    // Clicks the main window's tab with this caption (without its blanks).
    void openTab(const QString &caption);

    QString textOf(const QString &name) const;
    bool shows(const QString &name, const QString &text) const { return textOf(name) == text; }
    bool hasFocus(const QString &name) const;
    // Answers `count` message boxes with 确定 in the order they come to the top; their texts.
    QSet<QString> confirmBoxes(int count);
    // Saves a picture of the screen as NAME.png when VELMORA_E2E_SHOTS names a folder.
    void shoot(const QString &name);

    testsupport::TempProgramDir dir;
    Desktop desk;
    std::vector<std::unique_ptr<QProcess>> sims;

private:
    QHash<QProcess *, QByteArray> m_logs;
};

} // namespace e2e

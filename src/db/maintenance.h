#pragma once
// Backup and restore of the database file, as the buttons "备份数据库" and "还原数据库" run them.
// All boxes and file dialogs go through the dialogs service; the progress gauge is reached
// through Gauge so that the routines do not depend on one widget.
#include <QString>

class Connection;
class Query;
class QProgressBar;
class QWidget;

class Gauge
{
public:
    virtual ~Gauge() = default;
    virtual int minimum() const = 0;
    virtual int maximum() const = 0;
    virtual void setValue(int value) = 0;
};

// A gauge shown by a progress bar.
class ProgressBarGauge : public Gauge
{
public:
    explicit ProgressBarGauge(QProgressBar *bar)
        : m_bar(bar)
    {}
    int minimum() const override;
    int maximum() const override;
    void setValue(int value) override;

private:
    QProgressBar *m_bar;
};

namespace maintenance {

// Whether two paths name the same file (device and inode); false when either is missing.
bool isSameFile(const QString &a, const QString &b);

// Asks for a name (the dialog Save1), appends ".mdb" and copies dataFile there after the
// overwrite question: the checked copy of the automatic backups (backups::copyDatabase), written
// beside the target and renamed into place, so a failed backup leaves an existing file of that
// name intact.
void backupDatabase(Gauge &g1, const QString &dataFile, QWidget *parent = nullptr);

// Asks for a file (the dialog Open1) and restores it with restoreFromFile.
void restoreDatabase(Gauge &g1, Connection &con, Query &LGqry1, const QString &target,
                     QWidget *parent = nullptr);

// After the question, writes an automatic backup of target into Backup/ (a failure asks whether
// to go on without one) and copies chosen over target. The copy is made beside target and
// checked first: it must open with the database password, read back
// sound page by page, and hold the four tables with the program's columns; otherwise nothing is
// touched. Only then is the shared connection con released (it closes every query, LGqry1 too)
// and the copy renamed over target; the next query that opens connects to the restored file.
void restoreFromFile(Gauge &g1, Connection &con, Query &LGqry1, const QString &chosen,
                     const QString &target, QWidget *parent = nullptr);

} // namespace maintenance

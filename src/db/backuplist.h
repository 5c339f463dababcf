#pragma once
// The automatic backups on the system tab: the date of the newest one and the kept ones, newest
// first; "还原所选备份" restores the chosen one through the restore of "还原数据库" (its question,
// the backup of the current file, the checks). Refreshes itself when a backup is written or it is
// shown; says what each automatic backup did through statusChanged (the status line, which the
// issuer search soon writes over) and keeps that line in view under the list.
#include <QGroupBox>

class QLabel;
class QListWidget;
class QPushButton;
namespace backups {
struct Result;
}

class BackupList : public QGroupBox
{
    Q_OBJECT
public:
    // dataFile: the database a restore replaces; folder: where the automatic backups are;
    // settingsFile: where the number to keep is set.
    BackupList(const QString &dataFile, const QString &folder, const QString &settingsFile,
               QWidget *parent = nullptr);

    void refresh();

signals:
    void statusChanged(const QString &text);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void onBackupFinished(const backups::Result &result);
    void restoreChosen();

    QString m_dataFile;
    QString m_folder;
    QString m_settingsFile;
    QLabel *m_newest = nullptr;
    QLabel *m_count = nullptr;
    QLabel *m_outcome = nullptr; // the last automatic backup of this run, kept in view
    QListWidget *m_list = nullptr;
    QPushButton *m_restore = nullptr;
};

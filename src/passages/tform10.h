#pragma once
// The passage records window "进出记录表": imports the record files of the USB stick into CRJL
// and shows them joined with the owner archive, with searches by card code, plate, owner name and
// time range. Creating it connects to the database; without a database the program cannot work
// and ends. CRJL is a working table: emptied when the card tab opens the window and when it is
// closed.
#include "passages/recordfiles.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QDateTimeEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTableView;
class QueryTableModel;
class ArchiveSearchPanel;
class DriveWatcher;
class PassageImport;

class TForm10 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm10(QWidget *parent = nullptr);
    ~TForm10() override;
    // False when the database could not be reached at creation ("系统错误!" was shown).
    bool createdOk() const { return m_ok; }

    // How the card tab ("进出记录查询") opens the window: shows it and empties CRJL, so that each
    // opening starts from an empty table. An already open window is only brought to the front.
    // A plain show() (the tray's restore) keeps the rows.
    Q_INVOKABLE void openFromCardTab();

    // True while an import runs; the window's commands, its close and the tray minimise wait.
    bool importRunning() const;
    // The main window's minimise control: pressing it waits while an import runs (it would hide
    // this window in the middle of one). Set when the window is attached at start-up.
    void watchMinimiseControl(QWidget *control);

    // ---- controls ----
    QWidget *rzpnl1 = nullptr;
    QGroupBox *grp1 = nullptr; // "  查询条件  "
    QLineEdit *edt1 = nullptr; // card code
    QLineEdit *edtGhCode = nullptr;
    QLineEdit *edtXmEdt = nullptr;
    QLabel *Label1 = nullptr;
    QDateTimeEdit *dtp1 = nullptr;
    QLabel *Label2 = nullptr;
    QDateTimeEdit *dtp2 = nullptr;
    QPushButton *btnSeaCmd = nullptr;    // "查询"
    QPushButton *btndaru = nullptr;      // "导入记录"
    QPushButton *btnAllSeaCmd = nullptr; // "全部显示"
    QPushButton *btnDelCmd = nullptr;    // "清空当前"
    QPushButton *btndachu = nullptr;     // "导出Excel"
    QPushButton *btndayin = nullptr;     // "打印报表"
    QPushButton *btnExitCmd = nullptr;   // "&E 退出"
    QPushButton *btn1 = nullptr;         // never visible
    QPushButton *btn2 = nullptr;         // never visible
    QProgressBar *Gauge1 = nullptr;
    QStatusBar *statusbar1 = nullptr;
    QLabel *statusPanels[4] = {}; // the four panels of statusbar1
    QTableView *DBFLGrid = nullptr;
    QueryTableModel *DBFLGridModel = nullptr;
    QStatusBar *rzstsbr1 = nullptr;
    QLabel *Wtxt1 = nullptr;
    QLabel *Wtxt3 = nullptr;
    QLabel *Wtxtwtxt2 = nullptr;
    QLabel *Labellbl5 = nullptr;
    QLabel *Labellbl6 = nullptr;
    // grpArchive: the search of the passage archive, its export, print and charts.
    ArchiveSearchPanel *archivePanel = nullptr;

    // Drive roots seen by the scans (only its emptiness matters) and the number of record lines
    // of the last import (0 once its stick is gone).
    QStringList Memo1;
    qint64 memo2 = 0;
    DriveWatcher *driveWatcher() const { return m_drives; }
    PassageImport *passageImport() const { return m_import; }

    // ---- handlers ----
    void FormCreate();
    void FormShow();
    void FormActivate();
    // Returns false when the window must stay open (an import runs).
    bool FormClose();
    void btndaruClick();
    void btnSeaCmdClick();
    void btnAllSeaCmdClick();
    void btnDelCmdClick();
    void btndachuClick();
    void btndayinClick();
    void btnExitCmdClick();
    void edt1Change();
    void edtGhCodeChange();
    void edtXmEdtChange();
    void dtp1DropDown();
    void dtp2DropDown();
    void deviceArrived(const QString &drive);
    void deviceRemoved(const QString &drive);

    // The joined record query and the statements of the show-all command and the searches.
    static QString joinedRecordQuery();
    static QString showAllQuery();
    static QString searchHead();

signals:
    // Closing the window goes back to the card tab: its card-code field idle, the main window
    // shown.
    void cardTabRequested();

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWindow();
    void driveScan(bool forImport);
    void purgeRecords();
    bool passagesStored(); // whether CRJL holds any row
    void openView(const QString &sql);
    void deleteAllRows();
    void fieldSearch(const QString &column, const QString &text);
    void importFinished(bool stopped);
    // The record files of the drive, copied into the working file with the progress window up.
    records::WorkingFileInfo writeWorkingFileShowingProgress(const QString &working);
    void setImportLock(bool on);
    void hideProgressWindow();

    bool m_ok = true;
    bool m_purgeOnShow = false;
    bool m_backFromOwnDialog = false;
    DriveWatcher *m_drives = nullptr;
    PassageImport *m_import = nullptr;
    QDateTime m_importStart;
    QPointer<QWidget> m_trayMinimise;
};

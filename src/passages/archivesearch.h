#pragma once
// The passage window's search of the passage archive CRJLDA: any date range (months, a year),
// a card code or a plate (both by their beginning), only the rows whose controller clock was
// wrong; the rows go to the window's grid through its record view, with the same fields, and
// are exported and printed as the window's own rows are. It also says after an import how many
// rows the archive took and how many it held already, and opens the chart window.
#include <QGroupBox>
#include <QPointer>

class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class PassageChart;

class ArchiveSearchPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit ArchiveSearchPanel(QWidget *parent = nullptr);

    // The range of the last month up to today, the fields empty; when the window is shown.
    void reset();
    // After an import: rows the archive took and rows it already held.
    void importDone(int archived, int alreadyThere);
    // True while the grid shows an archive search (export and print then take its rows).
    static bool showing();

    void searchClick();
    void exportClick();
    void printClick();
    void chartClick();
    PassageChart *chartWindow() const;

signals:
    // For the window's prompt pane.
    void status(const QString &text);

private:
    QDateTimeEdit *m_from;    // dtpArchiveFrom
    QDateTimeEdit *m_to;      // dtpArchiveTo
    QLineEdit *m_card;        // edtArchiveCard
    QLineEdit *m_plate;       // edtArchivePlate
    QCheckBox *m_flagged;     // chkArchiveFlagged
    QPushButton *m_search;    // btnArchiveSearch
    QPushButton *m_export;    // btnArchiveExport
    QPushButton *m_print;     // btnArchivePrint
    QPushButton *m_chartOpen; // btnArchiveChart
    QLabel *m_imported;       // lblArchiveImport
    QPointer<PassageChart> m_chart;
};

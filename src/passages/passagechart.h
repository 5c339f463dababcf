#pragma once
// The chart window "进出统计图表": passages per day (in and out) over a chosen range, from the
// passage archive, and the cards whose validity ends in each of the next twelve months, from
// the owner archive; saved as a PNG picture. The counts come from passages/passagearchive.h;
// the window only draws them.
#include <QDate>
#include <QList>
#include <QWidget>

class QChart;
class QChartView;
class QDateTimeEdit;
class QLabel;
class QPushButton;

namespace passagearchive {
struct DayCount;
struct MonthCount;
} // namespace passagearchive

class PassageChart : public QWidget
{
    Q_OBJECT
public:
    explicit PassageChart(QWidget *parent = nullptr);

    void setRange(const QDate &from, const QDate &to);
    // Reads the counts again and redraws; a database failure goes to the caller.
    void refresh();
    // Asks for a file name and saves both charts as one PNG picture; true when saved.
    bool saveClick();
    // What the charts show now (tests read the drawn series back through the chart views).
    QChartView *dailyView() const { return m_dailyView; }
    QChartView *expiringView() const { return m_expiringView; }

private:
    void drawDaily(const QList<passagearchive::DayCount> &days);
    void drawExpiring(const QList<passagearchive::MonthCount> &months);

    QDateTimeEdit *m_from;      // dtpChartFrom
    QDateTimeEdit *m_to;        // dtpChartTo
    QPushButton *m_refresh;     // btnChartRefresh
    QPushButton *m_save;        // btnChartSave
    QLabel *m_summary;          // lblChartSummary
    QWidget *m_charts;          // chartArea: what the picture holds
    QChartView *m_dailyView;    // chartDaily
    QChartView *m_expiringView; // chartExpiring
};

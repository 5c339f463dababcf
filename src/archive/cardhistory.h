#pragma once
// The card history window: the rows of CardLog (db/cardlog.h), newest first, found by card code,
// plate, account and a range of days; exported and printed as the archive is. An administrator
// may delete the history of one card; no one may change a row. The archive window shows it for
// its selected owner's card and the card tab for the code in its card field.
#include <QPointer>
#include <QWidget>

class DataSource;
class Query;
class QueryTableModel;
class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

class CardHistoryWindow : public QWidget
{
    Q_OBJECT
public:
    explicit CardHistoryWindow(QWidget *parent = nullptr);
    ~CardHistoryWindow() override;

    // Shows the window (not modal) with the history of cards whose code contains `cardCode`
    // (every card's for an empty code), the other conditions cleared.
    void showFor(const QString &cardCode);
    // The rows shown (null before the first search).
    Query *rows() const { return m_query.data(); }

private:
    void build();
    void search();
    void deleteCardHistory();
    bool ensureQuery();

    QLineEdit *cardField = nullptr;      // histCard "卡片内码"
    QLineEdit *plateField = nullptr;     // histPlate "车牌号码"
    QLineEdit *accountField = nullptr;   // histAccount "操作员"
    QCheckBox *byDaysCheck = nullptr;    // histByDays "按日期"
    QDateEdit *fromPicker = nullptr;     // histFrom "从"
    QDateEdit *toPicker = nullptr;       // histTo "到"
    QPushButton *searchButton = nullptr; // histSearch "查询"
    QPushButton *exportButton = nullptr; // histExport "导出"
    QPushButton *printButton = nullptr;  // histPrint "打印"
    QPushButton *deleteButton = nullptr; // histDelete "删除此卡历史"
    QPushButton *closeButton = nullptr;  // histClose "关闭"
    QTableView *grid = nullptr;          // histGrid
    QLabel *countLabel = nullptr;        // histCount

    QPointer<Query> m_query; // on the data module's connection, gone with it
    DataSource *m_source = nullptr;
    QueryTableModel *m_model = nullptr;
};

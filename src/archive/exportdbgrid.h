#pragma once
// The export of a window's grid to a spreadsheet file: every field of the grid's query is a
// column, the field names are the first row, every record a row (whatever the grid shows as
// columns and wherever its current record is). The user picks the file in a save dialog; its
// extension picks the format (.xls by default, .xlsx, .csv).
#include <QString>

class Query;
class QWidget;

// Asks for the file name (the dialog proposes defaultName and offers the three formats), writes
// the file with the hourglass cursor and leaves the query on its last record. A cancelled dialog
// writes nothing and shows nothing. A failure (a folder that cannot be written, a full disk,
// more rows than .xls holds) is shown through the general error display and leaves an existing
// file of that name as it was. An existing file is replaced without a question. Returns true
// when the file was saved.
bool ExportDBGrid(Query *query, const QString &defaultName, const QString &dialogTitle,
                  QWidget *parent = nullptr);

// The two windows' exports: the archive grid (dialog without a title, "车主档案表") and the
// passage grid (dialog "请输入要保存的文件名", "进出记录表").
bool exportArchiveGrid(Query *query, QWidget *parent = nullptr);
bool exportPassageGrid(Query *query, QWidget *parent = nullptr);
bool exportHistoryGrid(Query *query, QWidget *parent = nullptr); // "卡片历史表"

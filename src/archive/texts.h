#pragma once
// Texts of the owner archive: the spreadsheet export and the printed reports.
#include <QString>

namespace texts::archive {

// Default names the export proposes.
inline const QString ArchiveExportName = QStringLiteral("车主档案表");
inline const QString PassageExportName = QStringLiteral("进出记录表");
// Title of the passage window's save dialog (the archive window's has none).
inline const QString PassageExportTitle = QStringLiteral("请输入要保存的文件名");
// Both save dialogs offer the three formats the export writes.
inline const QString ExportFilter =
    QStringLiteral("Excel(*.xls)|*.xls|Excel 2007(*.xlsx)|*.xlsx|CSV(*.csv)|*.csv|"
                   "All Files(*.*)|*.*");

// Failures of the export (shown through the general error display).
inline const QString XlsTooManyRows =
    QStringLiteral("共 %1 条记录，超过 .xls 文件最多 %2 条记录的限制，没有导出。"
                   "请在文件名后加上 .xlsx，改用 .xlsx 格式导出。");
inline const QString XlsTooManyColumns =
    QStringLiteral("共 %1 列，超过 .xls 文件最多 %2 列的限制，没有导出。"
                   "请改用 .xlsx 格式导出。");
inline const QString CellTooLong =
    QStringLiteral("第 %1 行第 %2 列的文字超过 %3 个字符，电子表格无法保存，没有导出。");
inline const QString CannotWrite = QStringLiteral("导出失败，无法写入文件 %1：%2");
inline const QString XlsxFailed = QStringLiteral("导出失败，无法生成 .xlsx 文件 %1：%2");

// Report titles, column captions and header labels.
inline const QString ArchiveReportTitle = QStringLiteral("车主档案表");
inline const QString PassageReportTitle = QStringLiteral("出入记录表");
inline const QString ArchiveReportCaption = QStringLiteral("档案表");
inline const QString PassageReportCaption = QStringLiteral("出入记录报表");
inline const QString CountLabel = QStringLiteral("记录总数：");
inline const QString CountUnit = QStringLiteral("条");
inline const QString PageLabel = QStringLiteral("第");
inline const QString PageUnit = QStringLiteral("页");

} // namespace texts::archive

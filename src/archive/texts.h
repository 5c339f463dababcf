#pragma once
// Texts of the owner archive window, the spreadsheet export and the printed reports.
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

// Report titles, column captions and header labels.
inline const QString ArchiveReportTitle = QStringLiteral("车主档案表");
inline const QString PassageReportTitle = QStringLiteral("出入记录表");
inline const QString ArchiveReportCaption = QStringLiteral("档案表");
inline const QString PassageReportCaption = QStringLiteral("出入记录报表");
inline const QString CountLabel = QStringLiteral("记录总数：");
inline const QString CountUnit = QStringLiteral("条");
inline const QString PageLabel = QStringLiteral("第");
inline const QString PageUnit = QStringLiteral("页");

// The print preview.
inline const QString PreviewFirst = QStringLiteral("首页");
inline const QString PreviewPrevious = QStringLiteral("上一页");
inline const QString PreviewNext = QStringLiteral("下一页");
inline const QString PreviewLast = QStringLiteral("末页");
inline const QString PreviewPrint = QStringLiteral("打印(&P)...");
inline const QString PreviewClose = QStringLiteral("关闭(&C)");
inline const QString PreviewPageCount = QStringLiteral("/ 共 %1 页");
inline const QString Printing = QStringLiteral("正在打印第 %1 页，共 %2 页...");
inline const QString PrintCancel = QStringLiteral("停止打印");

// The owner archive window.
inline const QString Caption = QStringLiteral("车主档案表");
inline const QString Edt1Initial = QStringLiteral("读卡自动录入");
inline const QString CardCodeLabel = QStringLiteral("卡片内码:   ");
inline const QString PlateLabel = QStringLiteral("车牌号码:   ");
inline const QString KeywordLabel = QStringLiteral("关键字：");
inline const QString DateLabel = QStringLiteral("系统当前日期:      ");

inline QString Entered(int count)
{
    return QStringLiteral("进入车主档案管理界面.当前共有") + QString::number(count) +
           QStringLiteral(" 笔车主档案记录,请做好数据库备份!");
}
inline QString ExpiringFound(int count)
{
    return QStringLiteral("当前查询到") + QString::number(count) +
           QStringLiteral(" 笔即将过期记录");
}
inline const QString NoExpiring = QStringLiteral("没有找到即将过期记录!");
inline QString AllShown(int count)
{
    return QStringLiteral("显示全部车主档案.当前共有") + QString::number(count) +
           QStringLiteral(" 笔记录");
}
inline const QString EmptyId = QStringLiteral("错误，存在空的ID值!");
inline QString Found(int count)
{
    return QStringLiteral("当前查询到") + QString::number(count) + QStringLiteral(" 笔记录");
}
inline const QString NothingFoundPane = QStringLiteral("没有找到相关记录.");
inline const QString NothingFound = QStringLiteral("没有找到相关记录!");
inline const QString EnterCondition = QStringLiteral("请输入查询条件!");
inline const QString CheckInput = QStringLiteral("检查输入");
inline const QString PressSearch = QStringLiteral("请按查询键查找相关档案.");
inline const QString EightDigitsSearch = QStringLiteral("输入8位卡片内码会自动查询!");
inline QString ExpiredFound(int count)
{
    return QStringLiteral("当前查询到") + QString::number(count) + QStringLiteral(" 笔过期记录");
}
inline const QString NoExpired = QStringLiteral("没有找到过期记录.");
inline const QString NoRecords = QStringLiteral("没有档案记录，请添加车主档案.");
inline const QString ReadOnlyColumns =
    QStringLiteral("车辆编号,卡片内码,卡片有效期限,卡片状态等不允许手动修改.");
inline const QString EditMode = QStringLiteral("进入编辑模式，双击需修改位置，改完后请按保存键.");
inline const QString SaveHint =
    QStringLiteral("编辑完成后单击\"保存\"键保存资料，并做好数据库备份!");
inline const QString Saved = QStringLiteral("数据已保存.请及时做好数据库备份!");
// Leaving a record in the grid whose change was not saved.
inline const QString SaveChangeQuestion =
    QStringLiteral("当前档案已修改但尚未保存，是否保存？选\"否\"将放弃修改。");
inline const QString SaveChangeCaption = QStringLiteral("保存修改");
inline const QString ChangeDiscarded = QStringLiteral("修改已放弃.");
inline const QString SaveEmpty = QStringLiteral("档案为空，请先添加车档案再按保存.");
inline const QString SaveInvalid = QStringLiteral("保存无效!要增加车主档案请按添加键.");
inline const QString AddHint = QStringLiteral("若需增加车主档案请按添加键.可以选择手动或自动添加!");
inline const QString AllDeleted = QStringLiteral("档案已经全部删除!");
inline const QString DeleteQuestion = QStringLiteral("删除的档案不能恢复，是否删除？");
inline const QString DeleteCaption = QStringLiteral("确认删除");
inline const QString Deleted = QStringLiteral("档案已经删除!");
inline const QString PrintingArchive = QStringLiteral("打印车主档案表");
// Card tab texts set by this window.
inline const QString CardReadEntry = QStringLiteral("读卡录入...");
inline const QString AddPane =
    QStringLiteral("请输入车主姓名,按Enter键进入下一步!  也可选批量发行.");
inline const QString ExitPane =
    QStringLiteral("返回卡片管理主界面.若发行请按单卡或批量发行,或读卡查询延期!");

// The card history window.
inline const QString HistoryTitle = QStringLiteral("卡片历史");
inline const QString HistoryCount = QStringLiteral("共 %1 条历史记录");
inline const QString HistoryNoCard =
    QStringLiteral("请先选择一条档案，或在卡片内码中输入完整的卡片内码!");
inline const QString HistoryDeleteQuestion =
    QStringLiteral("删除的历史记录不能恢复，确定删除卡片 %1 的全部历史记录？");
inline const QString HistoryDeleted = QStringLiteral("已删除卡片 %1 的 %2 条历史记录.");
inline const QString HistoryAdminOnly = QStringLiteral("只有管理员可以删除卡片历史记录!");
inline const QString HistoryExportName = QStringLiteral("卡片历史表");
inline const QString HistoryReportTitle = QStringLiteral("卡片历史记录表");
inline const QString HistoryReportCaption = QStringLiteral("卡片历史报表");
} // namespace texts::archive

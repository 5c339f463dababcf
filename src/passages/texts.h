#pragma once
// Texts of the passage records window and the import.
#include <QString>

namespace texts::passages {
inline const QString SystemError = QStringLiteral("系统错误!");
inline const QString WarningCaption = QStringLiteral("警告");

// Window
inline const QString Caption = QStringLiteral("进出记录表");
inline const QString Welcome =
    QStringLiteral("车辆进出记录表界面.请按\"导入\"键导入车辆进出记录! ");
inline const QString TodayLabel = QStringLiteral("系统当前日期:      ");

// Import and drives
inline const QString NoRecordDrive =
    QStringLiteral("系统未检测到记录U盘，请插入记录U盘后按\"导入\"键导入记录!");
inline const QString DriveInserted = QStringLiteral("U盘已插入.请按导入键!");
inline const QString RecordsExistLeaveFirst =
    QStringLiteral("记录已存在!若需重新导入请先退出记录表!");
inline const QString NoRecordFile =
    QStringLiteral("导入失败,进出记录文件路径不存在或文件被损坏.请重新下载进出记录到U盘!");
inline const QString RecordsExistShowAll =
    QStringLiteral("记录已存在,查看请按\"全部显示\"键或输入查询条件进行相关查询!");
inline const QString DriveRemovedDuringImport = QStringLiteral("导入失败,U盘或记录文件不存在!");
// An import that could not go on: %1 rows stored, %2 lines not stored, %3 the reason.
inline const QString ImportBrokenOff =
    QStringLiteral("导入未完成：已保存 %1 条记录，其余 %2 条未能保存。\n%3");
// The passage table could not be looked at before an import: %1 the reason.
inline const QString TableUnreadable = QStringLiteral("无法读取进出记录表，没有导入：%1");
// %1 the file, %2 the reason.
inline const QString RecordFileUnreadable = QStringLiteral("无法读取记录文件 %1：%2");
inline const QString WorkingFileUnwritable = QStringLiteral("无法写入工作文件 %1：%2");
inline const QString StartTime = QStringLiteral("开始时间:");
inline const QString EndTime = QStringLiteral("结束时间:");
inline const QString TotalTime = QStringLiteral("总用时：  ");

// Show all, search, clear, close
inline const QString ShowAllCount = QStringLiteral("显示全部车辆进出记录.当前共有");
inline const QString RecordsSuffix = QStringLiteral(" 笔记录");
inline const QString ShowAllEmpty = QStringLiteral("当前记录为空! 请按\"导入\"键导入进出记录。");
inline const QString DatabaseVersion = QStringLiteral("数据库版本异常.版本错误!");
inline const QString NotImported = QStringLiteral("车辆进出记录未导入，请先导入记录再进行查询。");
inline const QString FoundPrefix = QStringLiteral("当前查询到");
inline const QString NothingFoundPane = QStringLiteral("没有找到相关记录.");
inline const QString NothingFound = QStringLiteral("没有找到相关记录!");
inline const QString NothingInRange = QStringLiteral("没有找到此时间段进出记录!");
inline const QString CardCodeHint = QStringLiteral("请输入8位卡片内码按\"查询\"键!");
inline const QString PressSearch = QStringLiteral("请按查询键查找相关档案.");
inline const QString Cleared = QStringLiteral("当前记录已清空!");
inline const QString SystemRetry = QStringLiteral("系统异常,请重试.");
inline const QString CloseIgnored = QStringLiteral("退出时发生异常，已忽略!");
inline const QString CardFieldIdle = QStringLiteral("读卡录入...");

// Export and print until the spreadsheet export and the reports are wired in.
inline const QString ExportEmpty = QStringLiteral("当前记录为空! 请先导入记录。");
inline const QString PrintingPassages = QStringLiteral("打印进出记录表");
} // namespace texts::passages

// The passage archive (CRJLDA), its search and the chart window.
namespace texts::passages::archive {
// 时间异常 of a row whose controller clock is not to be trusted.
inline const QString FlagUnreadable = QStringLiteral("时间无法识别");
inline const QString FlagFuture = QStringLiteral("时间超前");
inline const QString FlagBefore2000 = QStringLiteral("早于2000年");
inline const QString FlagOutOfOrder = QStringLiteral("时间倒退");
inline const QString PanelTitle = QStringLiteral("  进出存档查询  ");
inline const QString FromLabel = QStringLiteral("从:");
inline const QString ToLabel = QStringLiteral("到:");
inline const QString CardLabel = QStringLiteral("卡片内码:");
inline const QString PlateLabel = QStringLiteral("车牌号码:");
inline const QString FlaggedOnly = QStringLiteral("只看时间异常");
inline const QString SearchButton = QStringLiteral("存档查询");
inline const QString ExportButton = QStringLiteral("导出存档");
inline const QString PrintButton = QStringLiteral("打印存档");
inline const QString ChartButton = QStringLiteral("统计图表");
inline const QString SearchHint =
    QStringLiteral("卡片内码和车牌号码按开头查找，留空则查找所选日期内的全部存档记录。");
// %1 rows found.
inline const QString Found = QStringLiteral("进出存档中查询到 %1 笔记录");
inline const QString FoundFlagged = QStringLiteral("进出存档中查询到 %1 笔时间异常的记录");
inline const QString NothingFound = QStringLiteral("进出存档中没有找到符合条件的记录!");
inline const QString RangeReversed = QStringLiteral("开始日期晚于截止日期，请重新选择日期!");
inline const QString NothingToExport = QStringLiteral("请先进行存档查询，再导出或打印查询结果。");
inline const QString ExportName = QStringLiteral("进出存档");
inline const QString PrintingArchive = QStringLiteral("打印进出存档查询结果");
// After an import: %1 rows added to the archive, %2 already there.
inline const QString Imported =
    QStringLiteral("本次导入新存档 %1 笔，已在存档中 %2 笔（未重复保存）");
// %1 the reason (the row itself is shown in the tooltip of a flagged row).
inline const QString FlagTip = QStringLiteral("时间异常：%1");

// The chart window.
inline const QString ChartCaption = QStringLiteral("进出统计图表");
inline const QString ChartRefresh = QStringLiteral("刷新图表");
inline const QString ChartSave = QStringLiteral("保存图片");
inline const QString DailyTitle = QStringLiteral("每日进出车次");
inline const QString SeriesIn = QStringLiteral("进");
inline const QString SeriesOut = QStringLiteral("出");
inline const QString ExpiringTitle = QStringLiteral("未来12个月每月到期卡片数");
inline const QString SeriesExpiring = QStringLiteral("到期卡片");
inline const QString AxisCount = QStringLiteral("数量");
inline const QString SaveTitle = QStringLiteral("请输入要保存的图片文件名");
inline const QString SaveFilter = QStringLiteral("PNG图片(*.png)|*.png");
inline const QString SaveName = QStringLiteral("进出统计图表.png");
// %1 the file.
inline const QString Saved = QStringLiteral("图表已保存到 %1");
inline const QString SaveFailed = QStringLiteral("无法保存图片 %1");
// %1 passages in, %2 out, %3 cards expiring within the year.
inline const QString ChartSummary =
    QStringLiteral("所选期间共进 %1 车次，出 %2 车次；未来12个月到期卡片 %3 张");
} // namespace texts::passages::archive

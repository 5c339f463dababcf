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

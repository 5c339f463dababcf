#pragma once
// Texts of the database maintenance: backup and restore.
#include <QString>

namespace texts::db {
inline const QString FileFilter =
    QStringLiteral("Microsoft Access(*.mdb)|*.mdb|All Files(*.*)|*.*");
inline const QString SaveTitle = QStringLiteral("请输入要保存的文件名");
inline const QString BackupName = QStringLiteral("远距离Velmora");
inline const QString OverwriteQuestion = QStringLiteral("存在数据库重名，是否覆盖？");
inline const QString OverwriteCaption = QStringLiteral("存盘选项");
inline const QString BackupDone = QStringLiteral("数据库备份成功!");
inline const QString BackupDoneCaption = QStringLiteral("备份数据");
inline const QString BackupFailed = QStringLiteral("警告：数据库备份失败!");
inline const QString BackupFailedCaption = QStringLiteral("存盘错误");
inline const QString NotOurDatabase =
    QStringLiteral("%1 不是本程序的数据库（文件为空或缺少数据表）。");
inline const QString BackupOntoItself =
    QStringLiteral("不能备份到正在使用的数据库文件本身，请选择其他文件名或文件夹。");
inline const QString OpenTitle = QStringLiteral("请输入要读取的文件名");
inline const QString RestoreQuestion = QStringLiteral("警告：现有数据有可能丢失，确定还原？");
inline const QString RestoreCaption = QStringLiteral("数据库还原");
inline const QString RestoreDone = QStringLiteral("成功恢复数据库,请及时备份数据库!");
inline const QString RestoreDoneCaption = QStringLiteral("系统提示");
inline const QString RestoreFailed = QStringLiteral("恢复失败，请重试!");
} // namespace texts::db

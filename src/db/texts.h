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

// Automatic backups (Backup/ in the program directory).
inline const QString AutoBackupAtLogin = QStringLiteral("今日首次登录，已自动备份数据库：%1");
inline const QString AutoBackupBeforeRestore = QStringLiteral("还原前已自动备份当前数据库：%1");
inline const QString AutoBackupBeforeCompaction = QStringLiteral("压缩前已自动备份数据库：%1");
inline const QString AutoBackupFailedStatus = QStringLiteral("自动备份数据库失败：%1");
inline const QString AutoBackupFailed =
    QStringLiteral("自动备份数据库失败：%1\n备份文件夹：%2\n\n程序照常运行。请检查磁盘空间和"
                   "文件夹权限，或用“备份数据库”手动备份。");
inline const QString AutoBackupCaption = QStringLiteral("自动备份");
inline const QString BackupBeforeRestoreFailed =
    QStringLiteral("还原前自动备份当前数据库失败：%1\n\n不备份就还原，当前数据将无法找回。"
                   "仍要还原吗？");
inline const QString CannotReadDatabase = QStringLiteral("无法读取数据库文件（%1）");
inline const QString CopyNotSound =
    QStringLiteral("备份副本校验未通过，数据库文件可能已损坏（%1）");
inline const QString OccasionLogin = QStringLiteral("每日登录");
inline const QString OccasionRestore = QStringLiteral("还原前");
inline const QString OccasionCompaction = QStringLiteral("压缩前");
// The list of kept backups on the system tab.
inline const QString BackupListTitle = QStringLiteral("自动备份");
inline const QString NewestBackup = QStringLiteral("最新备份：%1");
inline const QString NoBackupYet = QStringLiteral("最新备份：无（尚未自动备份）");
inline const QString KeptBackups = QStringLiteral("保留 %1 份（最多 %2 份）");
inline const QString RestoreChosenBackup = QStringLiteral("还原所选备份");
inline const QString RestoreChosenBackupTip =
    QStringLiteral("用所选的自动备份替换当前数据库（还原前会先自动备份当前数据库）");
} // namespace texts::db

// The card history (table CardLog): the operations and outcomes as they are stored and shown.
namespace texts::db::history {
inline const QString IssuedSingle = QStringLiteral("单张发行");
inline const QString IssuedBatch = QStringLiteral("批量发行");
inline const QString Extended = QStringLiteral("卡片延期");
inline const QString ReportedLost = QStringLiteral("卡片挂失");
inline const QString FoundAgain = QStringLiteral("卡片解挂");
inline const QString Initialised = QStringLiteral("卡片初始化");
inline const QString DuplicateRefused = QStringLiteral("重复发卡被拒");
inline const QString RecordAdded = QStringLiteral("新增档案");
inline const QString RecordEdited = QStringLiteral("档案编辑");
inline const QString RecordDeleted = QStringLiteral("档案删除");
inline const QString Restored = QStringLiteral("数据库还原");
inline const QString Saved = QStringLiteral("已保存");
inline const QString NotSaved = QStringLiteral("未保存：%1");
inline const QString NoEditing = QStringLiteral("卡片历史记录不能修改。");
} // namespace texts::db::history

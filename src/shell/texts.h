#pragma once
// Texts of the main window frame and its exit paths.
#include <QString>

namespace texts::shell {
inline const QString ProgramTitle = QStringLiteral("Velmora");
inline const QString CaptionSuffix = QStringLiteral("_Velmora V1.6");
inline const QString Welcome = QStringLiteral("欢迎使用远距离Velmora");
inline const QString Minimise = QStringLiteral("最小化");
inline const QString EnterHint = QStringLiteral(" 请合理利用Enter键");
inline const QString DateLabel = QStringLiteral("系统当前日期:");
inline const QString DateFormat = QStringLiteral("yyyy年MM月dd日");
inline const QString SystemPrompt = QStringLiteral("系统提示");
inline const QString AlreadyRunning = QStringLiteral("该程序已经运行!.");
inline const QString SystemTabAdmin = QStringLiteral("系统管理界面.");
inline const QString RestrictedPane = QStringLiteral("非管理员登录，权限受限!");
inline const QString NoRights = QStringLiteral("非管理员登录，权限不足!");
inline const QString CardTabAdmin = QStringLiteral("进入卡片发行界面,请添加车主档案.");
inline const QString HelpTab = QStringLiteral("在线帮助界面.");
inline const QString ExitTab = QStringLiteral("进入系统退出界面.");
inline const QString NotHere = QStringLiteral("没到这里吗");
inline const QString SystemExit = QStringLiteral("系统退出.");
inline const QString ReallyExitSystem = QStringLiteral("真的退出系统吗?");
inline const QString ReallyWantExit = QStringLiteral("真的要退出吗？");
inline const QString ReallyExit = QStringLiteral("真的退出吗？");
inline const QString ExitLabel = QStringLiteral("点击图片即可退出系统，谢谢支持！             ");
inline const QString SkinClose = QStringLiteral("CloseVCL");
inline const QString SkinOpen = QStringLiteral("OpenVCL");
// Progress window of the passage import.
inline const QString ImportPreparing = QStringLiteral("正在处理导入记录，请稍后......  ");
inline const QString ImportRunning = QStringLiteral("正在导入进出记录，请稍后...  ");
// Help tab, help window and about box.
inline const QString UnsavedEdit = QStringLiteral("数据已修改但尚未保存，是否保存？");
inline const QString HelpCaption = QStringLiteral("帮助支持");
inline const QString HelpNotFound = QStringLiteral("找不到帮助页面：%1");
inline const QString AboutCaption = QStringLiteral(" Velmora ");
inline const QString AboutApplicationTitle = QStringLiteral("Velmora.");
inline const QString AboutLine = QStringLiteral("远距离停车场管理软件  V1.6版");
inline const QString AboutWebsite = QStringLiteral("软件官网:");
inline const QString AboutOk = QStringLiteral("确定");
} // namespace texts::shell

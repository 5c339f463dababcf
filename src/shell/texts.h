#pragma once
// Texts of the main window frame and its exit paths.
#include <QString>
#include <QStringList>

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
// %1: the program directory another copy (of any account) is running on.
inline const QString DirectoryInUse = QStringLiteral(
    "程序目录 %1 正由另一个运行中的副本使用（可能是另一个账户的），不能同时打开两个副本!");
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
inline const QString ImportReading = QStringLiteral("正在读取记录文件,请稍候...");
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
// The user manual of the help tab: its text lines; the memo shows a blank line after each.
inline const QStringList UserManual = {
    QStringLiteral(" 一、界面主要功能介绍："),
    QStringLiteral("  "
                   "1、登录：启动画面之后出现登录窗口，选择用户名，输入密码，按“登录”进入主界面；登"
                   "录错误超过3次，程序自动关闭。"),
    QStringLiteral("  "
                   "2、系统管理：显示串口事件和发行器的连接状态，可选择串口、打开或关闭串口、重新连"
                   "接；管理员可修改发行器密码、备份和还原数据库。"),
    QStringLiteral("  "
                   "3、卡片管理：单卡发行、批量发行、卡片延期、卡片挂失与解挂、卡片初始化，并可按卡"
                   "片内码、车牌号码、车主姓名查询车主档案和进出记录。"),
    QStringLiteral("  "
                   "4、用户管理：管理员可添加、修改、删除登录用户，设置用户类型（管理员、操作员、测"
                   "试员）；只有管理员能发行卡片和管理用户。"),
    QStringLiteral(
        "  5、在线帮助：显示本操作手册；按“帮助主题”打开帮助页面，按“关于软件”查看软件信息。"),
    QStringLiteral(
        "  6、退出系统：点击图片即可退出系统；状态栏的“最小化”可将程序隐藏到任务栏的通知区域。"),
    QStringLiteral(" 二、发行器功能介绍："),
    QStringLiteral("  "
                   "1、有效期发行：每张卡片写入有效期限（2000年至2099年），超过有效期限的卡片在出入"
                   "口不能通行。"),
    QStringLiteral("  "
                   "2、发行器密码管理：发行器设有用户密码，出厂密码为123456，可在“系统管理”的特殊功"
                   "能区修改；软件中的密码与发行器一致才能发卡。"),
    QStringLiteral(
        "  3、卡号格式：卡片内码为8位十六进制数，读卡器可按十六进制或十进制格式输出卡号。"),
    QStringLiteral(
        "  4、键盘模拟：支持USB/RS232和USB/PS2键盘模拟输出，读到的卡号可直接输入到其它软件中。"),
    QStringLiteral(
        "  5、输出接口：支持VG26/VG34（韦根）和RS232输出，可连接各种门禁和停车场控制器。"),
    QStringLiteral(
        "  6、卡片发行：单卡发行、批量发行、卡片延期、挂失、解挂和初始化都由发行器写卡完成。"),
    QStringLiteral("  7、卡片加密：卡片数据加密写入，未经本系统发行的卡片不能通行。"),
    QStringLiteral(
        "  8、声光提示：发行器用蜂鸣器和LED指示灯提示读写结果，写卡成功时蜂鸣器鸣叫一声。"),
    QStringLiteral(" 三、卡片发行介绍："),
    QStringLiteral(
        "  单卡发行是先录入车主档案，再发行卡片：一次发行一张，卡片写好后档案自动保存，"),
    QStringLiteral("  适合为新车主逐个办卡，每张卡片发行时车主资料就已完整。"),
    QStringLiteral("  "
                   "批量发行是先发行卡片，车主资料以后再补充：连续放卡即可发行多张，每张卡片自动生"
                   "成一条档案，"),
    QStringLiteral("  适合一次准备大量卡片；车主资料以后在“显示车主档案”中补充。"),
    QStringLiteral(" 1、单卡发行；"),
    QStringLiteral("  (1) 发卡前确认发行器已连接：如尚未连接，在“系统管理”界面的串口列表中"),
    QStringLiteral("      选择发行器所在的串口（如COM1），按“打开串口”。"),
    QStringLiteral("  (2) 发卡前可先读卡并按“查询”，确认卡片是否已经注册。"),
    QStringLiteral(
        "  (3) 进入“卡片管理”界面，按“单卡发行”：系统自动生成车辆编号（空档案从1001开始），"),
    QStringLiteral("      "
                   "光标停在“车主姓名”框中，状态栏提示“发行前先查询卡片是否已注册!单卡发行,"
                   "请输入车主姓名按Enter进入下一步!”。"),
    QStringLiteral("  (4) 输入车主姓名，按Enter进入下一步。"),
    QStringLiteral("  (5) 输入车牌号码，如“京A12345”，按Enter。"),
    QStringLiteral("  (6) 输入或选择汽车类型，按Enter；不选则默认为小汽车，按Tab键跳过。"),
    QStringLiteral("  (7) 输入11位车主手机号码，按Enter；位数不足时提示“手机号码位数不足.”。"),
    QStringLiteral("  (8) 输入车辆信息，如“黑色奔驰”，按Enter。"),
    QStringLiteral("  (9) 输入车场车位，如“A区201”，按Enter。"),
    QStringLiteral("  (10) 输入住址，如“A单元201”，按Enter，出现有效期限的日期框。"),
    QStringLiteral("  (11) 点击日期框的下拉箭头，在日历中选择卡片有效期限（2000年至2099年），"),
    QStringLiteral("       状态栏提示“请设置车辆允许通行的组号，可全选或单选!”。"),
    QStringLiteral(
        "  (12) 勾选车辆允许通行的组号“1”至“8”，或按“全选”；勾选后“开始发行”键变为可用。"),
    QStringLiteral(
        "  (13) 按“开始发行”，出现提示“命令已发送，请将卡片放在发行器上面读写!”，按“确定”。"),
    QStringLiteral("  (14) 将新卡片放在发行器上，听到发行器鸣叫一声，卡片写好，"),
    QStringLiteral("       卡片内码和有效期限显示在“卡有效期显示”框中。"),
    QStringLiteral("  (15) "
                   "车主档案自动保存，出现提示“车主档案已保存,如需继续发行,"
                   "请按单卡发行或选择批量发行.”，按“确定”。"),
    QStringLiteral("  (16) "
                   "如提示“此卡片已注册!"
                   "”，该卡片已有档案，请按“结束发行”，再按“查询”和“卡片延期”修改有效期限。"),
    QStringLiteral("  (17) 继续发行下一张卡片，再按“单卡发行”，重复以上步骤。"),
    QStringLiteral(" 2、批量发行；"),
    QStringLiteral("  (1) 进入“卡片管理”界面，按“批量发行”，系统自动生成车辆编号。"),
    QStringLiteral(
        "      "
        "状态栏提示“批量发行,只需选择有效期限的年\\月\\日，如:2013-01-01.即可选择进出入ID号!”。"),
    QStringLiteral(
        "  (2) 点击“有效期限”框，出现日期框，点击其下拉箭头，在日历中选择卡片有效期限。"),
    QStringLiteral("  (3) 勾选车辆允许通行的组号，或按“全选”，所有卡片使用相同的有效期限和组号。"),
    QStringLiteral("  (4) 按“开始发行”，出现提示后按“确定”。"),
    QStringLiteral(
        "      状态栏提示“卡片发行成功! 继续请换下一张读卡,完毕请按\"结束发行\"或\"返回\"键.”。"),
    QStringLiteral("  (5) 将卡片逐张放在发行器上：每听到一声鸣叫，该卡片的档案自动保存，"),
    QStringLiteral("      车辆编号自动加一，再换下一张卡片。"),
    QStringLiteral("  (6) 全部卡片发行完毕，按“结束发行”。"),
    QStringLiteral("      按“结束发行”后发行器回到读卡状态，再放上的卡片不会被写入。"),
    QStringLiteral(
        "  (7) 以后按“显示车主档案”，按车辆编号或卡片内码找到档案，补充车主姓名、车牌号码等资料。"),
    QStringLiteral(" 3、卡片延期；"),
    QStringLiteral(
        "  (1) 将要延期的卡片放在发行器上读卡，卡片内码自动填入“查询条件”的“卡片内码”框。"),
    QStringLiteral("      状态栏提示“卡片内码录入正常，如需查询或卡片延期，请按查询键.”。"),
    QStringLiteral("  (2) 按“查询”，显示该卡片的车主档案，“卡片延期”键变为可用。"),
    QStringLiteral("  (3) 按“卡片延期”，在日期框中选择新的有效期限，"),
    QStringLiteral(
        "      状态栏提示“请选择有效期限的年\\月\\日.如:2013-01-01.按开始发行进行延期修改!”。"),
    QStringLiteral("      再勾选允许通行的组号，或按“全选”。"),
    QStringLiteral("  (4) 按“开始发行”并按“确定”，将卡片放在发行器上，听到鸣叫声后延期完成。"),
    QStringLiteral(
        "  (5) 出现提示“卡片延期数据已更新.请做好数据库备份!”，档案中的有效期限同时更新。"),
    QStringLiteral(
        "  (6) 放上的卡片必须是查询到的那张卡片，否则提示“卡片内码不符!”，档案保持不变。"),
    QStringLiteral(" 4、卡片挂失；"),
    QStringLiteral("  (1) 卡片丢失后不在手边：在“查询条件”中输入车牌号码、车主姓名或卡片内码，"),
    QStringLiteral("      按“查询”，找到要挂失的卡片档案。"),
    QStringLiteral("  (2) 按“卡片挂失”，在提示“警告：确定要将此卡片挂失吗？”中按“是”。"),
    QStringLiteral("  (3) 出现提示“卡片挂失命令已发送!  请将挂失器放在发行器上读写!”，按“确定”。"),
    QStringLiteral("  (4) 将挂失器放在发行器上，听到鸣叫声后挂失命令写入挂失器，"),
    QStringLiteral("      档案的卡片状态变为“已挂失”。"),
    QStringLiteral("  (5) 将挂失器拿到各出入口的读卡器前读一次，此后该卡片不能通行。"),
    QStringLiteral("  (6) 卡片找回后，查询到该卡片，按“卡片解挂”，同样用挂失器写入，"),
    QStringLiteral("      再到各出入口读一次，该卡片即可恢复通行。"),
    QStringLiteral("  (7) "
                   "卡片初始化：读卡后按“卡片初始化”并确认，卡片的有效期限和组号被清除，档案的卡片"
                   "状态变为“初始化”。"),
    QStringLiteral("  以上操作完成后，请在“系统管理”的特殊功能区按“备份数据库”，及时备份数据。"),
};
} // namespace texts::shell

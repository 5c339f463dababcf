#pragma once
// Texts of the issuer link: port events, status panes and the lines that replies add.
#include <QString>

namespace texts::issuer {
// Opening, closing and choosing ports.
inline const QString PortEmptyOnOpen = QStringLiteral("串口不能为空!");
inline const QString PortEmptyOnKey = QStringLiteral("端口不能为空!");
inline const QString CannotOpen = QStringLiteral("不能打开COM%1,请检查设备端口.");
inline const QString LineParametersFailed = QStringLiteral("设定时发生错误");
inline const QString ReceiveSetupFailed = QStringLiteral("设置自动接收失败.");
inline const QString RegistrationFailed = QStringLiteral("事件设置时错误!");
inline const QString PortOpened = QStringLiteral("端口COM%1已打开.");
inline const QString PortClosed = QStringLiteral("端口COM%1已关闭.");
inline const QString PortChosen = QStringLiteral("选择COM");
inline const QString ReconnectFailed = QStringLiteral("重新联机失败!");

// Reply handling.
inline const QString CardNumberPrefix = QStringLiteral("卡号:");
inline const QString NoValidityShown =
    QStringLiteral("此卡未显示有效期,请检查发行器底部的拨码开关的状态!");
inline const QString LossLinePrefix = QStringLiteral("状态: 挂失   卡号: 00");
inline const QString UnlossLinePrefix = QStringLiteral("状态: 解挂   卡号: ");
inline const QString CardLinePrefix = QStringLiteral("卡片内码:");
inline const QString CardLineValidity = QStringLiteral("   有效期：");
inline const QString CardLineEcho = QStringLiteral("       此");
inline const QString LinkNormalLine = QStringLiteral("发行器通讯正常,请读卡!");
inline const QString LinkNormalPane = QStringLiteral("发行器通讯正常，请读卡!");
inline const QString PasswordChangedLine =
    QStringLiteral(" 发行器用户密码修改成功.请备份好新密码.");
inline const QString PasswordChangedPane = QStringLiteral("发行器用户密码修改成功.请备份好新密码.");
inline const QString PasswordRejectedLine =
    QStringLiteral(" 发行器用户密码修改失败，原始密码错误.");
inline const QString PasswordRejectedPane = QStringLiteral("发行器用户密码修改失败，原始密码错误.");
// A card-data reply whose date or group bytes are not hexadecimal.
inline const QString UnreadableCardData =
    QStringLiteral("发行器回复的卡片数据无法识别，卡片%1可能已被写入但未存档，请核对此卡。\r"
                   "回复：%2\r%3");

// Looking for the issuer and watching the link.
inline const QString CheckDeviceManager =
    QStringLiteral("查看电脑\"设备管理器--端口--COM#\"是否存在?");
inline const QString NoSerialPort = QStringLiteral("串口不存在,请确认后重启软件!");
inline const QString NoSerialPortCaption = QStringLiteral("未找到端口（串口）");
inline const QString SearchFailed = QStringLiteral("检测出错!");
inline const QString IdentifyFailed = QStringLiteral("打开COM%1口失败,设备端口被占用或不存在.");
inline const QString ConfirmFailed = QStringLiteral("设备通讯异常.请重新连接!");
inline const QString SendingFrames = QStringLiteral("正在发送通讯指令......");
inline const QString NotAnIssuerPort = QStringLiteral("与COM%1通讯失败，COM%1不是发行器端口!");
inline const QString IssuerNotFound = QStringLiteral("通讯失败，发行器端口不存在或被占用!");
// A port whose device is there but may not be opened by the logged-in Linux user.
inline const QString PortDenied =
    QStringLiteral("端口COM%1存在，但当前用户无权打开。请把用户加入dialout组"
                   "（sudo usermod -aG dialout 用户名），重新登录系统后再试。");
inline const QString IssuerNotFoundDenied =
    QStringLiteral("通讯失败，端口COM%1存在但当前用户无权打开：请把用户加入dialout组后重新登录!");
inline const QString LinkBroken = QStringLiteral("与发行器通讯中断，系统重新扫描...");
inline const QString DataSent = QStringLiteral("数据已发送,请查看修改结果!");
inline const QString ManualTestUnanswered = QStringLiteral("通讯失败，请检查设备端口");

// The prompt when no issuer answers.
inline const QString PromptCaption = QStringLiteral(" 通讯失败,发送超时!");
inline const QString PromptText =
    QStringLiteral("未找到发行器，继续扫描请按\"是\". 退出系统请按\"否\"。");
inline const QString PromptYes = QStringLiteral("是");
inline const QString PromptNo = QStringLiteral("否");

// Changing the issuer's password.
inline const QString PassCodeLabel = QStringLiteral("输入口令:");
inline const QString WrongPassCode = QStringLiteral("出错了，请输入正确密码.");
inline const QString PasswordsDiffer = QStringLiteral("两次输入密码不一致!");
inline const QString PasswordChangeSent = QStringLiteral("修改用户密码命令已发送,请查看修改结果!");
inline const QString PasswordChangeFailed = QStringLiteral("修改用户密码失败.");
inline const QString PasswordStoreFailed = QStringLiteral("出现异常情况");
// The status bar's indicator of the issuer link, and the tooltips of the lamps.
inline const QString IndicatorLinked = QStringLiteral("发行器：COM%1 已连接");
inline const QString IndicatorLinkedTip =
    QStringLiteral("发行器在端口COM%1（设备 %2）上，通讯正常。");
inline const QString IndicatorNoDevice = QStringLiteral("未知");
inline const QString IndicatorSearching = QStringLiteral("发行器：查找中…");
inline const QString IndicatorSearchingTip =
    QStringLiteral("正在各串口上查找发行器；状态栏左侧显示正在尝试的端口。");
inline const QString IndicatorUnused = QStringLiteral("发行器：未连接");
inline const QString IndicatorUnusedTip = QStringLiteral("只有管理员登录后，程序才连接发行器。");
inline const QString LinkLampTip =
    QStringLiteral("发行器连接：绿色为通讯正常，黄色为等待确认，红色为未连接");
inline const QString ActivityLampTip = QStringLiteral("端口活动：黄色为正在尝试端口");

} // namespace texts::issuer

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
inline const QString CardLineValidity = QStringLiteral("   有效期：20");
inline const QString CardLineEcho = QStringLiteral("       此");
inline const QString LinkNormalLine = QStringLiteral("发行器通讯正常,请读卡!");
inline const QString LinkNormalPane = QStringLiteral("发行器通讯正常，请读卡!");
inline const QString PasswordChangedLine =
    QStringLiteral(" 发行器用户密码修改成功.请备份好新密码.");
inline const QString PasswordChangedPane = QStringLiteral("发行器用户密码修改成功.请备份好新密码.");
inline const QString PasswordRejectedLine =
    QStringLiteral(" 发行器用户密码修改失败，原始密码错误.");
inline const QString PasswordRejectedPane = QStringLiteral("发行器用户密码修改失败，原始密码错误.");
inline const QString CardCodeMismatch = QStringLiteral("卡片内码不符!");
} // namespace texts::issuer

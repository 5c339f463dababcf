#pragma once
// Texts of the login window, the user tab and re-login.
#include <QString>

namespace texts::accounts {
inline const QString AccountNamePrompt = QStringLiteral("请输入用户名称.");
inline const QString PasswordPrompt = QStringLiteral("请输入用户密码.");
inline const QString ChooseAccount = QStringLiteral("请选择用户名登录.");
inline const QString FillInNameAndPassword = QStringLiteral("请填写用户名和密码!");
inline const QString LoginCaption = QStringLiteral("登录提示");
inline const QString WrongLoginRetry = QStringLiteral("用户或密码有错误!是否重新输入？");
inline const QString ErrorCaption = QStringLiteral("出错提示");
inline const QString ThirdFailure = QStringLiteral("出错了，登录错误超过3次，程序自动关闭!");
inline const QString IllegalLoginCaption = QStringLiteral("非法登录");
inline const QString LoggingIn = QStringLiteral("正在登录,请稍后...");
inline const QString UserTabPane = QStringLiteral("用户管理界面.");
inline const QString Saved = QStringLiteral("数据已保存.");
inline const QString EmptyNameOrPassword =
    QStringLiteral("用户名和密码不能为空，是否取消增加用户？");
inline const QString EntryErrorCaption = QStringLiteral("错误提示");
inline const QString Abandoned = QStringLiteral("已放弃.");
inline const QString CannotDeleteSelf = QStringLiteral("自己不能删除自己!");
inline const QString DeleteErrorCaption = QStringLiteral("删除错误");
inline const QString DeleteForever = QStringLiteral("删除的用户不能被恢复，是否删除？");
inline const QString ConfirmDeleteCaption = QStringLiteral("确认删除");
inline const QString PasswordCharacters = QStringLiteral("输入正确用户密码，只限输入字母和数字.");
inline const QString ReloginReset = QStringLiteral("重复登录已超过5次,系统自动清零!");
inline const QString NameSurroundingBlanks =
    QStringLiteral("用户名的开头和结尾不能有空格，请去掉后再保存.");
inline const QString NameHiddenCharacters =
    QStringLiteral("用户名中有不可见的控制字符或方向字符，请重新输入.");
inline const QString PastedPasswordShortened =
    QStringLiteral("粘贴的密码中有字母和数字以外的字符，已被去掉，请检查密码!");
} // namespace texts::accounts

#pragma once
// Texts of the card tab: captions, status prompts and messages of issuing.
#include <QString>

namespace texts::cards {
// Group boxes and controls.
inline const QString CardInfoGroup = QStringLiteral("卡片信息显示区");
inline const QString OwnerGroup = QStringLiteral("车主档案编辑区");
inline const QString LookupArea = QStringLiteral("档案/记录查询/卡片挂失");
inline const QString GateGroup = QStringLiteral("出入口限制设置");
inline const QString GateGroupInner = QStringLiteral("车辆允许通行的组号(场中场功能)");
inline const QString ValidityGroup = QStringLiteral(" 卡有效期显示 ");
inline const QString GroupDisplay = QStringLiteral(" 卡片组号显示 ");
inline const QString QueryGroup = QStringLiteral(" 查询条件 ");
inline const QString LossGroup = QStringLiteral("  卡片挂失 ");
inline const QString SingleIssue = QStringLiteral("     单卡发行");
inline const QString BatchIssue = QStringLiteral("      批量发行");
inline const QString Extend = QStringLiteral("卡片延期");
inline const QString StartIssue = QStringLiteral("开始发行");
inline const QString EndIssue = QStringLiteral("结束发行");
inline const QString Return = QStringLiteral("返回");
inline const QString SaveRecord = QStringLiteral("保存档案");
inline const QString SelectAll = QStringLiteral("全选");
inline const QString CancelAll = QStringLiteral("反选");
inline const QString SelectNone = QStringLiteral("不选");
inline const QString AllowedGroups = QStringLiteral("车辆允许通行的组号");
inline const QString CarTypeLabel = QStringLiteral("汽车类型:   ");
inline const QString ExpiringList = QStringLiteral("即将过期档案");
inline const QString Lookup = QStringLiteral("查询");
inline const QString ShowArchive = QStringLiteral("显示车主档案");
inline const QString Passages = QStringLiteral("进出记录查询");
inline const QString History = QStringLiteral("卡片历史");
inline const QString Loss = QStringLiteral("卡片挂失");
inline const QString Unloss = QStringLiteral("卡片解挂");
inline const QString Initialise = QStringLiteral("卡片初始化");
inline const QString NameHint = QStringLiteral("姓名");
inline const QString ReadEntry = QStringLiteral("读卡录入...");
inline const QString ReadEntryStart = QStringLiteral(" 读卡录入.");
inline const QString CarTypes[] = {QStringLiteral("小汽车"), QStringLiteral("越野车"),
                                   QStringLiteral("客车"), QStringLiteral("货车")};

// Issue modes.
inline const QString SinglePrompt =
    QStringLiteral("发行前先查询卡片是否已注册!单卡发行,请输入车主姓名按Enter进入下一步!");
inline const QString BatchPrompt =
    QStringLiteral("批量发行,只需选择有效期限的年\\月\\日，如:2013-01-01.即可选择进出入ID号!");
inline const QString ExtendPrompt =
    QStringLiteral("请选择有效期限的年\\月\\日.如:2013-01-01.按开始发行进行延期修改!");
inline const QString NullVehicleNumber = QStringLiteral("错误，存在空的ID值!");
inline const QString DatePicked = QStringLiteral(" 请设置车辆允许通行的组号，可全选或单选!");
inline const QString DateKey = QStringLiteral("请选择卡片有效期限，最长年限2099年!");
inline const QString StartRefused = QStringLiteral("车辆编号、卡片内码、有效期限等不能为空!");
inline const QString CommandSent = QStringLiteral("命令已发送，请将卡片放在发行器上面读写!");
inline const QString BatchStarted =
    QStringLiteral("卡片发行成功! 继续请换下一张读卡,完毕请按\"结束发行\"或\"返回\"键.");
inline const QString IssueEnded = QStringLiteral("卡片发行命令已结束!");
inline const QString Returned =
    QStringLiteral("返回卡片管理主界面.若发行请按单卡或批量发行,或读卡查询延期!");
inline const QString NoReplyPane =
    QStringLiteral("数据已发送但没有返回,如确定有读卡,请检查通讯端口!");
inline const QString NoReplyBox = QStringLiteral("数据已发送但没有返回，确定有读卡吗？");
inline const QString NoReplyCaption = QStringLiteral("提示信息");

// Gate groups (%1: the group's digit).
inline const QString GroupValid = QStringLiteral("设置ID%1有效.请按开始发行键.");
inline const QString GroupInvalid = QStringLiteral("设置ID%1无效.");
inline const QString SelectAllRefused =
    QStringLiteral("车辆编号不能为空,请按单卡发行或批量发行或读卡选择查询延期!");
inline const QString AllSelected =
    QStringLiteral("全部ID号选定,所有出入允许通行.请按开始发行键进行卡片发行!");
inline const QString AllCancelled = QStringLiteral("全部ID号取消,所有出入口禁止通行!");

// Owner entry: prompt while the vehicle number is filled, message otherwise, status after
// moving on.
inline const QString NamePrompt = QStringLiteral("请输入车主姓名,按Enter进入下一步..");
inline const QString NameNoMode = QStringLiteral("要发行卡片吗？请选择单片发行或批量发行键.");
inline const QString NameDone = QStringLiteral("请输入车牌号码.如\"京A12345\".按Enter进入下一步!");
inline const QString PlatePrompt = QStringLiteral("请输入车牌号码.如\"京A12345\"!");
inline const QString NoModeFirst = QStringLiteral("要发行卡片吗？请先按单片发行或批量发行键.");
inline const QString PlateDone =
    QStringLiteral("请输入或选择汽车类型.不选默认为小汽车.按Tab键跳过!");
inline const QString CarTypePrompt = QStringLiteral("请输入汽车类型.不选默认为小汽车.");
inline const QString CarTypeDone = QStringLiteral("请输入手机号码.按Enter进入下一步!");
inline const QString CarTypeChanged = QStringLiteral("请输入或选择汽车类型.按Enter进入下一步!");
inline const QString NoModePlease = QStringLiteral("要发行卡片吗？请按单片发行或批量发行键.");
inline const QString MobilePrompt = QStringLiteral("请输入手机号码.");
inline const QString MobileShort = QStringLiteral("手机号码位数不足.");
inline const QString MobileDone = QStringLiteral("请输入车辆相关信息,如\"黑色奔驰\".");
inline const QString VehiclePrompt =
    QStringLiteral("请输入车辆相关信息,如\"黑色奔驰\".按Enter进入下一步...");
inline const QString VehicleDone = QStringLiteral("请输入车场车位.如\"A区201\",按Enter进入下一步!");
inline const QString SpacePrompt =
    QStringLiteral("请输入车场车位信息,如\"A区201\".按Enter进入下一步...");
inline const QString AddressPrompt = QStringLiteral("请输入地址.如\"A单元201\",按Enter进入下一步!");
inline const QString ValidityPrompt = QStringLiteral("请选择卡片通行有效期限.如:2013-01-01.");
inline const QString NoVehicleNumber = QStringLiteral("车辆编号不能为空.请按单卡发行或批量发行!");
inline const QString StatusAfterRead = QStringLiteral("读卡后按查询键，即可显示卡片状态!");

// Card read and save.
inline const QString ReadNormal =
    QStringLiteral("卡片内码录入正常，如需查询或卡片延期，请按查询键.");
inline const QString ExtendDone = QStringLiteral("卡片延期步骤完成，命令自动结束!");
inline const QString SingleSaved =
    QStringLiteral("车主档案已保存，请查看所有档案或按Enter继续添加.");
inline const QString BatchSaved =
    QStringLiteral("车主档案已保存，请读卡继续添加.发行完毕请按结束发行!");
inline const QString ExtendUpdatedPane = QStringLiteral("卡片延期数据已更新.");
inline const QString ExtendUpdatedBox = QStringLiteral("卡片延期数据已更新.请做好数据库备份!");
inline const QString SingleSavedPane = QStringLiteral("如需继续发行,请按单卡发行或选择批量发行..");
inline const QString SingleSavedBox =
    QStringLiteral("车主档案已保存,如需继续发行,请按单卡发行或选择批量发行.");
inline const QString CardCodeEmpty = QStringLiteral("卡片内码不能为空");
inline const QString DuplicateCard =
    QStringLiteral("此卡片已注册!原注册有效期限为:%1\r\r结束发行后请按\"查询\"-"
                   "\"卡片延期\"将有效期限改成与档案库有"
                   "效期限一致.\r\r以免出现档案库信息与卡片实际信息不同步。");
inline const QString BatchContinue =
    QStringLiteral("要继续发行请换新卡读写，若要结束发行卡片请按＂结束发行＂或＂返回＂键!");
inline const QString CardCodeMismatch = QStringLiteral("卡片内码不符!");
// A card the issuer has written whose record could not be saved: the issuer is back in read
// mode, and the operator learns which card it was and why.
inline const QString WrittenUnsavedBox =
    QStringLiteral("卡片%1已由发行器写入，但车主档案未能保存，发行已结束。\r\r原因：%2\r\r"
                   "请排除故障后重新发行此卡，或按\"查询\"-\"卡片延期\"为它补登档案。");
// The card tab's lamps.
inline const QString StartLampTip = QStringLiteral("开始发行：绿色为发行命令已发送");
inline const QString ReadLampTip =
    QStringLiteral("读卡：绿色为读到的卡片带有组号，红色为尚未读卡或卡片无组号");
inline const QString WrittenUnsavedCaption = QStringLiteral("警告");
inline const QString WrittenUnsavedPane = QStringLiteral("卡片%1已写入但档案未保存!");
// An extension written onto another card than the record's own.
inline const QString ExtendOtherCardPane =
    QStringLiteral("延期写入的是卡片%1（档案原卡%2），档案卡号已改为%1.");
inline const QString ExtendOtherRecordPane =
    QStringLiteral("延期写入的卡片%1属于另一档案，本档案未保存，请核对档案库.");
inline const QString StatusEnabled = QStringLiteral("已启用");

// The busy guard of the lookups and the initialisation.
inline const QString ModeBusy = QStringLiteral("\"单卡发行\"或\"批量发行\"键被按下! "
                                               "请先按\"结束发行\"或\"返回\"键,再进行其它操作!");

// Loss, unloss and initialisation.
inline const QString LossQuestion = QStringLiteral("警告：确定要将此卡片挂失吗？");
inline const QString UnlossQuestion = QStringLiteral("提示：确定要将此卡片解挂吗？");
inline const QString LossSent = QStringLiteral("卡片挂失命令已发送!  请将挂失器放在发行器上读写!");
inline const QString UnlossSent =
    QStringLiteral("卡片解挂命令已发送!  请将挂失器放在发行器上读写!");
inline const QString LossWritten =
    QStringLiteral("卡片挂失命令已写入，请将挂失器到相关读卡器上读卡即完成挂失!");
inline const QString UnlossWritten =
    QStringLiteral("卡片解挂命令已写入，请将挂失器到相关读卡器上读卡即完成解挂!");
inline const QString InitQuestion = QStringLiteral("确定要将此卡片有效期限初始化吗？");
inline const QString InitSentPane = QStringLiteral("卡片有效期限初始化命令命令已发送，请读卡!");
inline const QString InitSentBox =
    QStringLiteral("卡片初始化命令已发送，请将卡片放在发行器上读写!");
inline const QString InitDone = QStringLiteral("卡片有效期限初始化成功!");
inline const QString InitUnregistered = QStringLiteral("此卡未注册.初始化成功!");
// Values of 卡片状态 and the validity of an initialised card.
inline const QString StatusLost = QStringLiteral("已挂失");
inline const QString StatusFound = QStringLiteral("已解挂");
inline const QString StatusInitialised = QStringLiteral("初始化");
inline const QString InitialisedValidity = QStringLiteral("2000年00月00日");

// Lookups.
inline const QString CardFieldPrompt = QStringLiteral("读卡录入或输入8位卡片内码，再按查询键!");
inline const QString PlateFieldPrompt = QStringLiteral("请输入车牌号.再按查询.");
inline const QString NameFieldPrompt = QStringLiteral("请输入车主姓名.再按查询.");
inline const QString NoQuery = QStringLiteral("请输入查询条件!");
inline const QString NoQueryCaption = QStringLiteral("检查输入");
inline const QString OperatorLookup = QStringLiteral("非管理员登录，权限不足,仅限查询档案!");
inline const QString NotFound = QStringLiteral("没有找到相关记录.");
inline const QString NotFoundOperatorPane =
    QStringLiteral("没有找到相关记录.如需发行请以管理员身份登录!");
inline const QString FoundOperator =
    QStringLiteral("找到一条记录.若需延期、修改等相关操作请以管理员身份登录!");
inline const QString CardNotRegistered =
    QStringLiteral("此卡未登记.如需发行请按单卡发行或批量发行键!");
inline const QString NotFoundIssue =
    QStringLiteral("没有找到相关记录.如需发行请按单卡发行或批量发行键!");
inline const QString NotFoundIssuePlate =
    QStringLiteral("没有找到相关记录.如需发行请按单卡发行或批量发行键!!");
inline const QString FoundCard =
    QStringLiteral("找到一条记录.若需延期按卡片延期;若修改按显示所有档案.");
inline const QString FoundRecords = QStringLiteral("找到相关记录.详细请按显示所有档案.");
inline const QString NoneExpiring = QStringLiteral("没有找到即将过期记录!");
inline const QString ExpiringFailed = QStringLiteral("没有找到过期记录!");
inline const QString PassagesFailed = QStringLiteral("进出记录表显示异常!");
} // namespace texts::cards

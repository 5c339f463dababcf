// The system tab's layout: the car park pictures, the port events and port choice, the link
// lamps, the leave and re-login buttons, the issuer search and password, and the database
// backup and restore; showing it by role and its start at login.
#include "issuer/systemtab.h"

#include "common/globals.h"
#include "common/programdir.h"
#include "db/backuplist.h"
#include "db/backups.h"
#include "issuer/texts.h"
#include "shell/pictures.h"
#include "shell/texts.h"
#include "shell/widgets.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

SystemTab::SystemTab(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("rztbshtTabSheet1"));
    tmr1 = new QTimer(this);
    tmr4 = new QTimer(this);
    tmr5 = new QTimer(this);
    tmr6 = new QTimer(this);
    tmr1->setInterval(1000);
    tmr4->setInterval(1000);
    tmr5->setInterval(500);
    tmr6->setInterval(1000);
    connect(tmr6, &QTimer::timeout, this, [this] { tmr6Timer(); });
    tmr6->start();
    build();
    setupSerial();
    nameControls({NAMED(tmr1), NAMED(tmr4), NAMED(tmr5), NAMED(tmr6)});
}

SystemTab::~SystemTab() = default;

QString SystemTab::title() const
{
    return QStringLiteral(" 系统管理 ");
}

void SystemTab::build()
{
    QWidget *page = this;

    RzGroupBox2 = new QGroupBox(QStringLiteral("车场示意图"), page);
    RzGroupBox2->setGeometry(0, 0, 449, 170);
    auto *pic1 = new QLabel(RzGroupBox2);
    pic1->setPixmap(pictures::carPark(QSize(437, 140), 0));
    pic1->setGeometry(6, 22, 437, 140);

    RzGroupBox3 = new QGroupBox(QStringLiteral("车场示意图"), page);
    RzGroupBox3->setGeometry(456, 0, 449, 170);
    auto *pic2 = new QLabel(RzGroupBox3);
    pic2->setPixmap(pictures::carPark(QSize(437, 140), 1));
    pic2->setGeometry(6, 22, 437, 140);

    // Port events, port choice, lamps and the leave / re-login buttons.
    RzGroupBox4 = new QGroupBox(QStringLiteral("端口事件显示"), page);
    RzGroupBox4->setGeometry(0, 174, 449, 400);
    auto *left = new QVBoxLayout(RzGroupBox4);
    RzMemo1 = new EventMemo(RzGroupBox4);
    left->addWidget(RzMemo1, 1);
    auto *portRow = new QHBoxLayout;
    portRow->setSpacing(4);
    ComTxt = new QComboBox(RzGroupBox4);
    ComTxt->setEditable(false);
    // Wide enough for "COM10"; the row must fit the group box with the four buttons.
    ComTxt->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComTxt->setMinimumContentsLength(5);
    opencmd = plainButton(QStringLiteral("打开串口"), RzGroupBox4);
    opencmd->setEnabled(false);
    CLpc1 = plainButton(QStringLiteral("关闭串口"), RzGroupBox4);
    btnClose2 = plainButton(QStringLiteral("重新连接"), RzGroupBox4);
    btn2 = plainButton(QStringLiteral("手动测试"), RzGroupBox4);
    btn2->setEnabled(false);
    portRow->addWidget(ComTxt);
    portRow->addWidget(opencmd);
    portRow->addWidget(CLpc1);
    portRow->addWidget(btnClose2);
    portRow->addWidget(btn2);
    left->addLayout(portRow);
    RzGroupBoxStatus = new QGroupBox(QStringLiteral(" 状态指示 "), RzGroupBox4);
    auto *status = new QHBoxLayout(RzGroupBoxStatus);
    shp3 = new Lamp(RzGroupBoxStatus);
    shp1 = new Lamp(RzGroupBoxStatus);
    shp3->setToolTip(texts::issuer::LinkLampTip);
    shp1->setToolTip(texts::issuer::ActivityLampTip);
    edt6 = new QLineEdit(QStringLiteral("0"), RzGroupBoxStatus);
    edt7 = new QLineEdit(QStringLiteral("0"), RzGroupBoxStatus);
    edt6->setReadOnly(true);
    edt7->setReadOnly(true);
    edt6->setMaximumWidth(50);
    edt7->setMaximumWidth(50);
    status->addWidget(new QLabel(QStringLiteral("连接:"), RzGroupBoxStatus));
    status->addWidget(shp3);
    status->addWidget(new QLabel(QStringLiteral("活动:"), RzGroupBoxStatus));
    status->addWidget(shp1);
    status->addWidget(edt6);
    status->addWidget(edt7);
    status->addStretch(1);
    left->addWidget(RzGroupBoxStatus);
    auto *leaveRow = new QHBoxLayout;
    btn1 = plainButton(QStringLiteral("退出系统"), RzGroupBox4);
    btnClose1 = plainButton(QStringLiteral("重新登录"), RzGroupBox4);
    btn16 = plainButton(texts::shell::SkinClose, RzGroupBox4);
    leaveRow->addWidget(btn1);
    leaveRow->addWidget(btnClose1);
    leaveRow->addWidget(btn16);
    left->addLayout(leaveRow);
    RzMemo5 = new EventMemo(RzGroupBox4);
    RzMemo5->hide();
    memo2 = new EventMemo(RzGroupBox4);
    memo2->hide();
    connect(btn1, &QPushButton::clicked, this, &SystemTab::exitClicked);
    connect(btnClose1, &QPushButton::clicked, this, &SystemTab::reloginClicked);
    connect(btn16, &QPushButton::clicked, this, [this] { btn16Click(); });

    // Special functions: issuer search and password, database backup and restore.
    RzGroupBox5 = new QGroupBox(QStringLiteral("特殊功能区"), page);
    RzGroupBox5->setGeometry(456, 174, 449, 400);
    auto *right = new QVBoxLayout(RzGroupBox5);
    auto *codeRow = new QHBoxLayout;
    edt4 = new QLineEdit(RzGroupBox5);
    edt4->setEchoMode(QLineEdit::Password);
    btn5 = plainButton(QStringLiteral("搜索"), RzGroupBox5);
    btn6 = plainButton(QStringLiteral("识别"), RzGroupBox5);
    btn9 = plainButton(QStringLiteral("确认"), RzGroupBox5);
    lbl4 = new QLabel(QStringLiteral("输入口令:"), RzGroupBox5);
    codeRow->addWidget(lbl4);
    codeRow->addWidget(edt4);
    codeRow->addWidget(btn5);
    codeRow->addWidget(btn6);
    codeRow->addWidget(btn9);
    right->addLayout(codeRow);
    auto *pwRow = new QHBoxLayout;
    edtmm1 = new QLineEdit(RzGroupBox5);
    edtmm2 = new QLineEdit(RzGroupBox5);
    edtmm3 = new QLineEdit(RzGroupBox5);
    for (QLineEdit *e : {edtmm1, edtmm2, edtmm3}) {
        e->setMaxLength(6);
        e->setMaximumWidth(70);
    }
    btn10 = plainButton(QStringLiteral("修改密码"), RzGroupBox5);
    pwRow->addWidget(new QLabel(QStringLiteral("原密码:"), RzGroupBox5));
    pwRow->addWidget(edtmm1);
    pwRow->addWidget(new QLabel(QStringLiteral("新密码:"), RzGroupBox5));
    pwRow->addWidget(edtmm2);
    pwRow->addWidget(new QLabel(QStringLiteral("确认:"), RzGroupBox5));
    pwRow->addWidget(edtmm3);
    pwRow->addWidget(btn10);
    right->addLayout(pwRow);
    RzMemo4 = new EventMemo(RzGroupBox5);
    right->addWidget(RzMemo4, 1);
    auto *dbRow = new QHBoxLayout;
    btnClosebtn5 = plainButton(QStringLiteral("备份数据库"), RzGroupBox5);
    btnClosebtn6 = plainButton(QStringLiteral("还原数据库"), RzGroupBox5);
    g1 = new QProgressBar(RzGroupBox5);
    g1->setRange(0, 100);
    g1->setValue(0);
    dbRow->addWidget(btnClosebtn5);
    dbRow->addWidget(btnClosebtn6);
    dbRow->addWidget(g1, 1);
    right->addLayout(dbRow);
    auto *backupList = new BackupList(programdir::databaseFile(), backups::folder(),
                                      programdir::settingsFile(), RzGroupBox5);
    right->addWidget(backupList);
    connect(backupList, &BackupList::statusChanged, this, &SystemTab::statusChanged);
    btn26 = plainButton(QStringLiteral("检测"), RzGroupBox5);
    btn26->hide();
    RzMemo6 = new EventMemo(RzGroupBox5);
    RzMemo6->hide();
    connect(btnClosebtn5, &QPushButton::clicked, this, [this] { btnClosebtn5Click(); });
    connect(btnClosebtn6, &QPushButton::clicked, this, [this] { btnClosebtn6Click(); });
    nameControls({NAMED(RzGroupBox2),
                  NAMED(RzGroupBox3),
                  NAMED(RzGroupBox4),
                  NAMED(RzGroupBox5),
                  NAMED(RzGroupBoxStatus),
                  NAMED(RzMemo1),
                  NAMED(RzMemo5),
                  NAMED(RzMemo6),
                  NAMED(RzMemo4),
                  NAMED(memo2),
                  NAMED(ComTxt),
                  NAMED(opencmd),
                  NAMED(CLpc1),
                  NAMED(btnClose2),
                  NAMED(btn2),
                  NAMED(btn26),
                  NAMED(shp3),
                  NAMED(shp1),
                  NAMED(edt6),
                  NAMED(edt7),
                  NAMED(btn1),
                  NAMED(btnClose1),
                  NAMED(btn16),
                  NAMED(edt4),
                  NAMED(edtmm1),
                  NAMED(edtmm2),
                  NAMED(edtmm3),
                  NAMED(btn5),
                  NAMED(btn6),
                  NAMED(btn9),
                  NAMED(btn10),
                  NAMED(btnClosebtn5),
                  NAMED(btnClosebtn6),
                  NAMED(g1),
                  NAMED(lbl4)});
}

void SystemTab::start()
{
    showLinkState();
    if (!isAdministrator()) {
        RzGroupBox5->setEnabled(false);
        CLpc1->setEnabled(false);
        btn10->setEnabled(false);
        edt4->setEnabled(false);
        setStatus(texts::shell::RestrictedPane);
        return;
    }
    // A previous login of another role disabled these; the role applies both ways.
    RzGroupBox4->setEnabled(true);
    RzGroupBox5->setEnabled(true);
    CLpc1->setEnabled(true);
    refreshPasswordButton();
    edt4->setEnabled(true);
    ComTxt->addItems(GetComPortList());
    for (const QString &port : GetComPortList())
        RzMemo6->addLine(port);
    PortCount = RzMemo6->lineCount();
    if (RzMemo6->lineCount() > 0)
        ComTxt->setCurrentText(RzMemo6->lines().first());
    btn5->setText(QStringLiteral("开始"));
    tmr4->start();
    setStatus(texts::shell::SystemTabAdmin);
    if (ReloginCount >= 1)
        btnClose2Click();
    else
        ReloginCount = 0;
}

void SystemTab::shown()
{
    if (isAdministrator()) {
        RzGroupBox4->setEnabled(true);
        RzGroupBox5->setEnabled(true);
        CLpc1->setEnabled(true);
        refreshPasswordButton();
        edt4->setEnabled(true);
        setStatus(texts::shell::SystemTabAdmin);
    } else {
        RzGroupBox5->setEnabled(false);
        CLpc1->setEnabled(false);
        btn10->setEnabled(false);
        edt4->setEnabled(false);
        setStatus(texts::shell::RestrictedPane);
    }
}

void SystemTab::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fitColumns();
}

// The two columns keep their width and place whatever the window's size.
void SystemTab::fitColumns()
{
    RzGroupBox2->resize(449, RzGroupBox2->height());
    RzGroupBox4->resize(449, RzGroupBox4->height());
    RzGroupBox3->move(456, RzGroupBox3->y());
    RzGroupBox5->move(456, RzGroupBox5->y());
}

void SystemTab::btn16Click()
{
    if (btn16->text() == texts::shell::SkinClose) {
        btn16->setText(texts::shell::SkinOpen);
        m_skinOn = false;
    } else {
        btn16->setText(texts::shell::SkinClose);
    }
}

void SystemTab::tmr6Timer()
{
    shp1->setColor(colors::Green);
}

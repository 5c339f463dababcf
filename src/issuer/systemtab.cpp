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
    nextPortTimer = new QTimer(this);
    firstSearchTimer = new QTimer(this);
    supervisionTimer = new QTimer(this);
    activityTimer = new QTimer(this);
    nextPortTimer->setInterval(1000);
    firstSearchTimer->setInterval(1000);
    supervisionTimer->setInterval(500);
    activityTimer->setInterval(1000);
    connect(activityTimer, &QTimer::timeout, this, [this] { activityTimerTimer(); });
    activityTimer->start();
    build();
    setupSerial();
    nameControls({{nextPortTimer, "tmr1"},
                  {firstSearchTimer, "tmr4"},
                  {supervisionTimer, "tmr5"},
                  {activityTimer, "tmr6"}});
}

SystemTab::~SystemTab() = default;

QString SystemTab::title() const
{
    return QStringLiteral(" 系统管理 ");
}

void SystemTab::build()
{
    QWidget *page = this;

    carParkBoxLeft = new QGroupBox(QStringLiteral("车场示意图"), page);
    carParkBoxLeft->setGeometry(0, 0, 449, 170);
    auto *pic1 = new QLabel(carParkBoxLeft);
    pic1->setPixmap(pictures::carPark(QSize(437, 140), 0));
    pic1->setGeometry(6, 22, 437, 140);

    carParkBoxRight = new QGroupBox(QStringLiteral("车场示意图"), page);
    carParkBoxRight->setGeometry(456, 0, 449, 170);
    auto *pic2 = new QLabel(carParkBoxRight);
    pic2->setPixmap(pictures::carPark(QSize(437, 140), 1));
    pic2->setGeometry(6, 22, 437, 140);

    // Port events, port choice, lamps and the leave / re-login buttons.
    portEventsBox = new QGroupBox(QStringLiteral("端口事件显示"), page);
    portEventsBox->setGeometry(0, 174, 449, 400);
    auto *left = new QVBoxLayout(portEventsBox);
    eventMemo = new EventMemo(portEventsBox);
    left->addWidget(eventMemo, 1);
    auto *portRow = new QHBoxLayout;
    portRow->setSpacing(4);
    portChoice = new QComboBox(portEventsBox);
    portChoice->setEditable(false);
    // Wide enough for "COM10"; the row must fit the group box with the four buttons.
    portChoice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    portChoice->setMinimumContentsLength(5);
    openPortButton = plainButton(QStringLiteral("打开串口"), portEventsBox);
    openPortButton->setEnabled(false);
    closePortButton = plainButton(QStringLiteral("关闭串口"), portEventsBox);
    reconnectButton = plainButton(QStringLiteral("重新连接"), portEventsBox);
    manualTestButton = plainButton(QStringLiteral("手动测试"), portEventsBox);
    manualTestButton->setEnabled(false);
    portRow->addWidget(portChoice);
    portRow->addWidget(openPortButton);
    portRow->addWidget(closePortButton);
    portRow->addWidget(reconnectButton);
    portRow->addWidget(manualTestButton);
    left->addLayout(portRow);
    statusBox = new QGroupBox(QStringLiteral(" 状态指示 "), portEventsBox);
    auto *status = new QHBoxLayout(statusBox);
    linkLamp = new Lamp(statusBox);
    activityLamp = new Lamp(statusBox);
    linkLamp->setToolTip(texts::issuer::LinkLampTip);
    activityLamp->setToolTip(texts::issuer::ActivityLampTip);
    sentCounter = new QLineEdit(QStringLiteral("0"), statusBox);
    repliesCounter = new QLineEdit(QStringLiteral("0"), statusBox);
    sentCounter->setReadOnly(true);
    repliesCounter->setReadOnly(true);
    sentCounter->setMaximumWidth(50);
    repliesCounter->setMaximumWidth(50);
    status->addWidget(new QLabel(QStringLiteral("连接:"), statusBox));
    status->addWidget(linkLamp);
    status->addWidget(new QLabel(QStringLiteral("活动:"), statusBox));
    status->addWidget(activityLamp);
    status->addWidget(sentCounter);
    status->addWidget(repliesCounter);
    status->addStretch(1);
    left->addWidget(statusBox);
    auto *leaveRow = new QHBoxLayout;
    exitButton = plainButton(QStringLiteral("退出系统"), portEventsBox);
    reloginButton = plainButton(QStringLiteral("重新登录"), portEventsBox);
    skinButton = plainButton(texts::shell::SkinClose, portEventsBox);
    leaveRow->addWidget(exitButton);
    leaveRow->addWidget(reloginButton);
    leaveRow->addWidget(skinButton);
    left->addLayout(leaveRow);
    statusReplyMemo = new EventMemo(portEventsBox);
    statusReplyMemo->hide();
    spareMemo = new EventMemo(portEventsBox);
    spareMemo->hide();
    connect(exitButton, &QPushButton::clicked, this, &SystemTab::exitClicked);
    connect(reloginButton, &QPushButton::clicked, this, &SystemTab::reloginClicked);
    connect(skinButton, &QPushButton::clicked, this, [this] { skinButtonClick(); });

    // Special functions: issuer search and password, database backup and restore.
    specialFunctionsBox = new QGroupBox(QStringLiteral("特殊功能区"), page);
    specialFunctionsBox->setGeometry(456, 174, 449, 400);
    auto *right = new QVBoxLayout(specialFunctionsBox);
    auto *codeRow = new QHBoxLayout;
    passCodeField = new QLineEdit(specialFunctionsBox);
    passCodeField->setEchoMode(QLineEdit::Password);
    searchButton = plainButton(QStringLiteral("搜索"), specialFunctionsBox);
    identifyButton = plainButton(QStringLiteral("识别"), specialFunctionsBox);
    confirmButton = plainButton(QStringLiteral("确认"), specialFunctionsBox);
    passCodeLabel = new QLabel(QStringLiteral("输入口令:"), specialFunctionsBox);
    codeRow->addWidget(passCodeLabel);
    codeRow->addWidget(passCodeField);
    codeRow->addWidget(searchButton);
    codeRow->addWidget(identifyButton);
    codeRow->addWidget(confirmButton);
    right->addLayout(codeRow);
    auto *pwRow = new QHBoxLayout;
    oldPasswordField = new QLineEdit(specialFunctionsBox);
    newPasswordField = new QLineEdit(specialFunctionsBox);
    confirmPasswordField = new QLineEdit(specialFunctionsBox);
    for (QLineEdit *e : {oldPasswordField, newPasswordField, confirmPasswordField}) {
        e->setMaxLength(6);
        e->setMaximumWidth(70);
    }
    changePasswordButton = plainButton(QStringLiteral("修改密码"), specialFunctionsBox);
    pwRow->addWidget(new QLabel(QStringLiteral("原密码:"), specialFunctionsBox));
    pwRow->addWidget(oldPasswordField);
    pwRow->addWidget(new QLabel(QStringLiteral("新密码:"), specialFunctionsBox));
    pwRow->addWidget(newPasswordField);
    pwRow->addWidget(new QLabel(QStringLiteral("确认:"), specialFunctionsBox));
    pwRow->addWidget(confirmPasswordField);
    pwRow->addWidget(changePasswordButton);
    right->addLayout(pwRow);
    supervisedPortList = new EventMemo(specialFunctionsBox);
    right->addWidget(supervisedPortList, 1);
    auto *dbRow = new QHBoxLayout;
    backupButton = plainButton(QStringLiteral("备份数据库"), specialFunctionsBox);
    restoreButton = plainButton(QStringLiteral("还原数据库"), specialFunctionsBox);
    progressBar = new QProgressBar(specialFunctionsBox);
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    dbRow->addWidget(backupButton);
    dbRow->addWidget(restoreButton);
    dbRow->addWidget(progressBar, 1);
    right->addLayout(dbRow);
    auto *backupList = new BackupList(programdir::databaseFile(), backups::folder(),
                                      programdir::settingsFile(), specialFunctionsBox);
    right->addWidget(backupList);
    connect(backupList, &BackupList::statusChanged, this, &SystemTab::statusChanged);
    checkButton = plainButton(QStringLiteral("检测"), specialFunctionsBox);
    checkButton->hide();
    portListAtStart = new EventMemo(specialFunctionsBox);
    portListAtStart->hide();
    connect(backupButton, &QPushButton::clicked, this, [this] { backupButtonClick(); });
    connect(restoreButton, &QPushButton::clicked, this, [this] { restoreButtonClick(); });
    nameControls({{carParkBoxLeft, "RzGroupBox2"},
                  {carParkBoxRight, "RzGroupBox3"},
                  {portEventsBox, "RzGroupBox4"},
                  {specialFunctionsBox, "RzGroupBox5"},
                  {statusBox, "RzGroupBoxStatus"},
                  {eventMemo, "RzMemo1"},
                  {statusReplyMemo, "RzMemo5"},
                  {portListAtStart, "RzMemo6"},
                  {supervisedPortList, "RzMemo4"},
                  {spareMemo, "memo2"},
                  {portChoice, "ComTxt"},
                  {openPortButton, "opencmd"},
                  {closePortButton, "CLpc1"},
                  {reconnectButton, "btnClose2"},
                  {manualTestButton, "btn2"},
                  {checkButton, "btn26"},
                  {linkLamp, "shp3"},
                  {activityLamp, "shp1"},
                  {sentCounter, "edt6"},
                  {repliesCounter, "edt7"},
                  {exitButton, "btn1"},
                  {reloginButton, "btnClose1"},
                  {skinButton, "btn16"},
                  {passCodeField, "edt4"},
                  {oldPasswordField, "edtmm1"},
                  {newPasswordField, "edtmm2"},
                  {confirmPasswordField, "edtmm3"},
                  {searchButton, "btn5"},
                  {identifyButton, "btn6"},
                  {confirmButton, "btn9"},
                  {changePasswordButton, "btn10"},
                  {backupButton, "btnClosebtn5"},
                  {restoreButton, "btnClosebtn6"},
                  {progressBar, "g1"},
                  {passCodeLabel, "lbl4"}});
}

void SystemTab::start()
{
    showLinkState();
    if (!isAdministrator()) {
        specialFunctionsBox->setEnabled(false);
        closePortButton->setEnabled(false);
        changePasswordButton->setEnabled(false);
        passCodeField->setEnabled(false);
        setStatus(texts::shell::RestrictedPane);
        return;
    }
    // A previous login of another role disabled these; the role applies both ways.
    portEventsBox->setEnabled(true);
    specialFunctionsBox->setEnabled(true);
    closePortButton->setEnabled(true);
    refreshPasswordButton();
    passCodeField->setEnabled(true);
    portChoice->addItems(GetComPortList());
    for (const QString &port : GetComPortList())
        portListAtStart->addLine(port);
    PortCount = portListAtStart->lineCount();
    if (portListAtStart->lineCount() > 0)
        portChoice->setCurrentText(portListAtStart->lines().first());
    searchButton->setText(QStringLiteral("开始"));
    firstSearchTimer->start();
    setStatus(texts::shell::SystemTabAdmin);
    if (ReloginCount >= 1)
        reconnectButtonClick();
    else
        ReloginCount = 0;
}

void SystemTab::shown()
{
    if (isAdministrator()) {
        portEventsBox->setEnabled(true);
        specialFunctionsBox->setEnabled(true);
        closePortButton->setEnabled(true);
        refreshPasswordButton();
        passCodeField->setEnabled(true);
        setStatus(texts::shell::SystemTabAdmin);
    } else {
        specialFunctionsBox->setEnabled(false);
        closePortButton->setEnabled(false);
        changePasswordButton->setEnabled(false);
        passCodeField->setEnabled(false);
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
    carParkBoxLeft->resize(449, carParkBoxLeft->height());
    portEventsBox->resize(449, portEventsBox->height());
    carParkBoxRight->move(456, carParkBoxRight->y());
    specialFunctionsBox->move(456, specialFunctionsBox->y());
}

void SystemTab::skinButtonClick()
{
    if (skinButton->text() == texts::shell::SkinClose) {
        skinButton->setText(texts::shell::SkinOpen);
        m_skinOn = false;
    } else {
        skinButton->setText(texts::shell::SkinClose);
    }
}

void SystemTab::activityTimerTimer()
{
    activityLamp->setColor(colors::Green);
}

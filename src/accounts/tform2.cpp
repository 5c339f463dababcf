#include "accounts/tform2.h"
#include "accounts/texts.h"
#include "common/passwordhash.h"

#include "common/clock.h"
#include "common/dialogs.h"
#include "common/globals.h"
#include "common/guard.h"
#include "common/inifile.h"
#include "common/keys.h"
#include "common/programdir.h"
#include "db/autobackup.h"
#include "db/compact.h"
#include "db/connection.h"
#include "db/datafrm.h"
#include "db/query.h"
#include "shell/appexit.h"
#include "shell/datamodule_access.h"
#include "shell/forms.h"
#include "shell/pictures.h"
#include "shell/texts.h"

#include <QCloseEvent>
#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>

void LoginNameBox::showPopup()
{
    emit aboutToDropDown();
    QComboBox::showPopup();
}

TForm2::TForm2(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Form2"));
    setFixedSize(359, 260);
    setWindowIcon(pictures::appIcon());

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    rz1 = new QGroupBox(this);
    rz1->setStyleSheet(QStringLiteral("QGroupBox{font-weight:bold;}"));
    outer->addWidget(rz1);
    auto *frame = new QVBoxLayout(rz1);
    auto *body = new QHBoxLayout;
    img1 = new QLabel(rz1);
    img1->setPixmap(pictures::loginSide(QSize(120, 150)));
    img1->setFixedSize(120, 150);
    body->addWidget(img1);

    auto *form = new QVBoxLayout;
    img2 = new QLabel(rz1);
    img2->setPixmap(pictures::logo(QSize(40, 40)));
    form->addWidget(img2, 0, Qt::AlignRight);
    // One grid for both fields, so that they start at the same place whatever the labels' widths.
    auto *fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("用户名:"), rz1), 0, 0);
    DBEdtid = new LoginNameBox(rz1);
    DBEdtid->setEditable(true);
    DBEdtid->setInsertPolicy(QComboBox::NoInsert);
    fields->addWidget(DBEdtid, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("密码："), rz1), 1, 0);
    edt2 = new QLineEdit(rz1);
    edt2->setEchoMode(QLineEdit::Password);
    edt2->setMaxLength(20);
    fields->addWidget(edt2, 1, 1);
    fields->setColumnStretch(1, 1);
    form->addLayout(fields);
    auto *buttons = new QHBoxLayout;
    btn1 = new QPushButton(QStringLiteral("登录"), rz1);
    btn2 = new QPushButton(QStringLiteral("退出"), rz1);
    btn1->setAutoDefault(false);
    btn2->setAutoDefault(false);
    buttons->addWidget(btn1);
    buttons->addWidget(btn2);
    form->addLayout(buttons);
    form->addStretch(1);
    body->addLayout(form, 1);
    frame->addLayout(body, 1);

    auto *status = new QHBoxLayout;
    WtxtWtxt = new QLabel(rz1);
    lbl5 = new QLabel(QStringLiteral("系统日期:    "), rz1);
    lbl6 = new QLabel(rz1);
    status->addWidget(WtxtWtxt, 1);
    status->addWidget(lbl5);
    status->addWidget(lbl6);
    frame->addLayout(status);

    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    // Each control carries its member name (style sheets, the widget inspector).
    for (const auto &[control, name] : {std::pair<QObject *, const char *>{DBEdtid, "DBEdtid"},
                                        {edt2, "edt2"},
                                        {btn1, "btn1"},
                                        {btn2, "btn2"},
                                        {WtxtWtxt, "WtxtWtxt"}})
        control->setObjectName(QLatin1String(name));

    DBEdtid->installEventFilter(this);
    DBEdtid->lineEdit()->installEventFilter(this);
    edt2->installEventFilter(this);
    rz1->installEventFilter(this);
    img1->installEventFilter(this);
    connect(DBEdtid, &LoginNameBox::aboutToDropDown, this, [this] { DBEdtidDropDown(); });
    connect(btn1, &QPushButton::clicked, this, [this] { btn1Click(); });
    connect(btn2, &QPushButton::clicked, this, [this] { btn2Click(); });

    FormCreate();
}

void TForm2::FormCreate()
{
    LoginFailCount = 0;
    const IniFile branding(programdir::brandingFile());
    const QString title = branding.readString(QStringLiteral("title"), QStringLiteral("TitleName"));
    const QString status = branding.readString(QStringLiteral("WZ"), QStringLiteral("WZName"));
    setWindowTitle(title + texts::shell::CaptionSuffix);
    rz1->setTitle(title);
    WtxtWtxt->setText(status);
    Dialogs::setApplicationTitle(title);
    Dialogs::setApplicationTitle(QStringLiteral("Velmora."));
    lbl6->setText(appclock::today().toString(texts::shell::DateFormat));
}

void TForm2::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TForm2::FormShow()
{
    // The file is compacted while nothing holds it open.
    datamodule::disconnect();
    QThread::msleep(10);
    compactIfWorthIt();
    guarded([this] {
        if (!Datafrm)
            return;
        Query *q = Datafrm->LGqry1;
        q->close();
        q->setSQL(QStringLiteral("select * from users;"));
        q->open();
        DBEdtid->setEditText(q->isEmpty() ? QString()
                                          : q->fieldByName(QStringLiteral("user_name")).asString());
    });
}

void TForm2::compactIfWorthIt()
{
    // Compacting a large file takes seconds: only when it gives enough back. The file is kept in
    // Backup/ first; without that backup it is not compacted.
    const QString file = programdir::databaseFile();
    const QString password = QString::fromLatin1(db::DatabasePassword);
    if (!compactionWorthIt(file, password))
        return;
    QString status;
    const bool backedUp = autobackup::beforeCompaction(this, &status);
    WtxtWtxt->setText(status);
    if (backedUp)
        compactDatabase(file, password);
}

void TForm2::DBEdtidDropDown()
{
    guarded([this] {
        DBEdtid->clear();
        if (!Datafrm)
            return;
        Query *q = Datafrm->LGqry1;
        q->close();
        q->open();
        const Field name = q->fieldByName(QStringLiteral("user_name"));
        for (int row = 0; row < q->rows(); ++row)
            DBEdtid->addItem(q->textAt(row, name.index()));
        if (DBEdtid->count() > 0)
            DBEdtid->setCurrentIndex(0);
        if (q->state() == Query::Edit || q->state() == Query::Insert)
            q->cancel();
        WtxtWtxt->setText(texts::accounts::ChooseAccount);
    });
}

bool TForm2::DBEdtidKeyPress(int key)
{
    if (keys::isEnter(key) && !DBEdtid->currentText().isEmpty()) {
        edt2->setFocus();
        return true;
    }
    return false;
}

bool TForm2::edt2KeyPress(int key)
{
    if (keys::isEnter(key)) {
        if (!edt2->text().trimmed().isEmpty()) {
            btn1->setFocus();
            btn1Click();
        } else {
            WtxtWtxt->setText(texts::accounts::PasswordPrompt);
        }
        return true;
    }
    WtxtWtxt->setText(texts::accounts::PasswordPrompt);
    return false;
}

void TForm2::edt2MouseDown()
{
    WtxtWtxt->setText(texts::accounts::PasswordPrompt);
}

void TForm2::btn1Click()
{
    const QString name = DBEdtid->currentText().trimmed();
    const QString password = edt2->text().trimmed();
    if (name.isEmpty())
        DBEdtid->setFocus();
    if (password.isEmpty())
        edt2->setFocus();
    if (DBEdtid->currentText().isEmpty() || edt2->text().isEmpty()) {
        Dialogs::box(texts::accounts::FillInNameAndPassword, texts::accounts::LoginCaption,
                     Dialogs::OkOnly, Dialogs::Information, this);
        return;
    }
    HelpFile = programdir::path(QStringLiteral("Help/index.htm"));
    DataFile = programdir::databaseFile();

    guarded([&] {
        // The check runs on a connection of its own; name and password travel as parameters,
        // so a quote typed in either is only ever part of the value.
        Connection check;
        check.setDatabase(DataFile);
        Query q(&check);
        // Passwords are stored hashed: the accounts of that name are read, and the one whose
        // stored password the typed one matches logs in.
        q.setSQL(QStringLiteral("select * from users where user_name=? order by id"));
        q.addBindValue(name);
        q.open();
        q.first();
        while (!q.eof() && !passwordhash::matches(
                               q.fieldByName(QStringLiteral("user_pass")).asString(), password))
            q.next();
        if (q.eof()) {
            ++LoginFailCount;
            if (Dialogs::box(texts::accounts::WrongLoginRetry, texts::accounts::ErrorCaption,
                             Dialogs::OkCancel, Dialogs::Information, this) == Dialogs::Cancel) {
                appexit::endProgram();
            } else {
                edt2->setFocus();
            }
            if (LoginFailCount >= 3) {
                Dialogs::box(texts::accounts::ThirdFailure, texts::accounts::IllegalLoginCaption,
                             Dialogs::OkOnly, Dialogs::Warning, this);
                appexit::endProgram();
            }
            return;
        }
        WtxtWtxt->setText(name + texts::accounts::LoggingIn);
        UserType = q.fieldByName(QStringLiteral("user_type")).asString();
        UserName = q.fieldByName(QStringLiteral("user_name")).asString();
        LoginFailCount = 0;
        q.close();
        // The day's first login keeps a backup. Whatever becomes of it, the login goes on; it is
        // announced once the main window is up, so that the status line it writes stays.
        const std::optional<backups::Result> daily = autobackup::atLogin();
        hide();
        emit loggedIn();
        if (daily)
            autobackup::announce(*daily);
    });
}

void TForm2::showForNewLogin()
{
    DBEdtid->clear();
    DBEdtid->clearEditText();
    edt2->clear();
    show();
}

void TForm2::btn2Click()
{
    if (Dialogs::box(texts::shell::ReallyWantExit, texts::shell::SystemPrompt, Dialogs::YesNo,
                     Dialogs::Information, this) != Dialogs::Yes)
        return;
    try {
        datamodule::disconnect();
        compactIfWorthIt();
    } catch (...) {
    }
    appexit::endProgram();
}

bool TForm2::FormClose()
{
    if (Dialogs::box(texts::shell::ReallyExit, texts::shell::SystemPrompt, Dialogs::YesNo,
                     Dialogs::Information, this) != Dialogs::Yes)
        return false;
    QThread::msleep(5);
    appexit::endProgram();
    return true;
}

void TForm2::closeEvent(QCloseEvent *event)
{
    if (appexit::programEnded() || FormClose())
        event->accept();
    else
        event->ignore();
}

void TForm2::setFocusColour(QWidget *w, bool focused)
{
    w->setStyleSheet(focused ? QStringLiteral("background:yellow;") : QString());
}

bool TForm2::eventFilter(QObject *watched, QEvent *event)
{
    const bool nameBox = watched == DBEdtid || watched == DBEdtid->lineEdit();
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (nameBox && DBEdtidKeyPress(key))
            return true;
        if (watched == edt2 && edt2KeyPress(key))
            return true;
        break;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        if (nameBox)
            setFocusColour(DBEdtid, event->type() == QEvent::FocusIn);
        else if (watched == edt2)
            setFocusColour(edt2, event->type() == QEvent::FocusIn);
        break;
    case QEvent::MouseButtonPress:
        if (watched == edt2)
            edt2MouseDown();
        break;
    case QEvent::MouseMove:
        // The window has no title bar: dragging the frame or the picture moves it.
        if ((watched == rz1 || watched == img1) &&
            (static_cast<QMouseEvent *>(event)->buttons() & Qt::LeftButton) && windowHandle()) {
            windowHandle()->startSystemMove();
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

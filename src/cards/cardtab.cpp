// The card tab of the main window: its layout, showing it by role, and the issue modes (single,
// batch, extension), starting and ending issuing.
#include "cards/cardtab.h"
#include "cards/cardfields.h"
#include "cards/issuesession.h"
#include "cards/issuing.h"
#include "cards/texts.h"
#include "common/clock.h"
#include "common/dialogs.h"
#include "common/globals.h"
#include "common/guard.h"
#include "db/datafrm.h"
#include "issuer/frames.h"
#include "issuer/issuerport.h"
#include "shell/texts.h"
#include "shell/widgets.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The picker's highlight: the field only, not its calendar popup, whose header would turn
// white on yellow.
const QString PickerHighlight = QStringLiteral("QDateEdit { background-color: yellow; }");

QLineEdit *counterEdit(QWidget *parent)
{
    auto *e = new QLineEdit(QStringLiteral("0"), parent);
    e->setReadOnly(true);
    e->setMaximumWidth(48);
    return e;
}

// The highlight a button gets from a lookup (yellow) and loses again.
void setButtonFace(QWidget *w)
{
    w->setStyleSheet(QString());
}

// The program sets the picker's date without it counting as the user's pick.
void setPickerDate(QDateEdit *picker, const QDate &date)
{
    const QSignalBlocker block(picker);
    picker->setDate(date);
}

Query *archive()
{
    return Datafrm ? Datafrm->Qryda1 : nullptr;
}

} // namespace

CardTab::CardTab(IssuerPort &port, QWidget *parent)
    : QWidget(parent)
    , m_port(port)
    , m_session(std::make_unique<cards::IssueSession>([this] { sendReadModeFrame(); }))
{
    setObjectName(QStringLiteral("rztbshtTabSheet3"));
    build();
    giveKeyboardShortcuts();
    tmr3 = new QTimer(this);
    tmr3->setObjectName(QStringLiteral("tmr3"));
    tmr3->setInterval(1000);
    connect(tmr3, &QTimer::timeout, this, [this] { tmr3Timer(); });
}

CardTab::~CardTab() = default;

QString CardTab::title() const
{
    return QStringLiteral(" 卡片管理 ");
}

void CardTab::build()
{
    namespace t = texts::cards;
    QWidget *page = this;
    auto *layout = new QHBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);

    // ---- card information: modes, counters, lamps, the card memo and the groups read ----
    rz2 = new QGroupBox(t::CardInfoGroup, page);
    auto *info = new QVBoxLayout(rz2);
    auto *modes = new QGridLayout;
    btn12 = plainButton(t::SingleIssue, rz2);
    rb1 = new QRadioButton(rz2);
    btn14 = plainButton(t::BatchIssue, rz2);
    rb2 = new QRadioButton(rz2);
    for (QRadioButton *rb : {rb1, rb2})
        rb->setAutoExclusive(false); // the program sets each on its own
    btn13 = plainButton(t::Extend, rz2);
    btn3 = plainButton(t::StartIssue, rz2);
    btn4 = plainButton(t::EndIssue, rz2);
    btn25 = plainButton(t::Return, rz2);
    btn17 = plainButton(t::SaveRecord, rz2);
    btn17->hide();
    modes->addWidget(btn12, 0, 0);
    modes->addWidget(rb1, 0, 1);
    modes->addWidget(btn14, 1, 0);
    modes->addWidget(rb2, 1, 1);
    modes->addWidget(btn13, 2, 0);
    modes->addWidget(btn3, 3, 0);
    modes->addWidget(btn4, 4, 0);
    modes->addWidget(btn25, 5, 0);
    info->addLayout(modes);
    dtp1 = new QDateEdit(rz2);
    dtp1->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    dtp1->setCalendarPopup(true);
    dtp1->setDateRange(cards::firstValidityDate(), cards::lastValidityDate());
    dtp1->hide();
    info->addWidget(dtp1);
    dtp2 = new QDateEdit(rz2);
    dtp2->hide();
    auto *counters = new QHBoxLayout;
    edt1 = counterEdit(rz2);
    edt2 = counterEdit(rz2);
    edt8 = counterEdit(rz2);
    edt8->hide();
    shp5 = new Lamp(rz2);
    shp4 = new Lamp(rz2);
    shp5->setToolTip(t::StartLampTip);
    shp4->setToolTip(t::ReadLampTip);
    counters->addWidget(new QLabel(QStringLiteral("发送:"), rz2));
    counters->addWidget(edt1);
    counters->addWidget(new QLabel(QStringLiteral("接收:"), rz2));
    counters->addWidget(edt2);
    counters->addWidget(new QLabel(QStringLiteral("ID:"), rz2));
    counters->itemAt(counters->count() - 1)->widget()->hide();
    counters->addWidget(edt8);
    counters->addWidget(shp5);
    counters->addWidget(shp4);
    counters->addStretch(1);
    info->addLayout(counters);
    grpCardMemo = new QGroupBox(t::ValidityGroup, rz2);
    auto *memoBox = new QVBoxLayout(grpCardMemo);
    RzMemo2 = new EventMemo(grpCardMemo);
    RzMemo2->setReadOnly(true);
    // A card line is read as a whole: wrapping would split its date.
    RzMemo2->setLineWrapMode(QPlainTextEdit::NoWrap);
    // ... and the column is wide enough to show a whole one without scrolling.
    const QString cardLine = QStringLiteral("卡片内码:9F0832A5   有效期：2015年05月09日");
    RzMemo2->setMinimumWidth(RzMemo2->fontMetrics().horizontalAdvance(cardLine) +
                             2 * RzMemo2->frameWidth() +
                             int(2 * RzMemo2->document()->documentMargin()) + 4);
    memoBox->addWidget(RzMemo2);
    info->addWidget(grpCardMemo, 1);
    grpGroupShown = new QGroupBox(t::GroupDisplay, rz2);
    auto *shownBox = new QVBoxLayout(grpGroupShown);
    chklst1 = new QListWidget(grpGroupShown);
    chklst1->setFlow(QListView::LeftToRight);
    chklst1->setWrapping(true);
    // Four columns, two rows: all eight groups at a glance.
    chklst1->setGridSize(QSize(44, 22));
    chklst1->setFixedSize(4 * 44 + 8, 2 * 22 + 8);
    chklst1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    chklst1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int i = 1; i <= 8; ++i) {
        auto *item = new QListWidgetItem(QStringLiteral(" %1").arg(i), chklst1);
        item->setFlags(Qt::ItemIsEnabled);
        item->setCheckState(Qt::Unchecked);
    }
    shownBox->addWidget(chklst1);
    info->addWidget(grpGroupShown);
    chklst1->hide();
    layout->addWidget(rz2, 4);

    // ---- owner fields ----
    rz3 = new QGroupBox(t::OwnerGroup, page);
    auto *owner = new QFormLayout(rz3);
    auto bound = [this](const char *control, bool readOnly) {
        auto *e = new CardEdit(rz3);
        e->setObjectName(QLatin1String(control));
        e->setReadOnly(readOnly);
        e->setMaxBytes(cards::maxBytesOf(QLatin1String(control)));
        for (const cards::OwnerField &f : cards::ownerFields()) {
            if (qstrcmp(f.control, control) == 0)
                e->setDataField(f.column);
        }
        return e;
    };
    edt9 = bound("edt9", true);
    edt9->setEnabled(false);
    auto *code = bound("edt10", true);
    code->setEnabled(false);
    edt10 = code;
    edt11 = bound("edt11", false);
    edt12 = bound("edt12", false);
    DBcbb3 = new CardCombo(rz3);
    for (const QString &type : t::CarTypes)
        DBcbb3->addItem(type);
    DBcbb3->setDataField(QStringLiteral("汽车类型"));
    DBcbb3->setEditText(QString());
    edt13 = bound("edt13", false);
    edt14 = bound("edt14", false);
    edt15 = bound("edt15", true);
    edt15->setEnabled(false);
    edt16 = bound("edt16", false);
    edt20 = bound("edt20", false);
    edt3 = bound("edt3", true);
    lbl13 = new QLabel(t::CarTypeLabel, rz3);
    owner->addRow(QStringLiteral("车辆编号:"), edt9);
    owner->addRow(QStringLiteral("卡片内码:"), edt10);
    owner->addRow(QStringLiteral("车主姓名:"), edt11);
    owner->addRow(QStringLiteral("车牌号码:"), edt12);
    owner->addRow(lbl13, DBcbb3);
    owner->addRow(QStringLiteral("车主手机:"), edt13);
    owner->addRow(QStringLiteral("车辆信息:"), edt14);
    owner->addRow(QStringLiteral("有效期限:"), edt15);
    owner->addRow(QStringLiteral("车场车位:"), edt16);
    owner->addRow(QStringLiteral("住    址:"), edt20);
    owner->addRow(QStringLiteral("卡片状态:"), edt3);
    btn21 = plainButton(t::ExpiringList, rz3);
    owner->addRow(QString(), btn21);
    layout->addWidget(rz3, 5);

    // ---- gate groups, lookups and loss ----
    auto *right = new QVBoxLayout;
    rz5 = new QGroupBox(t::GateGroup, page);
    auto *gates = new QVBoxLayout(rz5);
    lbl8 = new QLabel(t::AllowedGroups, rz5);
    gates->addWidget(lbl8);
    grpGates = new QGroupBox(t::GateGroupInner, rz5);
    auto *boxes = new QGridLayout(grpGates);
    QCheckBox **checks[] = {&chk1, &chk2, &chk3, &chk4, &chk5, &chk6, &chk7, &chk8};
    for (int n = 1; n <= 8; ++n) {
        auto *c = new QCheckBox(QString::number(n), grpGates);
        c->setEnabled(false);
        *checks[n - 1] = c;
        boxes->addWidget(c, (n - 1) / 4, (n - 1) % 4);
    }
    gates->addWidget(grpGates);
    auto *groupButtons = new QHBoxLayout;
    btn11 = plainButton(t::SelectAll, rz5);
    btn15 = plainButton(t::CancelAll, rz5);
    btn24 = plainButton(t::SelectNone, rz5);
    btn24->hide();
    btn11->setEnabled(false);
    btn15->setEnabled(false);
    groupButtons->addWidget(btn11);
    groupButtons->addWidget(btn15);
    gates->addLayout(groupButtons);
    right->addWidget(rz5);

    rz4 = new QGroupBox(t::LookupArea, page);
    auto *lookups = new QVBoxLayout(rz4);
    grp5 = new QGroupBox(t::QueryGroup, rz4);
    auto *query = new QFormLayout(grp5);
    edt17 = new QLineEdit(t::ReadEntryStart, grp5);
    edt17->setMaxLength(8);
    edt18 = new QLineEdit(grp5);
    edt18->setMaxLength(8);
    edt19 = new QLineEdit(t::NameHint, grp5);
    edt19->setMaxLength(20);
    btn18 = plainButton(t::Lookup, grp5);
    btn18->setEnabled(false);
    query->addRow(QStringLiteral("卡片内码:"), edt17);
    query->addRow(QStringLiteral("车牌号码:"), edt18);
    query->addRow(QStringLiteral("车主姓名:"), edt19);
    query->addRow(QString(), btn18);
    lookups->addWidget(grp5);
    auto *windows = new QHBoxLayout;
    btn19 = plainButton(t::ShowArchive, rz4);
    btn28 = plainButton(t::Passages, rz4);
    windows->addWidget(btn19);
    windows->addWidget(btn28);
    lookups->addLayout(windows);
    grpLoss = new QGroupBox(t::LossGroup, rz4);
    auto *loss = new QHBoxLayout(grpLoss);
    btn22 = plainButton(t::Loss, grpLoss);
    btn23 = plainButton(t::Unloss, grpLoss);
    btn27 = plainButton(t::Initialise, grpLoss);
    for (QPushButton *b : {btn22, btn23, btn27}) {
        b->setEnabled(false);
        loss->addWidget(b);
    }
    lookups->addWidget(grpLoss);
    right->addWidget(rz4);
    right->addStretch(1);
    layout->addLayout(right, 4);

    // Initial states.
    btn12->setEnabled(false);
    btn14->setEnabled(false);
    btn13->setEnabled(false);
    btn3->setEnabled(false);
    btn17->setEnabled(false);

    // ---- wiring ----
    auto handle = [](auto &&fn) { return [fn] { guarded(fn); }; };
    connect(btn12, &QPushButton::clicked, this, handle([this] { btn12Click(); }));
    connect(rb1, &QRadioButton::clicked, this, handle([this] { btn12Click(); }));
    connect(btn14, &QPushButton::clicked, this, handle([this] { btn14Click(); }));
    connect(rb2, &QRadioButton::clicked, this, handle([this] { btn14Click(); }));
    connect(btn13, &QPushButton::clicked, this, handle([this] { btn13Click(); }));
    connect(btn3, &QPushButton::clicked, this, handle([this] { btn3Click(); }));
    connect(btn4, &QPushButton::clicked, this, handle([this] { btn4Click(); }));
    connect(btn25, &QPushButton::clicked, this, handle([this] { btn25Click(); }));
    connect(btn17, &QPushButton::clicked, this, handle([this] { btn17Click(); }));
    connect(btn11, &QPushButton::clicked, this, handle([this] { btn11Click(); }));
    connect(btn15, &QPushButton::clicked, this, handle([this] { btn15Click(); }));
    connect(btn24, &QPushButton::clicked, this, handle([this] { btn24Click(); }));
    for (int n = 1; n <= 8; ++n) {
        // Also when the program sets the state: the box's handler follows every change.
        connect(groupCheck(n), &QCheckBox::toggled, this, [this, n] { chkClick(n); });
    }
    connect(dtp1, &QDateEdit::dateChanged, this, [this] {
        // Only the user's pick counts, not the program setting the date.
        if (!dtp1->hasFocus() && !dtp1->calendarWidget()->isVisible())
            return;
        m_dateChangedByPicker = true;
        QTimer::singleShot(0, this, [this] { m_dateChangedByPicker = false; });
        guarded([this] { dtp1Change(); });
    });
    // Picking the date the picker already shows is a pick as well.
    connect(dtp1->calendarWidget(), &QCalendarWidget::clicked, this, [this] {
        if (!m_dateChangedByPicker)
            guarded([this] { dtp1Change(); });
    });
    onKeyPress(dtp1, [this](int key) {
        if (key >= Qt::Key_Space && key <= Qt::Key_ydiaeresis)
            dtp1KeyPress();
        return false;
    });
    for (QGroupBox *box : {rz3, rz5})
        onMouseDown(box, [this] { rz5Click(); });
    connect(edt1, &QLineEdit::textChanged, this, [this] { guarded([this] { edt1Change(); }); });
    connect(edt2, &QLineEdit::textChanged, this, [this] { guarded([this] { edt2Change(); }); });
    connect(edt8, &QLineEdit::textChanged, this, [this] { guarded([this] { edt8Change(); }); });
    onKeyPress(RzMemo2, [](int key) { return key != Qt::Key_Tab && key != Qt::Key_Backtab; });
    setupOwnerEntry();
    setupLookups();
    nameControls(
        {NAMED(RzMemo2), NAMED(edt17), NAMED(edt10),       NAMED(shp4),          NAMED(chklst1),
         NAMED(dtp1),    NAMED(dtp2),  NAMED(rz2),         NAMED(rz3),           NAMED(rz4),
         NAMED(rz5),     NAMED(grp5),  NAMED(grpCardMemo), NAMED(grpGroupShown), NAMED(grpGates),
         NAMED(grpLoss), NAMED(btn12), NAMED(rb1),         NAMED(btn14),         NAMED(rb2),
         NAMED(btn13),   NAMED(btn3),  NAMED(btn4),        NAMED(btn25),         NAMED(btn17),
         NAMED(edt1),    NAMED(edt2),  NAMED(edt8),        NAMED(shp5),          NAMED(lbl8),
         NAMED(chk1),    NAMED(chk2),  NAMED(chk3),        NAMED(chk4),          NAMED(chk5),
         NAMED(chk6),    NAMED(chk7),  NAMED(chk8),        NAMED(btn11),         NAMED(btn15),
         NAMED(btn24),   NAMED(edt9),  NAMED(edt11),       NAMED(edt12),         NAMED(DBcbb3),
         NAMED(lbl13),   NAMED(edt13), NAMED(edt14),       NAMED(edt15),         NAMED(edt16),
         NAMED(edt20),   NAMED(edt3),  NAMED(edt18),       NAMED(edt19),         NAMED(btn18),
         NAMED(btn19),   NAMED(btn28), NAMED(btn21),       NAMED(btn22),         NAMED(btn23),
         NAMED(btn27)});
}

void CardTab::bindArchiveFields()
{
    // The data module is created after this window: bind on first use.
    if (!Datafrm || edt9->dataSource() == Datafrm->DSda1)
        return;
    for (CardEdit *e : {edt9, static_cast<CardEdit *>(edt10), edt11, edt12, edt13, edt14, edt15,
                        edt16, edt20, edt3})
        e->setDataSource(Datafrm->DSda1);
    DBcbb3->setDataSource(Datafrm->DSda1);
}

void CardTab::prepare()
{
    m_session->reset();
    const QDate today = appclock::today();
    m_todayText = today.toString(texts::shell::DateFormat);
    dtp1->setDate(today);
    dtp1->setEnabled(false);
    dtp2->setDate(today.addDays(10));
}

void CardTab::startReadLamp()
{
    tmr3->start();
}

// Alt with the first letter of a button's pinyin presses the tab's everyday buttons; the
// captions stay as they are, the tooltips name the keys. A button's key works while the tab is
// shown. Loss, unloss and initialisation keep no key: they change a card at once.
void CardTab::giveKeyboardShortcuts()
{
    const std::pair<QPushButton *, const char *> buttons[] = {
        {btn12, "Alt+D"}, // 单卡发行
        {btn14, "Alt+P"}, // 批量发行
        {btn13, "Alt+Y"}, // 卡片延期
        {btn3, "Alt+S"},  // 开始发行
        {btn4, "Alt+J"},  // 结束发行
        {btn25, "Alt+F"}, // 返回
        {btn11, "Alt+Q"}, // 全选
        {btn18, "Alt+C"}, // 查询
        {btn19, "Alt+A"}, // 显示车主档案
        {btn28, "Alt+L"}, // 进出记录查询
        {btn21, "Alt+G"}, // 即将过期档案
    };
    for (const auto &[button, key] : buttons) {
        const QKeySequence sequence(QString::fromLatin1(key));
        button->setShortcut(sequence);
        const QString name = sequence.toString(QKeySequence::NativeText);
        button->setToolTip(button->toolTip().isEmpty() ? name
                                                       : button->toolTip() + QStringLiteral(" (") +
                                                             name + QLatin1Char(')'));
    }
}

void CardTab::tmr3Timer()
{
    shp4->setColor(colors::Red);
    chklst1->setEnabled(false);
}

bool CardTab::issuingActive() const
{
    return m_session->active();
}

bool CardTab::modeSelected() const
{
    return m_session->modeChosen();
}

QCheckBox *CardTab::groupCheck(int n) const
{
    QCheckBox *const boxes[] = {chk1, chk2, chk3, chk4, chk5, chk6, chk7, chk8};
    return boxes[n - 1];
}

// ---------------------------------------------------------------------------------------------
// Showing the tab

void CardTab::shown()
{
    if (!isAdministrator()) {
        for (QWidget *w : std::initializer_list<QWidget *>{rz2, rz3, rz5, btn19, btn22, btn23,
                                                           btn25, btn28, lbl13})
            w->setEnabled(false);
        chklst1->setEnabled(false);
        setStatus(texts::shell::NoRights);
        Dialogs::message(texts::shell::NoRights, this);
        return;
    }
    // The focus leaves the owner fields first: a disabled focused field would hand it on to the
    // next field as if the user had pressed Tab.
    btn12->setEnabled(true);
    btn12->setFocus();
    // Coming back to the tab with a mode active: the issuer is told to stop writing first.
    if (m_session->active())
        btn25Click();
    bindArchiveFields();
    for (QWidget *w : std::initializer_list<QWidget *>{rz2, rz3, rz4, rz5, btn12, btn4, btn14,
                                                       btn19, btn25, btn28})
        w->setEnabled(true);
    rb1->setChecked(false);
    rb2->setChecked(false);
    btn11->setEnabled(false);
    btn15->setEnabled(false);
    dtp1->hide();
    edt15->setEnabled(false);
    btn12->setFocus();
    setStatus(texts::shell::CardTabAdmin);
}

void CardTab::rz5Click()
{
    if (!isAdministrator())
        Dialogs::message(texts::shell::NoRights, this);
}

void CardTab::endIssuingOnLeave()
{
    if (m_session->active())
        btn25Click();
}

// ---------------------------------------------------------------------------------------------
// Issue modes

bool CardTab::startNewArchiveRecord()
{
    bindArchiveFields();
    Query *q = archive();
    q->close();
    q->setSQL(QStringLiteral("select * from CZdata order by 车辆编号"));
    q->open();
    QVariant last;
    if (!q->isEmpty()) {
        q->last();
        last = q->fieldByName(QStringLiteral("车辆编号")).value();
    }
    const cards::VehicleNumber number = cards::nextVehicleNumber(q->isEmpty(), last);
    if (!number.append) {
        edt9->setText(number.text);
        Dialogs::message(texts::cards::NullVehicleNumber, this);
        // Saving into that record would overwrite it: the mode is not entered.
        btn25Click();
        return false;
    }
    q->append();
    edt9->setText(number.text);
    return true;
}

void CardTab::btn12Click()
{
    // A card read in a mode is that mode's card: it must not complete an earlier
    // initialisation.
    m_session->chooseSingle();
    btn11->setEnabled(false);
    btn15->setEnabled(false);
    dtp1->hide();
    btn24Click();
    rb1->setEnabled(true);
    rb1->setChecked(true);
    rb2->setEnabled(false);
    btn13->setEnabled(false);
    btn3->setEnabled(false);
    setButtonFace(btn13);
    setButtonFace(btn3);
    btn17->setEnabled(false);
    setStatus(texts::cards::SinglePrompt);
    btn4->setEnabled(true);
    dtp1->setEnabled(false);
    if (!startNewArchiveRecord())
        return;
    edt11->setFocus();
    edt15->setEnabled(true);
    edt15->setText(m_todayText);
}

void CardTab::btn14Click()
{
    m_session->chooseBatch();
    btn24Click();
    btn4->setEnabled(true);
    rb2->setEnabled(true);
    rb2->setChecked(true);
    rb1->setEnabled(false);
    btn11->setEnabled(false);
    btn15->setEnabled(false);
    btn3->setEnabled(false);
    btn13->setEnabled(false);
    setButtonFace(btn13);
    edt15->setEnabled(true);
    setStatus(texts::cards::BatchPrompt);
    if (!startNewArchiveRecord())
        return;
    edt15->setText(m_todayText);
    edt15->setFocus();
}

void CardTab::btn13Click()
{
    for (int n = 1; n <= 8; ++n)
        groupCheck(n)->setEnabled(false);
    btn3->setEnabled(false);
    dtp1->show();
    bindArchiveFields();
    Query *q = archive();
    m_session->chooseExtension();
    q->close();
    q->open();
    q->edit();
    m_session->rememberExtendedCard(q->fieldByName(QStringLiteral("卡片内码")).asString());
    dtp1->setEnabled(true);
    dtp1->setStyleSheet(PickerHighlight);
    setPickerDate(dtp1, appclock::today());
    dtp1->setFocus();
    setButtonFace(btn13);
    setStatus(texts::cards::ExtendPrompt);
}

void CardTab::dtp1Change()
{
    lbl8->setStyleSheet(QStringLiteral("color:red;"));
    btn11->setEnabled(true);
    btn15->setEnabled(true);
    for (int n = 1; n <= 8; ++n)
        groupCheck(n)->setEnabled(true);
    edt15->setText(cards::validityText(dtp1->date()).trimmed());
    btn11->setFocus();
    setStatus(texts::cards::DatePicked);
}

void CardTab::dtp1KeyPress()
{
    setStatus(texts::cards::DateKey);
}

void CardTab::openDatePicker()
{
    dtp1->show();
    dtp1->setEnabled(true);
    dtp1->setStyleSheet(PickerHighlight);
    setPickerDate(dtp1, appclock::today());
}

// ---------------------------------------------------------------------------------------------
// Starting and ending issuing

void CardTab::btn3Click()
{
    // Both buffers go first, also when the start is refused.
    m_port.flushPort();
    m_session->startSent();
    lbl8->setStyleSheet(QStringLiteral("color:blue;"));
    if (edt9->text().size() < 4 || !dtp1->isEnabled() || !m_session->modeChosen() ||
        !m_session->open()) {
        Dialogs::message(texts::cards::StartRefused, this);
        return;
    }
    // the port was flushed above
    m_port.writeFrame(IssueFrame(dtp1->date(), m_session->groupMask()));
    btn4->setEnabled(true);
    shp5->setColor(colors::Green);
    edt1->setText(QString::number(edt1->text().toInt() + 1));
    Dialogs::message(texts::cards::CommandSent, this);
    if (m_session->mode() == cards::IssueSession::Mode::Batch)
        setStatus(texts::cards::BatchStarted);
}

void CardTab::sendReadModeFrame()
{
    QString password;
    if (Datafrm) {
        Query *q = Datafrm->Qrymm1;
        q->close();
        q->open();
        password = q->fieldByName(QStringLiteral("pass_word")).asString();
    }
    m_port.sendFrame(IssuerFrame::ReadMode, ReadModeFrame(password));
}

void CardTab::endIssuing(bool returning)
{
    if (!returning)
        m_port.flushPort();
    btn15->setEnabled(false);
    btn18->setEnabled(false);
    btn27->setEnabled(false);
    // The issuer is told to read again before anything else reacts to the end.
    m_session->end();
    btn22->setEnabled(false);
    btn23->setEnabled(false);
    edt1->setText(QStringLiteral("0"));
    edt2->setText(QStringLiteral("0"));
    if (returning)
        setStatus(texts::cards::IssueEnded);
    RzMemo2->clearLines();
    edt3->setStyleSheet(QStringLiteral("background-color:white;"));
    btn12->setEnabled(true);
    btn14->setEnabled(true);
    btn13->setEnabled(false);
    setButtonFace(btn13);
    for (QRadioButton *rb : {rb1, rb2}) {
        rb->setChecked(false);
        rb->setEnabled(true);
    }
    dtp1->hide();
    btn3->setEnabled(false);
    setButtonFace(btn3);
    if (Query *q = archive())
        q->close();
    for (int n = 1; n <= 8; ++n) {
        groupCheck(n)->setEnabled(false);
        groupCheck(n)->setChecked(false);
    }
    if (returning)
        btn4->setEnabled(true);
    btn11->setEnabled(false);
    chklst1->hide();
    setPickerDate(dtp1, appclock::today());
    edt17->setText(texts::cards::ReadEntry);
    setStatus(returning ? texts::cards::Returned : texts::cards::IssueEnded);
}

void CardTab::btn4Click()
{
    endIssuing(false);
}

void CardTab::btn25Click()
{
    endIssuing(true);
}

void CardTab::edt1Change()
{
    if (edt1->text().toInt() >= 2 && edt2->text().toInt() <= 0) {
        setStatus(texts::cards::NoReplyPane);
        Dialogs::box(texts::cards::NoReplyBox, texts::cards::NoReplyCaption, Dialogs::OkOnly,
                     Dialogs::Warning, this);
        setStatusStyle(QStringLiteral("color:blue;"));
        shp4->setColor(colors::Red);
    }
}

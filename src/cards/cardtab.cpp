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
#include "db/ownerarchive.h"
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

} // namespace

CardTab::CardTab(IssuerPort &port, QWidget *parent)
    : QWidget(parent)
    , m_port(port)
    , m_session(std::make_unique<cards::IssueSession>([this] { sendReadModeFrame(); }))
{
    setObjectName(QStringLiteral("rztbshtTabSheet3"));
    build();
    giveKeyboardShortcuts();
    readLampTimer = new QTimer(this);
    readLampTimer->setObjectName(QStringLiteral("tmr3"));
    readLampTimer->setInterval(1000);
    connect(readLampTimer, &QTimer::timeout, this, [this] { readLampTimerTimer(); });
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
    cardInfoBox = new QGroupBox(t::CardInfoGroup, page);
    auto *info = new QVBoxLayout(cardInfoBox);
    auto *modes = new QGridLayout;
    singleIssueButton = plainButton(t::SingleIssue, cardInfoBox);
    singleIssueMark = new QRadioButton(cardInfoBox);
    batchIssueButton = plainButton(t::BatchIssue, cardInfoBox);
    batchIssueMark = new QRadioButton(cardInfoBox);
    for (QRadioButton *rb : {singleIssueMark, batchIssueMark})
        rb->setAutoExclusive(false); // the program sets each on its own
    extendButton = plainButton(t::Extend, cardInfoBox);
    startIssueButton = plainButton(t::StartIssue, cardInfoBox);
    endIssueButton = plainButton(t::EndIssue, cardInfoBox);
    returnButton = plainButton(t::Return, cardInfoBox);
    saveRecordButton = plainButton(t::SaveRecord, cardInfoBox);
    saveRecordButton->hide();
    modes->addWidget(singleIssueButton, 0, 0);
    modes->addWidget(singleIssueMark, 0, 1);
    modes->addWidget(batchIssueButton, 1, 0);
    modes->addWidget(batchIssueMark, 1, 1);
    modes->addWidget(extendButton, 2, 0);
    modes->addWidget(startIssueButton, 3, 0);
    modes->addWidget(endIssueButton, 4, 0);
    modes->addWidget(returnButton, 5, 0);
    info->addLayout(modes);
    validityPicker = new QDateEdit(cardInfoBox);
    validityPicker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    validityPicker->setCalendarPopup(true);
    validityPicker->setDateRange(cards::firstValidityDate(), cards::lastValidityDate());
    validityPicker->hide();
    info->addWidget(validityPicker);
    expiringHorizon = new QDateEdit(cardInfoBox);
    expiringHorizon->hide();
    auto *counters = new QHBoxLayout;
    startsSentCounter = counterEdit(cardInfoBox);
    readsCounter = counterEdit(cardInfoBox);
    readGroupField = counterEdit(cardInfoBox);
    readGroupField->hide();
    commandLamp = new Lamp(cardInfoBox);
    readLamp = new Lamp(cardInfoBox);
    commandLamp->setToolTip(t::StartLampTip);
    readLamp->setToolTip(t::ReadLampTip);
    counters->addWidget(new QLabel(QStringLiteral("发送:"), cardInfoBox));
    counters->addWidget(startsSentCounter);
    counters->addWidget(new QLabel(QStringLiteral("接收:"), cardInfoBox));
    counters->addWidget(readsCounter);
    counters->addWidget(new QLabel(QStringLiteral("ID:"), cardInfoBox));
    counters->itemAt(counters->count() - 1)->widget()->hide();
    counters->addWidget(readGroupField);
    counters->addWidget(commandLamp);
    counters->addWidget(readLamp);
    counters->addStretch(1);
    info->addLayout(counters);
    validityBox = new QGroupBox(t::ValidityGroup, cardInfoBox);
    auto *memoBox = new QVBoxLayout(validityBox);
    cardMemo = new EventMemo(validityBox);
    cardMemo->setReadOnly(true);
    // A card line is read as a whole: wrapping would split its date.
    cardMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    // ... and the column is wide enough to show a whole one without scrolling.
    const QString cardLine = QStringLiteral("卡片内码:9F0832A5   有效期：2015年05月09日");
    cardMemo->setMinimumWidth(cardMemo->fontMetrics().horizontalAdvance(cardLine) +
                              2 * cardMemo->frameWidth() +
                              int(2 * cardMemo->document()->documentMargin()) + 4);
    memoBox->addWidget(cardMemo);
    info->addWidget(validityBox, 1);
    groupShownBox = new QGroupBox(t::GroupDisplay, cardInfoBox);
    auto *shownBox = new QVBoxLayout(groupShownBox);
    readGroupsList = new QListWidget(groupShownBox);
    readGroupsList->setFlow(QListView::LeftToRight);
    readGroupsList->setWrapping(true);
    // Four columns, two rows: all eight groups at a glance.
    readGroupsList->setGridSize(QSize(44, 22));
    readGroupsList->setFixedSize(4 * 44 + 8, 2 * 22 + 8);
    readGroupsList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    readGroupsList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (int i = 1; i <= 8; ++i) {
        auto *item = new QListWidgetItem(QStringLiteral(" %1").arg(i), readGroupsList);
        item->setFlags(Qt::ItemIsEnabled);
        item->setCheckState(Qt::Unchecked);
    }
    shownBox->addWidget(readGroupsList);
    info->addWidget(groupShownBox);
    readGroupsList->hide();
    layout->addWidget(cardInfoBox, 4);

    // ---- owner fields ----
    ownerBox = new QGroupBox(t::OwnerGroup, page);
    auto *owner = new QFormLayout(ownerBox);
    auto bound = [this](const char *control, bool readOnly) {
        auto *e = new CardEdit(ownerBox);
        e->setObjectName(QLatin1String(control));
        e->setReadOnly(readOnly);
        e->setMaxBytes(cards::maxBytesOf(QLatin1String(control)));
        for (const cards::OwnerField &f : cards::ownerFields()) {
            if (qstrcmp(f.control, control) == 0)
                e->setDataField(f.column);
        }
        return e;
    };
    vehicleNumberField = bound("edt9", true);
    vehicleNumberField->setEnabled(false);
    auto *code = bound("edt10", true);
    code->setEnabled(false);
    cardCodeField = code;
    ownerNameField = bound("edt11", false);
    plateField = bound("edt12", false);
    carTypeField = new CardCombo(ownerBox);
    for (const QString &type : t::CarTypes)
        carTypeField->addItem(type);
    carTypeField->setDataField(QStringLiteral("汽车类型"));
    carTypeField->setEditText(QString());
    phoneField = bound("edt13", false);
    vehicleInfoField = bound("edt14", false);
    validityField = bound("edt15", true);
    validityField->setEnabled(false);
    parkingSpaceField = bound("edt16", false);
    addressField = bound("edt20", false);
    cardStatusField = bound("edt3", true);
    carTypeLabel = new QLabel(t::CarTypeLabel, ownerBox);
    owner->addRow(QStringLiteral("车辆编号:"), vehicleNumberField);
    owner->addRow(QStringLiteral("卡片内码:"), cardCodeField);
    owner->addRow(QStringLiteral("车主姓名:"), ownerNameField);
    owner->addRow(QStringLiteral("车牌号码:"), plateField);
    owner->addRow(carTypeLabel, carTypeField);
    owner->addRow(QStringLiteral("车主手机:"), phoneField);
    owner->addRow(QStringLiteral("车辆信息:"), vehicleInfoField);
    owner->addRow(QStringLiteral("有效期限:"), validityField);
    owner->addRow(QStringLiteral("车场车位:"), parkingSpaceField);
    owner->addRow(QStringLiteral("住    址:"), addressField);
    owner->addRow(QStringLiteral("卡片状态:"), cardStatusField);
    expiringButton = plainButton(t::ExpiringList, ownerBox);
    owner->addRow(QString(), expiringButton);
    layout->addWidget(ownerBox, 5);

    // ---- gate groups, lookups and loss ----
    auto *right = new QVBoxLayout;
    gateBox = new QGroupBox(t::GateGroup, page);
    auto *gates = new QVBoxLayout(gateBox);
    gateGroupsLabel = new QLabel(t::AllowedGroups, gateBox);
    gates->addWidget(gateGroupsLabel);
    gateChecksBox = new QGroupBox(t::GateGroupInner, gateBox);
    auto *boxes = new QGridLayout(gateChecksBox);
    QCheckBox **checks[] = {&gateCheck1, &gateCheck2, &gateCheck3, &gateCheck4,
                            &gateCheck5, &gateCheck6, &gateCheck7, &gateCheck8};
    for (int n = 1; n <= 8; ++n) {
        auto *c = new QCheckBox(QString::number(n), gateChecksBox);
        c->setEnabled(false);
        *checks[n - 1] = c;
        boxes->addWidget(c, (n - 1) / 4, (n - 1) % 4);
    }
    gates->addWidget(gateChecksBox);
    auto *groupButtons = new QHBoxLayout;
    selectAllButton = plainButton(t::SelectAll, gateBox);
    invertGatesButton = plainButton(t::CancelAll, gateBox);
    selectNoneButton = plainButton(t::SelectNone, gateBox);
    selectNoneButton->hide();
    selectAllButton->setEnabled(false);
    invertGatesButton->setEnabled(false);
    groupButtons->addWidget(selectAllButton);
    groupButtons->addWidget(invertGatesButton);
    gates->addLayout(groupButtons);
    right->addWidget(gateBox);

    lookupBox = new QGroupBox(t::LookupArea, page);
    auto *lookups = new QVBoxLayout(lookupBox);
    queryBox = new QGroupBox(t::QueryGroup, lookupBox);
    auto *query = new QFormLayout(queryBox);
    codeLookupField = new QLineEdit(t::ReadEntryStart, queryBox);
    codeLookupField->setMaxLength(8);
    plateLookupField = new QLineEdit(queryBox);
    plateLookupField->setMaxLength(8);
    nameLookupField = new QLineEdit(t::NameHint, queryBox);
    nameLookupField->setMaxLength(20);
    lookupButton = plainButton(t::Lookup, queryBox);
    lookupButton->setEnabled(false);
    query->addRow(QStringLiteral("卡片内码:"), codeLookupField);
    query->addRow(QStringLiteral("车牌号码:"), plateLookupField);
    query->addRow(QStringLiteral("车主姓名:"), nameLookupField);
    query->addRow(QString(), lookupButton);
    lookups->addWidget(queryBox);
    auto *windows = new QHBoxLayout;
    archiveButton = plainButton(t::ShowArchive, lookupBox);
    passagesButton = plainButton(t::Passages, lookupBox);
    historyButton = plainButton(t::History, lookupBox);
    windows->addWidget(archiveButton);
    windows->addWidget(passagesButton);
    windows->addWidget(historyButton);
    lookups->addLayout(windows);
    lossBox = new QGroupBox(t::LossGroup, lookupBox);
    auto *loss = new QHBoxLayout(lossBox);
    lossButton = plainButton(t::Loss, lossBox);
    unlossButton = plainButton(t::Unloss, lossBox);
    initialiseButton = plainButton(t::Initialise, lossBox);
    for (QPushButton *b : {lossButton, unlossButton, initialiseButton}) {
        b->setEnabled(false);
        loss->addWidget(b);
    }
    lookups->addWidget(lossBox);
    right->addWidget(lookupBox);
    right->addStretch(1);
    layout->addLayout(right, 4);

    // Initial states.
    singleIssueButton->setEnabled(false);
    batchIssueButton->setEnabled(false);
    extendButton->setEnabled(false);
    startIssueButton->setEnabled(false);
    saveRecordButton->setEnabled(false);

    // ---- wiring ----
    auto handle = [](auto &&fn) { return [fn] { guarded(fn); }; };
    connect(singleIssueButton, &QPushButton::clicked, this,
            handle([this] { singleIssueButtonClick(); }));
    connect(singleIssueMark, &QRadioButton::clicked, this,
            handle([this] { singleIssueButtonClick(); }));
    connect(batchIssueButton, &QPushButton::clicked, this,
            handle([this] { batchIssueButtonClick(); }));
    connect(batchIssueMark, &QRadioButton::clicked, this,
            handle([this] { batchIssueButtonClick(); }));
    connect(extendButton, &QPushButton::clicked, this, handle([this] { extendButtonClick(); }));
    connect(startIssueButton, &QPushButton::clicked, this,
            handle([this] { startIssueButtonClick(); }));
    connect(endIssueButton, &QPushButton::clicked, this, handle([this] { endIssueButtonClick(); }));
    connect(returnButton, &QPushButton::clicked, this, handle([this] { returnButtonClick(); }));
    connect(saveRecordButton, &QPushButton::clicked, this,
            handle([this] { saveRecordButtonClick(); }));
    connect(selectAllButton, &QPushButton::clicked, this,
            handle([this] { selectAllButtonClick(); }));
    connect(invertGatesButton, &QPushButton::clicked, this,
            handle([this] { invertGatesButtonClick(); }));
    connect(selectNoneButton, &QPushButton::clicked, this,
            handle([this] { selectNoneButtonClick(); }));
    for (int n = 1; n <= 8; ++n) {
        // Also when the program sets the state: the box's handler follows every change.
        connect(groupCheck(n), &QCheckBox::toggled, this, [this, n] { chkClick(n); });
    }
    connect(validityPicker, &QDateEdit::dateChanged, this, [this] {
        // Only the user's pick counts, not the program setting the date.
        if (!validityPicker->hasFocus() && !validityPicker->calendarWidget()->isVisible())
            return;
        m_dateChangedByPicker = true;
        QTimer::singleShot(0, this, [this] { m_dateChangedByPicker = false; });
        guarded([this] { validityPickerChange(); });
    });
    // Picking the date the picker already shows is a pick as well.
    connect(validityPicker->calendarWidget(), &QCalendarWidget::clicked, this, [this] {
        if (!m_dateChangedByPicker)
            guarded([this] { validityPickerChange(); });
    });
    onKeyPress(validityPicker, [this](int key) {
        if (key >= Qt::Key_Space && key <= Qt::Key_ydiaeresis)
            validityPickerKeyPress();
        return false;
    });
    for (QGroupBox *box : {ownerBox, gateBox})
        onMouseDown(box, [this] { gateBoxClick(); });
    connect(startsSentCounter, &QLineEdit::textChanged, this,
            [this] { guarded([this] { startsSentCounterChange(); }); });
    connect(readsCounter, &QLineEdit::textChanged, this,
            [this] { guarded([this] { readsCounterChange(); }); });
    connect(readGroupField, &QLineEdit::textChanged, this,
            [this] { guarded([this] { readGroupFieldChange(); }); });
    onKeyPress(cardMemo, [](int key) { return key != Qt::Key_Tab && key != Qt::Key_Backtab; });
    setupOwnerEntry();
    setupLookups();
    nameControls({{cardMemo, "RzMemo2"},
                  {codeLookupField, "edt17"},
                  {cardCodeField, "edt10"},
                  {readLamp, "shp4"},
                  {readGroupsList, "chklst1"},
                  {validityPicker, "dtp1"},
                  {expiringHorizon, "dtp2"},
                  {cardInfoBox, "rz2"},
                  {ownerBox, "rz3"},
                  {lookupBox, "rz4"},
                  {gateBox, "rz5"},
                  {queryBox, "grp5"},
                  {validityBox, "grpCardMemo"},
                  {groupShownBox, "grpGroupShown"},
                  {gateChecksBox, "grpGates"},
                  {lossBox, "grpLoss"},
                  {singleIssueButton, "btn12"},
                  {singleIssueMark, "rb1"},
                  {batchIssueButton, "btn14"},
                  {batchIssueMark, "rb2"},
                  {extendButton, "btn13"},
                  {startIssueButton, "btn3"},
                  {endIssueButton, "btn4"},
                  {returnButton, "btn25"},
                  {saveRecordButton, "btn17"},
                  {startsSentCounter, "edt1"},
                  {readsCounter, "edt2"},
                  {readGroupField, "edt8"},
                  {commandLamp, "shp5"},
                  {gateGroupsLabel, "lbl8"},
                  {gateCheck1, "chk1"},
                  {gateCheck2, "chk2"},
                  {gateCheck3, "chk3"},
                  {gateCheck4, "chk4"},
                  {gateCheck5, "chk5"},
                  {gateCheck6, "chk6"},
                  {gateCheck7, "chk7"},
                  {gateCheck8, "chk8"},
                  {selectAllButton, "btn11"},
                  {invertGatesButton, "btn15"},
                  {selectNoneButton, "btn24"},
                  {vehicleNumberField, "edt9"},
                  {ownerNameField, "edt11"},
                  {plateField, "edt12"},
                  {carTypeField, "DBcbb3"},
                  {carTypeLabel, "lbl13"},
                  {phoneField, "edt13"},
                  {vehicleInfoField, "edt14"},
                  {validityField, "edt15"},
                  {parkingSpaceField, "edt16"},
                  {addressField, "edt20"},
                  {cardStatusField, "edt3"},
                  {plateLookupField, "edt18"},
                  {nameLookupField, "edt19"},
                  {lookupButton, "btn18"},
                  {archiveButton, "btn19"},
                  {passagesButton, "btn28"},
                  {historyButton, "btnHistory"},
                  {expiringButton, "btn21"},
                  {lossButton, "btn22"},
                  {unlossButton, "btn23"},
                  {initialiseButton, "btn27"}});
}

Query *CardTab::ownerRecords()
{
    // The data module is created after this window (and made again by some tests): the query
    // belongs to it, so that it never outlives the connection it runs on.
    if (!Datafrm)
        return nullptr;
    if (Datafrm->ensureOwnQuery(m_ownerQuery, QStringLiteral("cardOwnerQuery")))
        m_ownerSource = new DataSource(m_ownerQuery, m_ownerQuery);
    return m_ownerQuery;
}

void CardTab::bindArchiveFields()
{
    if (!ownerRecords() || vehicleNumberField->dataSource() == m_ownerSource)
        return;
    for (CardEdit *e : {vehicleNumberField, static_cast<CardEdit *>(cardCodeField), ownerNameField,
                        plateField, phoneField, vehicleInfoField, validityField, parkingSpaceField,
                        addressField, cardStatusField})
        e->setDataSource(m_ownerSource);
    carTypeField->setDataSource(m_ownerSource);
}

void CardTab::prepare()
{
    m_session->reset();
    const QDate today = appclock::today();
    m_todayText = today.toString(texts::shell::DateFormat);
    validityPicker->setDate(today);
    validityPicker->setEnabled(false);
    expiringHorizon->setDate(today.addDays(10));
}

void CardTab::startReadLamp()
{
    readLampTimer->start();
}

// Alt with the first letter of a button's pinyin presses the tab's everyday buttons; the
// captions stay as they are, the tooltips name the keys. A button's key works while the tab is
// shown. Loss, unloss and initialisation keep no key: they change a card at once.
void CardTab::giveKeyboardShortcuts()
{
    const std::pair<QPushButton *, const char *> buttons[] = {
        {singleIssueButton, "Alt+D"}, // 单卡发行
        {batchIssueButton, "Alt+P"},  // 批量发行
        {extendButton, "Alt+Y"},      // 卡片延期
        {startIssueButton, "Alt+S"},  // 开始发行
        {endIssueButton, "Alt+J"},    // 结束发行
        {returnButton, "Alt+F"},      // 返回
        {selectAllButton, "Alt+Q"},   // 全选
        {lookupButton, "Alt+C"},      // 查询
        {archiveButton, "Alt+A"},     // 显示车主档案
        {passagesButton, "Alt+L"},    // 进出记录查询
        {expiringButton, "Alt+G"},    // 即将过期档案
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

void CardTab::readLampTimerTimer()
{
    readLamp->setColor(colors::Red);
    readGroupsList->setEnabled(false);
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
    QCheckBox *const boxes[] = {gateCheck1, gateCheck2, gateCheck3, gateCheck4,
                                gateCheck5, gateCheck6, gateCheck7, gateCheck8};
    return boxes[n - 1];
}

// ---------------------------------------------------------------------------------------------
// Showing the tab

void CardTab::shown()
{
    if (!isAdministrator()) {
        for (QWidget *w : std::initializer_list<QWidget *>{
                 cardInfoBox, ownerBox, gateBox, archiveButton, lossButton, unlossButton,
                 returnButton, passagesButton, carTypeLabel})
            w->setEnabled(false);
        readGroupsList->setEnabled(false);
        setStatus(texts::shell::NoRights);
        Dialogs::message(texts::shell::NoRights, this);
        return;
    }
    // The focus leaves the owner fields first: a disabled focused field would hand it on to the
    // next field as if the user had pressed Tab.
    singleIssueButton->setEnabled(true);
    singleIssueButton->setFocus();
    // Coming back to the tab with a mode active: the issuer is told to stop writing first.
    if (m_session->active())
        returnButtonClick();
    bindArchiveFields();
    for (QWidget *w : std::initializer_list<QWidget *>{
             cardInfoBox, ownerBox, lookupBox, gateBox, singleIssueButton, endIssueButton,
             batchIssueButton, archiveButton, returnButton, passagesButton})
        w->setEnabled(true);
    singleIssueMark->setChecked(false);
    batchIssueMark->setChecked(false);
    selectAllButton->setEnabled(false);
    invertGatesButton->setEnabled(false);
    validityPicker->hide();
    validityField->setEnabled(false);
    singleIssueButton->setFocus();
    setStatus(texts::shell::CardTabAdmin);
}

void CardTab::gateBoxClick()
{
    if (!isAdministrator())
        Dialogs::message(texts::shell::NoRights, this);
}

void CardTab::endIssuingOnLeave()
{
    if (m_session->active())
        returnButtonClick();
}

// ---------------------------------------------------------------------------------------------
// Issue modes

bool CardTab::startNewArchiveRecord()
{
    bindArchiveFields();
    Query *q = ownerRecords();
    const owners::LastVehicleNumber last = owners::OwnerArchive(*Datafrm->con).lastVehicleNumber();
    const cards::VehicleNumber number = cards::nextVehicleNumber(last.archiveEmpty, last.number);
    if (!number.append) {
        vehicleNumberField->setText(number.text);
        Dialogs::message(texts::cards::NullVehicleNumber, this);
        // Saving into that record would overwrite it: the mode is not entered.
        returnButtonClick();
        return false;
    }
    owners::open(*q, owners::noRecord());
    q->append();
    vehicleNumberField->setText(number.text);
    return true;
}

void CardTab::singleIssueButtonClick()
{
    // A card read in a mode is that mode's card: it must not complete an earlier
    // initialisation.
    m_session->chooseSingle();
    selectAllButton->setEnabled(false);
    invertGatesButton->setEnabled(false);
    validityPicker->hide();
    selectNoneButtonClick();
    singleIssueMark->setEnabled(true);
    singleIssueMark->setChecked(true);
    batchIssueMark->setEnabled(false);
    extendButton->setEnabled(false);
    startIssueButton->setEnabled(false);
    setButtonFace(extendButton);
    setButtonFace(startIssueButton);
    saveRecordButton->setEnabled(false);
    setStatus(texts::cards::SinglePrompt);
    endIssueButton->setEnabled(true);
    validityPicker->setEnabled(false);
    if (!startNewArchiveRecord())
        return;
    ownerNameField->setFocus();
    validityField->setEnabled(true);
    validityField->setText(m_todayText);
}

void CardTab::batchIssueButtonClick()
{
    m_session->chooseBatch();
    selectNoneButtonClick();
    endIssueButton->setEnabled(true);
    batchIssueMark->setEnabled(true);
    batchIssueMark->setChecked(true);
    singleIssueMark->setEnabled(false);
    selectAllButton->setEnabled(false);
    invertGatesButton->setEnabled(false);
    startIssueButton->setEnabled(false);
    extendButton->setEnabled(false);
    setButtonFace(extendButton);
    validityField->setEnabled(true);
    setStatus(texts::cards::BatchPrompt);
    if (!startNewArchiveRecord())
        return;
    validityField->setText(m_todayText);
    validityField->setFocus();
}

void CardTab::extendButtonClick()
{
    for (int n = 1; n <= 8; ++n)
        groupCheck(n)->setEnabled(false);
    startIssueButton->setEnabled(false);
    validityPicker->show();
    bindArchiveFields();
    Query *q = ownerRecords();
    m_session->chooseExtension();
    q->close();
    q->open();
    q->edit();
    m_session->rememberExtendedCard(q->fieldByName(QStringLiteral("卡片内码")).asString());
    validityPicker->setEnabled(true);
    validityPicker->setStyleSheet(PickerHighlight);
    setPickerDate(validityPicker, appclock::today());
    validityPicker->setFocus();
    setButtonFace(extendButton);
    setStatus(texts::cards::ExtendPrompt);
}

void CardTab::validityPickerChange()
{
    gateGroupsLabel->setStyleSheet(QStringLiteral("color:red;"));
    selectAllButton->setEnabled(true);
    invertGatesButton->setEnabled(true);
    for (int n = 1; n <= 8; ++n)
        groupCheck(n)->setEnabled(true);
    validityField->setText(cards::validityText(validityPicker->date()).trimmed());
    selectAllButton->setFocus();
    setStatus(texts::cards::DatePicked);
}

void CardTab::validityPickerKeyPress()
{
    setStatus(texts::cards::DateKey);
}

void CardTab::openDatePicker()
{
    validityPicker->show();
    validityPicker->setEnabled(true);
    validityPicker->setStyleSheet(PickerHighlight);
    setPickerDate(validityPicker, appclock::today());
}

// ---------------------------------------------------------------------------------------------
// Starting and ending issuing

void CardTab::startIssueButtonClick()
{
    // Both buffers go first, also when the start is refused.
    m_port.flushPort();
    m_session->startSent();
    gateGroupsLabel->setStyleSheet(QStringLiteral("color:blue;"));
    if (vehicleNumberField->text().size() < 4 || !validityPicker->isEnabled() ||
        !m_session->modeChosen() || !m_session->open()) {
        Dialogs::message(texts::cards::StartRefused, this);
        return;
    }
    // the port was flushed above
    m_port.writeFrame(IssueFrame(validityPicker->date(), m_session->groupMask()));
    endIssueButton->setEnabled(true);
    commandLamp->setColor(colors::Green);
    startsSentCounter->setText(QString::number(startsSentCounter->text().toInt() + 1));
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
    invertGatesButton->setEnabled(false);
    lookupButton->setEnabled(false);
    initialiseButton->setEnabled(false);
    // The issuer is told to read again before anything else reacts to the end.
    m_session->end();
    lossButton->setEnabled(false);
    unlossButton->setEnabled(false);
    startsSentCounter->setText(QStringLiteral("0"));
    readsCounter->setText(QStringLiteral("0"));
    if (returning)
        setStatus(texts::cards::IssueEnded);
    cardMemo->clearLines();
    cardStatusField->setStyleSheet(QStringLiteral("background-color:white;"));
    singleIssueButton->setEnabled(true);
    batchIssueButton->setEnabled(true);
    extendButton->setEnabled(false);
    setButtonFace(extendButton);
    for (QRadioButton *rb : {singleIssueMark, batchIssueMark}) {
        rb->setChecked(false);
        rb->setEnabled(true);
    }
    validityPicker->hide();
    startIssueButton->setEnabled(false);
    setButtonFace(startIssueButton);
    if (Query *q = ownerRecords())
        q->close();
    for (int n = 1; n <= 8; ++n) {
        groupCheck(n)->setEnabled(false);
        groupCheck(n)->setChecked(false);
    }
    if (returning)
        endIssueButton->setEnabled(true);
    selectAllButton->setEnabled(false);
    readGroupsList->hide();
    setPickerDate(validityPicker, appclock::today());
    codeLookupField->setText(texts::cards::ReadEntry);
    setStatus(returning ? texts::cards::Returned : texts::cards::IssueEnded);
}

void CardTab::endIssueButtonClick()
{
    endIssuing(false);
}

void CardTab::returnButtonClick()
{
    endIssuing(true);
}

void CardTab::startsSentCounterChange()
{
    if (startsSentCounter->text().toInt() >= 2 && readsCounter->text().toInt() <= 0) {
        setStatus(texts::cards::NoReplyPane);
        Dialogs::box(texts::cards::NoReplyBox, texts::cards::NoReplyCaption, Dialogs::OkOnly,
                     Dialogs::Warning, this);
        setStatusStyle(QStringLiteral("color:blue;"));
        readLamp->setColor(colors::Red);
    }
}

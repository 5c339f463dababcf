// The user tab: the login accounts.
#include "accounts/accountstab.h"

#include "accounts/accountname.h"
#include "accounts/texts.h"
#include "common/dialogs.h"
#include "common/globals.h"
#include "common/guard.h"
#include "common/keys.h"
#include "common/passwordhash.h"
#include "db/datafrm.h"
#include "db/dbcontrols.h"
#include "shell/pictures.h"
#include "shell/texts.h"
#include "shell/widgets.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>
#include <functional>

namespace {
const QColor White(Qt::white);
const QColor Expecting(Qt::yellow);
const QColor LightBlue(220, 240, 255);

// Entry field colours: white while entering, yellow for the field that expects input next, the
// button face once completed, light blue after save or cancel.
void setFieldColour(QWidget *w, const QColor &c)
{
    w->setProperty("fieldColour", c);
    if (c.isValid())
        w->setStyleSheet(QStringLiteral("background-color:%1;").arg(c.name()));
    else
        w->setStyleSheet(QStringLiteral("background-color:palette(button);"));
}

void setButtonFace(QWidget *w)
{
    setFieldColour(w, QColor());
}

// A button showing only its picture, which the keyboard reaches (Tab) and presses (Space, Enter)
// like any other; the tooltip and the accessible name say what it does.
QToolButton *pictureButton(const QString &kind, const QString &tip, QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setIcon(QIcon(pictures::button(kind, QSize(40, 40))));
    b->setIconSize(QSize(40, 40));
    b->setAutoRaise(true);
    b->setToolTip(tip);
    b->setAccessibleName(tip);
    b->setCursor(Qt::PointingHandCursor);
    b->setFocusPolicy(Qt::StrongFocus);
    b->setFixedSize(44, 44);
    return b;
}

Query *accounts()
{
    return Datafrm ? Datafrm->LGqry1 : nullptr;
}

bool entering(const Query *q)
{
    return q && (q->state() == Query::Edit || q->state() == Query::Insert);
}

// Only ASCII letters and digits get into a password, whatever way they come (keys, paste, drop,
// input method): other characters are dropped and the rest of the input stays. Text the program
// puts there itself (the mask shown for a stored password) is left as it is.
class PasswordCharacters : public QValidator
{
public:
    // shortened is told when more than one character arrived at once (a paste, a drop, an input
    // method) and some were dropped: unlike a single key, the user cannot see what went missing.
    PasswordCharacters(QLineEdit *edit, std::function<void()> shortened)
        : QValidator(edit)
        , m_edit(edit)
        , m_shortened(std::move(shortened))
    {}

    State validate(QString &input, int &pos) const override
    {
        if (!m_edit->isModified()) {
            m_lastSize = input.size();
            return Acceptable;
        }
        QString kept;
        int keptBeforeCursor = 0;
        for (int i = 0; i < input.size(); ++i) {
            const char16_t c = input.at(i).unicode();
            if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) {
                kept += input.at(i);
                if (i < pos)
                    ++keptBeforeCursor;
            }
        }
        const qsizetype dropped = input.size() - kept.size();
        const qsizetype arrived = input.size() - m_lastSize;
        input = kept;
        pos = keptBeforeCursor;
        m_lastSize = kept.size();
        if (dropped > 1 || (dropped == 1 && arrived > 1))
            m_shortened();
        return Acceptable;
    }

private:
    QLineEdit *m_edit;
    std::function<void()> m_shortened;
    mutable qsizetype m_lastSize = 0;
};

// The grid's highlight is the query's current record. While an account is being entered or
// edited the query cannot move, so neither can the highlight: otherwise it would show one
// account while the fields, a save and a delete act on another.
class RecordSelection : public QItemSelectionModel
{
public:
    explicit RecordSelection(QueryTableModel *model)
        : QItemSelectionModel(model)
        , m_model(model)
    {}

    void setCurrentIndex(const QModelIndex &index, SelectionFlags command) override
    {
        if (entering(accounts()) && index.row() != m_model->currentRow())
            return;
        QItemSelectionModel::setCurrentIndex(index, command);
    }

    using QItemSelectionModel::select;
    void select(const QItemSelection &selection, SelectionFlags command) override
    {
        if (entering(accounts())) {
            const QModelIndexList cells = selection.indexes();
            if (cells.isEmpty())
                return;
            for (const QModelIndex &cell : cells)
                if (cell.row() != m_model->currentRow())
                    return;
        }
        QItemSelectionModel::select(selection, command);
    }

private:
    QueryTableModel *m_model;
};
} // namespace

AccountsTab::AccountsTab(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("rztbshtTabSheet2"));
    build();
    connectControls();
}

QString AccountsTab::title() const
{
    return QStringLiteral(" 用户管理 ");
}

void AccountsTab::build()
{
    auto *layout = new QVBoxLayout(this);
    m_accountsBox = new QGroupBox(QStringLiteral(" 用户权限管理 "), this);
    layout->addWidget(m_accountsBox, 1);
    auto *area = new QHBoxLayout(m_accountsBox);

    m_accountGrid = new QTableView(m_accountsBox);
    m_accountGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_accountGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_accountGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_accountGrid->setTabKeyNavigation(false); // Tab leaves the grid for the fields and buttons
    m_accountGrid->verticalHeader()->hide();
    m_accountGrid->horizontalHeader()->setStretchLastSection(true);
    area->addWidget(m_accountGrid, 3);

    auto *side = new QVBoxLayout;
    m_entryBox = new QGroupBox(QStringLiteral("登录用户设置"), m_accountsBox);
    auto *fields = new QGridLayout(m_entryBox);
    m_nameField = new DBEdit(m_entryBox);
    m_passwordField = new DBEdit(m_entryBox);
    m_roleField = new DBComboBox(m_entryBox);
    m_nameField->setMaxBytes(20);
    m_passwordField->setMaxLength(20);
    m_passwordField->setEchoMode(QLineEdit::Password);
    m_passwordField->setValidator(new PasswordCharacters(
        m_passwordField, [this] { emit statusChanged(texts::accounts::PastedPasswordShortened); }));
    m_passwordField->setInputMethodHints(m_passwordField->inputMethodHints() | Qt::ImhLatinOnly |
                                         Qt::ImhNoPredictiveText | Qt::ImhSensitiveData);
    m_passwordField->setAttribute(Qt::WA_InputMethodEnabled, true);
    m_roleField->addItems(
        {QStringLiteral("管理员"), QStringLiteral("操作员"), QStringLiteral("测试员")});
    m_nameField->setEnabled(false);
    m_passwordField->setEnabled(false);
    fields->addWidget(new QLabel(QStringLiteral("用户名称:      "), m_entryBox), 0, 0);
    fields->addWidget(m_nameField, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("用户密码:     "), m_entryBox), 1, 0);
    fields->addWidget(m_passwordField, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral("用名类型:     "), m_entryBox), 2, 0);
    fields->addWidget(m_roleField, 2, 1);
    auto *saveRow = new QHBoxLayout;
    m_saveButton = pictureButton(QStringLiteral("save"), QStringLiteral("保存"), m_entryBox);
    m_cancelButton = pictureButton(QStringLiteral("cancel"), QStringLiteral("取消"), m_entryBox);
    m_saveButton->setEnabled(false);
    m_cancelButton->setEnabled(false);
    saveRow->addStretch(1);
    saveRow->addWidget(m_saveButton);
    saveRow->addWidget(m_cancelButton);
    fields->addLayout(saveRow, 3, 0, 1, 2);
    side->addWidget(m_entryBox);

    auto *buttons = new QHBoxLayout;
    m_addButton = pictureButton(QStringLiteral("add"), QStringLiteral("增加"), m_accountsBox);
    m_editButton = pictureButton(QStringLiteral("edit"), QStringLiteral("修改"), m_accountsBox);
    m_deleteButton = pictureButton(QStringLiteral("delete"), QStringLiteral("删除"), m_accountsBox);
    buttons->addWidget(m_addButton);
    buttons->addWidget(m_editButton);
    buttons->addWidget(m_deleteButton);
    buttons->addStretch(1);
    side->addLayout(buttons);
    side->addStretch(1);
    area->addLayout(side, 2);

    m_carParkPicture = new QLabel(this);
    m_carParkPicture->setPixmap(pictures::carPark(QSize(300, 90), 0));
    layout->addWidget(m_carParkPicture, 0, Qt::AlignRight);

    // The names outside scripts and the tests know the controls by.
    for (const auto &[control, name] : {std::pair<QObject *, const char *>{m_accountsBox, "rz1"},
                                        {m_accountGrid, "dbgrd1"},
                                        {m_entryBox, "grp1"},
                                        {m_nameField, "DBEdt1"},
                                        {m_passwordField, "DBEdt2"},
                                        {m_roleField, "DBcbb1"},
                                        {m_addButton, "img5"},
                                        {m_editButton, "img7"},
                                        {m_deleteButton, "img6"},
                                        {m_saveButton, "img3"},
                                        {m_cancelButton, "img4"},
                                        {m_carParkPicture, "img12"}})
        control->setObjectName(QString::fromLatin1(name));
}

void AccountsTab::connectControls()
{
    m_gridModel = new QueryTableModel(nullptr, this);
    m_gridModel->setColumns({{QStringLiteral("user_name"), QStringLiteral("用户"), true},
                             {QStringLiteral("user_pass"), QStringLiteral("密码"), true},
                             {QStringLiteral("user_type"), QStringLiteral("类型"), true}});
    m_accountGrid->setModel(m_gridModel);
    QItemSelectionModel *plain = m_accountGrid->selectionModel();
    m_accountGrid->setSelectionModel(new RecordSelection(m_gridModel));
    delete plain;
    m_nameField->setDataField(QStringLiteral("user_name"));
    m_passwordField->setDataField(QStringLiteral("user_pass"));
    m_roleField->setDataField(QStringLiteral("user_type"));

    connect(m_accountGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                // Only a browsing grid moves the record; while an account is being entered
                // the grid follows the query instead.
                Query *q = accounts();
                if (!q || q->state() != Query::Browse)
                    return;
                if (current.isValid() && current.row() != m_gridModel->currentRow())
                    guarded([&] { m_gridModel->setCurrentRow(current.row()); });
            });
    connect(m_gridModel, &QueryTableModel::currentRowChanged, this, [this](int row) {
        if (row >= 0 && m_accountGrid->currentIndex().row() != row)
            m_accountGrid->selectRow(row);
    });
    connect(m_addButton, &QToolButton::clicked, this, [this] { guarded([this] { onAdd(); }); });
    connect(m_editButton, &QToolButton::clicked, this, [this] { guarded([this] { onEdit(); }); });
    connect(m_deleteButton, &QToolButton::clicked, this,
            [this] { guarded([this] { onDelete(); }); });
    connect(m_saveButton, &QToolButton::clicked, this, [this] { guarded([this] { onSave(); }); });
    connect(m_cancelButton, &QToolButton::clicked, this,
            [this] { guarded([this] { onCancel(); }); });
    connect(m_passwordField, &QLineEdit::textEdited, this, [this] { m_passwordTyped = true; });
    onKeyPress(m_nameField, [this](int key) { return onNameKey(key); });
    onKeyPress(m_passwordField, [this](int key) { return onPasswordKey(key); });
    // The role is chosen from the open list; keys do not change it while the list is closed.
    // F4 or Space opens the list (then the arrows and Enter choose), and Tab and Backtab move
    // on, so the keyboard is not caught in the field.
    onKeyPress(m_roleField, [this](int key) {
        if (key == Qt::Key_F4 || key == Qt::Key_Space) {
            m_roleField->showPopup();
            return true;
        }
        return key != Qt::Key_Tab && key != Qt::Key_Backtab;
    });
}

// The data module is created after the main window: the controls are bound on first use.
void AccountsTab::bindToDatabase()
{
    if (!Datafrm || m_nameField->dataSource() == Datafrm->LGds1)
        return;
    m_gridModel->setDataSource(Datafrm->LGds1);
    m_nameField->setDataSource(Datafrm->LGds1);
    m_passwordField->setDataSource(Datafrm->LGds1);
    m_roleField->setDataSource(Datafrm->LGds1);
}

void AccountsTab::shown()
{
    if (!isAdministrator()) {
        m_accountsBox->setEnabled(false);
        emit statusChanged(texts::shell::RestrictedPane);
        Dialogs::message(texts::shell::NoRights, this);
        emit statusHighlighted(texts::shell::RestrictedPane);
        return;
    }
    guarded([this] {
        bindToDatabase();
        // The reload discards an account being added or edited: the area then returns to idle,
        // so that nothing typed afterwards lands on whichever account is current.
        const bool entryDiscarded = m_saveButton->isEnabled();
        Query *q = accounts();
        q->close();
        q->setSQL(QStringLiteral("select * from users"));
        q->open();
        if (q->state() == Query::Edit || q->state() == Query::Insert)
            q->cancel();
        m_accountsBox->setEnabled(true);
        emit statusChanged(texts::accounts::UserTabPane);
        if (entryDiscarded) {
            backToIdle();
            emit statusChanged(texts::accounts::Abandoned);
        }
    });
}

// Shows the password field empty without touching the stored value: an account entered for
// editing starts from nothing rather than from the mask, and keeps its password unless typed.
void AccountsTab::blankPassword()
{
    const QSignalBlocker quiet(m_passwordField);
    m_passwordField->setText(QString());
    m_passwordTyped = false;
}

// An edited account whose password field was never typed into keeps its stored password.
bool AccountsTab::keepsStoredPassword() const
{
    const Query *q = accounts();
    return q && q->state() == Query::Edit && !m_passwordTyped;
}

// While an account is entered the fields and save/cancel are open and add/edit/delete closed;
// idle, the other way round, with the fields light blue.
void AccountsTab::setEntering(bool entering)
{
    for (QToolButton *b : {m_addButton, m_deleteButton, m_editButton})
        b->setEnabled(!entering);
    for (QWidget *w : {static_cast<QWidget *>(m_nameField), static_cast<QWidget *>(m_passwordField),
                       static_cast<QWidget *>(m_roleField)}) {
        setFieldColour(w, entering ? White : LightBlue);
        w->setEnabled(entering);
    }
    for (QToolButton *b : {m_saveButton, m_cancelButton}) {
        if (entering)
            b->setVisible(true);
        b->setEnabled(entering);
    }
}

void AccountsTab::startEntry()
{
    setEntering(true);
    m_nameField->setFocus();
}

void AccountsTab::backToIdle()
{
    setEntering(false);
}

void AccountsTab::onAdd()
{
    startEntry();
    accounts()->append();
    blankPassword();
    emit statusChanged(texts::accounts::AccountNamePrompt);
    setFieldColour(m_nameField, Expecting);
}

void AccountsTab::onEdit()
{
    startEntry();
    accounts()->edit();
    blankPassword();
}

void AccountsTab::onSave()
{
    Query *q = accounts();
    if (!entering(q)) {
        // Nothing is pending (a reload discarded it): there is nothing to report as saved.
        backToIdle();
        emit statusChanged(texts::accounts::Abandoned);
        return;
    }
    if (!m_nameField->text().isEmpty() &&
        (!m_passwordField->text().isEmpty() || keepsStoredPassword()) &&
        !m_roleField->currentText().isEmpty() && m_nameField->isEnabled()) {
        // A name that could not log in or that looks like another account's is not stored; the
        // entry stays open to correct it.
        switch (accountname::check(m_nameField->text())) {
        case accountname::Problem::None:
            break;
        case accountname::Problem::SurroundingBlanks:
            Dialogs::box(texts::accounts::NameSurroundingBlanks, texts::accounts::EntryErrorCaption,
                         Dialogs::OkOnly, Dialogs::Warning, this);
            m_nameField->setFocus();
            return;
        case accountname::Problem::HiddenCharacters:
            Dialogs::box(texts::accounts::NameHiddenCharacters, texts::accounts::EntryErrorCaption,
                         Dialogs::OkOnly, Dialogs::Warning, this);
            m_nameField->setFocus();
            return;
        }
        // The password is stored as its hash; one not typed again keeps the stored hash.
        if (!keepsStoredPassword())
            q->fieldByName(QStringLiteral("user_pass"))
                .setAsString(passwordhash::hash(m_passwordField->text()));
        q->post();
        emit statusChanged(texts::accounts::Saved);
    } else {
        if (Dialogs::box(texts::accounts::EmptyNameOrPassword, texts::accounts::EntryErrorCaption,
                         Dialogs::YesNo, Dialogs::Question, this) != Dialogs::Yes)
            return;
        q->cancel();
    }
    backToIdle();
}

void AccountsTab::onCancel()
{
    accounts()->cancel();
    backToIdle();
    emit statusChanged(texts::accounts::Abandoned);
}

void AccountsTab::onDelete()
{
    Query *q = accounts();
    if (q->fieldByName(QStringLiteral("user_name")).asString() == UserName) {
        Dialogs::box(texts::accounts::CannotDeleteSelf, texts::accounts::DeleteErrorCaption,
                     Dialogs::OkOnly, Dialogs::Warning, this);
        return;
    }
    if (Dialogs::box(texts::accounts::DeleteForever, texts::accounts::ConfirmDeleteCaption,
                     Dialogs::YesNo, Dialogs::Question, this) == Dialogs::Yes)
        q->deleteRecord();
}

bool AccountsTab::onNameKey(int key)
{
    if (keys::isEnter(key) && !m_nameField->text().trimmed().isEmpty()) {
        m_passwordField->setFocus();
        if (m_passwordTyped)
            m_passwordField->clear();
        else
            blankPassword();
        emit statusChanged(texts::accounts::PasswordCharacters);
        setButtonFace(m_nameField);
        setFieldColour(m_passwordField, Expecting);
        return true;
    }
    m_nameField->setFocus();
    emit statusChanged(texts::accounts::AccountNamePrompt);
    return keys::isEnter(key);
}

bool AccountsTab::onPasswordKey(int key)
{
    if (keys::isEnter(key) &&
        (!m_passwordField->text().trimmed().isEmpty() || keepsStoredPassword())) {
        setButtonFace(m_passwordField);
        setFieldColour(m_roleField, Expecting);
        m_roleField->setFocus();
        return true;
    }
    emit statusChanged(texts::accounts::PasswordPrompt);
    // Which characters get in is the validator's business (they come by other routes than keys
    // too); editing keys, Tab and shortcuts go through.
    return keys::isEnter(key);
}

// The user tab of the main window (login accounts) and the re-login button.
#include "accounts/accountname.h"
#include "accounts/texts.h"
#include "accounts/tform2.h"
#include "common/dialogs.h"
#include "common/globals.h"
#include "common/guard.h"
#include "common/keys.h"
#include "common/passwordhash.h"
#include "db/datafrm.h"
#include "db/dbcontrols.h"
#include "shell/forms.h"
#include "shell/pictures.h"
#include "shell/texts.h"
#include "shell/tform1.h"
#include "shell/widgets.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTableView>
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

ClickLabel *pictureButton(const QString &kind, const QString &tip, QWidget *parent)
{
    auto *b = new ClickLabel(QString(), parent);
    b->setPixmap(pictures::button(kind, QSize(40, 40)));
    b->setToolTip(tip);
    b->setCursor(Qt::PointingHandCursor);
    b->setFixedSize(40, 40);
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

// Shows the password field empty without touching the stored value: an account entered for
// editing starts from nothing rather than from the mask, and keeps its password unless typed.
void blankPassword(TForm1 &f)
{
    const QSignalBlocker quiet(f.DBEdt2);
    f.DBEdt2->setText(QString());
    f.passwordTyped = false;
}

// An edited account whose password field was never typed into keeps its stored password.
bool keepsStoredPassword(const TForm1 &f)
{
    const Query *q = accounts();
    return q && q->state() == Query::Edit && !f.passwordTyped;
}

void backToIdle(TForm1 &f)
{
    f.img5->setEnabled(true);
    f.img6->setEnabled(true);
    f.img7->setEnabled(true);
    for (QWidget *w : {static_cast<QWidget *>(f.DBEdt1), static_cast<QWidget *>(f.DBEdt2),
                       static_cast<QWidget *>(f.DBcbb1)}) {
        setFieldColour(w, LightBlue);
        w->setEnabled(false);
    }
    f.img3->setEnabled(false);
    f.img4->setEnabled(false);
}
} // namespace

void TForm1::buildUserTab()
{
    QWidget *page = rztbshtTabSheet2;
    auto *layout = new QVBoxLayout(page);
    rz1 = new QGroupBox(QStringLiteral(" 用户权限管理 "), page);
    layout->addWidget(rz1, 1);
    auto *area = new QHBoxLayout(rz1);

    dbgrd1 = new QTableView(rz1);
    dbgrd1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgrd1->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgrd1->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgrd1->verticalHeader()->hide();
    dbgrd1->horizontalHeader()->setStretchLastSection(true);
    area->addWidget(dbgrd1, 3);

    auto *side = new QVBoxLayout;
    grp1 = new QGroupBox(QStringLiteral("登录用户设置"), rz1);
    auto *fields = new QGridLayout(grp1);
    DBEdt1 = new DBEdit(grp1);
    DBEdt2 = new DBEdit(grp1);
    DBcbb1 = new DBComboBox(grp1);
    DBEdt1->setMaxBytes(20);
    DBEdt2->setMaxLength(20);
    DBEdt2->setEchoMode(QLineEdit::Password);
    DBEdt2->setValidator(new PasswordCharacters(
        DBEdt2, [this] { wtxt->setText(texts::accounts::PastedPasswordShortened); }));
    DBEdt2->setInputMethodHints(DBEdt2->inputMethodHints() | Qt::ImhLatinOnly |
                                Qt::ImhNoPredictiveText | Qt::ImhSensitiveData);
    DBEdt2->setAttribute(Qt::WA_InputMethodEnabled, true);
    DBcbb1->addItems(
        {QStringLiteral("管理员"), QStringLiteral("操作员"), QStringLiteral("测试员")});
    DBEdt1->setEnabled(false);
    DBEdt2->setEnabled(false);
    fields->addWidget(new QLabel(QStringLiteral("用户名称:      "), grp1), 0, 0);
    fields->addWidget(DBEdt1, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("用户密码:     "), grp1), 1, 0);
    fields->addWidget(DBEdt2, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral("用名类型:     "), grp1), 2, 0);
    fields->addWidget(DBcbb1, 2, 1);
    auto *saveRow = new QHBoxLayout;
    img3 = pictureButton(QStringLiteral("save"), QStringLiteral("保存"), grp1);
    img4 = pictureButton(QStringLiteral("cancel"), QStringLiteral("取消"), grp1);
    img3->setEnabled(false);
    img4->setEnabled(false);
    saveRow->addStretch(1);
    saveRow->addWidget(img3);
    saveRow->addWidget(img4);
    fields->addLayout(saveRow, 3, 0, 1, 2);
    side->addWidget(grp1);

    auto *buttons = new QHBoxLayout;
    img5 = pictureButton(QStringLiteral("add"), QStringLiteral("增加"), rz1);
    img7 = pictureButton(QStringLiteral("edit"), QStringLiteral("修改"), rz1);
    img6 = pictureButton(QStringLiteral("delete"), QStringLiteral("删除"), rz1);
    buttons->addWidget(img5);
    buttons->addWidget(img7);
    buttons->addWidget(img6);
    buttons->addStretch(1);
    side->addLayout(buttons);
    side->addStretch(1);
    area->addLayout(side, 2);

    img12 = new QLabel(page);
    img12->setPixmap(pictures::carPark(QSize(300, 90), 0));
    layout->addWidget(img12, 0, Qt::AlignRight);
}

void TForm1::setupUserTab()
{
    dbgrd1Model = new QueryTableModel(nullptr, this);
    dbgrd1Model->setColumns({{QStringLiteral("user_name"), QStringLiteral("用户"), true},
                             {QStringLiteral("user_pass"), QStringLiteral("密码"), true},
                             {QStringLiteral("user_type"), QStringLiteral("类型"), true}});
    dbgrd1->setModel(dbgrd1Model);
    QItemSelectionModel *plain = dbgrd1->selectionModel();
    dbgrd1->setSelectionModel(new RecordSelection(dbgrd1Model));
    delete plain;
    DBEdt1->setDataField(QStringLiteral("user_name"));
    DBEdt2->setDataField(QStringLiteral("user_pass"));
    DBcbb1->setDataField(QStringLiteral("user_type"));

    connect(dbgrd1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                // Only a browsing grid moves the record; while an account is being entered
                // the grid follows the query instead.
                Query *q = accounts();
                if (!q || q->state() != Query::Browse) {
                    return;
                }
                if (current.isValid() && current.row() != dbgrd1Model->currentRow())
                    guarded([&] { dbgrd1Model->setCurrentRow(current.row()); });
            });
    connect(dbgrd1Model, &QueryTableModel::currentRowChanged, this, [this](int row) {
        if (row >= 0 && dbgrd1->currentIndex().row() != row)
            dbgrd1->selectRow(row);
    });
    connect(img5, &ClickLabel::clicked, this, [this] { guarded([this] { img5Click(); }); });
    connect(img7, &ClickLabel::clicked, this, [this] { guarded([this] { img7Click(); }); });
    connect(img6, &ClickLabel::clicked, this, [this] { guarded([this] { img6Click(); }); });
    connect(img3, &ClickLabel::clicked, this, [this] { guarded([this] { img3Click(); }); });
    connect(img4, &ClickLabel::clicked, this, [this] { guarded([this] { img4Click(); }); });
    connect(DBEdt2, &QLineEdit::textEdited, this, [this] { passwordTyped = true; });
    onKeyPress(DBEdt1, [this](int key) { return DBEdt1KeyPress(key); });
    onKeyPress(DBEdt2, [this](int key) { return DBEdt2KeyPress(key); });
    onKeyPress(DBcbb1, [this](int key) { return DBcbb1KeyPress(key); });
}

void TForm1::rztbshtTabSheet2Show()
{
    if (!isAdministrator()) {
        rz1->setEnabled(false);
        wtxt->setText(texts::shell::RestrictedPane);
        Dialogs::message(texts::shell::NoRights, this);
        wtxt->setStyleSheet(QStringLiteral("color:blue;"));
        return;
    }
    guarded([this] {
        // The data module is created after this window: bind on first use.
        if (Datafrm && DBEdt1->dataSource() != Datafrm->LGds1) {
            dbgrd1Model->setDataSource(Datafrm->LGds1);
            DBEdt1->setDataSource(Datafrm->LGds1);
            DBEdt2->setDataSource(Datafrm->LGds1);
            DBcbb1->setDataSource(Datafrm->LGds1);
        }
        // The reload discards an account being added or edited: the area then returns to idle,
        // so that nothing typed afterwards lands on whichever account is current.
        const bool entryDiscarded = img3->isEnabled();
        Query *q = accounts();
        q->close();
        q->setSQL(QStringLiteral("select * from users;"));
        q->open();
        if (q->state() == Query::Edit || q->state() == Query::Insert)
            q->cancel();
        rz1->setEnabled(true);
        wtxt->setText(texts::accounts::UserTabPane);
        if (entryDiscarded) {
            backToIdle(*this);
            wtxt->setText(texts::accounts::Abandoned);
        }
    });
}

void TForm1::GoEditState()
{
    img5->setEnabled(false);
    img6->setEnabled(false);
    img7->setEnabled(false);
    for (QWidget *w : {static_cast<QWidget *>(DBEdt1), static_cast<QWidget *>(DBEdt2),
                       static_cast<QWidget *>(DBcbb1)}) {
        setFieldColour(w, White);
        w->setEnabled(true);
    }
    img3->setVisible(true);
    img4->setVisible(true);
    DBEdt1->setFocus();
}

void TForm1::img5Click()
{
    GoEditState();
    accounts()->append();
    blankPassword(*this);
    wtxt->setText(texts::accounts::AccountNamePrompt);
    img3->setEnabled(true);
    img4->setEnabled(true);
    setFieldColour(DBEdt1, Expecting);
}

void TForm1::img7Click()
{
    GoEditState();
    accounts()->edit();
    blankPassword(*this);
    img3->setEnabled(true);
    img4->setEnabled(true);
}

void TForm1::img3Click()
{
    Query *q = accounts();
    if (!entering(q)) {
        // Nothing is pending (a reload discarded it): there is nothing to report as saved.
        backToIdle(*this);
        wtxt->setText(texts::accounts::Abandoned);
        return;
    }
    if (!DBEdt1->text().isEmpty() && (!DBEdt2->text().isEmpty() || keepsStoredPassword(*this)) &&
        !DBcbb1->currentText().isEmpty() && DBEdt1->isEnabled()) {
        // A name that could not log in or that looks like another account's is not stored; the
        // entry stays open to correct it.
        switch (accountname::check(DBEdt1->text())) {
        case accountname::Problem::None:
            break;
        case accountname::Problem::SurroundingBlanks:
            Dialogs::box(texts::accounts::NameSurroundingBlanks, texts::accounts::EntryErrorCaption,
                         Dialogs::OkOnly, Dialogs::Warning, this);
            DBEdt1->setFocus();
            return;
        case accountname::Problem::HiddenCharacters:
            Dialogs::box(texts::accounts::NameHiddenCharacters, texts::accounts::EntryErrorCaption,
                         Dialogs::OkOnly, Dialogs::Warning, this);
            DBEdt1->setFocus();
            return;
        }
        // The password is stored as its hash; one not typed again keeps the stored hash.
        if (!keepsStoredPassword(*this))
            q->fieldByName(QStringLiteral("user_pass"))
                .setAsString(passwordhash::hash(DBEdt2->text()));
        q->post();
        wtxt->setText(texts::accounts::Saved);
    } else {
        if (Dialogs::box(texts::accounts::EmptyNameOrPassword, texts::accounts::EntryErrorCaption,
                         Dialogs::YesNo, Dialogs::Question, this) != Dialogs::Yes)
            return;
        q->cancel();
    }
    backToIdle(*this);
}

void TForm1::img4Click()
{
    accounts()->cancel();
    backToIdle(*this);
    wtxt->setText(texts::accounts::Abandoned);
}

void TForm1::img6Click()
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

bool TForm1::DBEdt1KeyPress(int key)
{
    if (keys::isEnter(key) && !DBEdt1->text().trimmed().isEmpty()) {
        DBEdt2->setFocus();
        if (passwordTyped)
            DBEdt2->clear();
        else
            blankPassword(*this);
        wtxt->setText(texts::accounts::PasswordCharacters);
        setButtonFace(DBEdt1);
        setFieldColour(DBEdt2, Expecting);
        return true;
    }
    DBEdt1->setFocus();
    wtxt->setText(texts::accounts::AccountNamePrompt);
    return keys::isEnter(key);
}

bool TForm1::DBEdt2KeyPress(int key)
{
    if (keys::isEnter(key) && (!DBEdt2->text().trimmed().isEmpty() || keepsStoredPassword(*this))) {
        setButtonFace(DBEdt2);
        setFieldColour(DBcbb1, Expecting);
        DBcbb1->setFocus();
        return true;
    }
    wtxt->setText(texts::accounts::PasswordPrompt);
    // Which characters get in is the validator's business (they come by other routes than keys
    // too); editing keys, Tab and shortcuts go through.
    return keys::isEnter(key);
}

bool TForm1::DBcbb1KeyPress(int)
{
    return true;
}

void TForm1::btnClose1Click()
{
    endIssuingOnLeave();
    emit reloginRequested();
    ++ReloginCount;
    hide();
    if (ReloginCount > 5) {
        Dialogs::message(texts::accounts::ReloginReset, this);
        ReloginCount = 0;
    }
}

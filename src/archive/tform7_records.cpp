// The owner archive window: editing in the grid, edit, save and delete.
#include "archive/archivegrid.h"
#include "archive/texts.h"
#include "archive/tform7.h"
#include "common/dialogs.h"
#include "common/errors.h"
#include "common/guard.h"
#include "db/datafrm.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace T = texts::archive;

void TForm7::markReadOnlyFields()
{
    if (!Datafrm || !Datafrm->Qryda1->isActive())
        return;
    for (const QString &name : ArchiveGridModel::readOnlyFields()) {
        const Field f = Datafrm->Qryda1->findField(name);
        if (f.isValid())
            f.setReadOnly(true);
    }
}

void TForm7::noRecords()
{
    Dialogs::message(T::NoRecords, this);
    btnAddCmd->setFocus();
}

bool TForm7::guardedKeyPress()
{
    bool discard = false;
    guarded([&] { discard = DBFLGridKeyPress(); });
    return discard;
}

bool TForm7::DBFLGridKeyPress()
{
    markReadOnlyFields();
    if (count() > 0) {
        btn2->setEnabled(true);
        setPane(T::SaveHint);
        return false;
    }
    noRecords();
    return true;
}

void TForm7::DBFLGridKeyDown()
{
    markReadOnlyFields();
}

void TForm7::DBFLGridCellClick()
{
    if (count() == 0)
        noRecords();
}

void TForm7::btnEditCmdClick()
{
    if (count() == 0) {
        noRecords();
        return;
    }
    archive()->edit();
    btn2->setEnabled(true);
    btnDelCmd->setEnabled(true);
    wtxt1->setAutoFillBackground(true);
    QPalette p = wtxt1->palette();
    p.setColor(QPalette::Window, QColor(255, 255, 0));
    wtxt1->setPalette(p);
    Dialogs::message(T::ReadOnlyColumns, this);
    setPane(T::EditMode);
}

void TForm7::commitGridEditor()
{
    // A shortcut (Alt+S) may leave a cell open whose text is not part of the record yet.
    QWidget *focus = QApplication::focusWidget();
    if (focus && DBFLGrid->isAncestorOf(focus) && focus != DBFLGrid &&
        focus != DBFLGrid->viewport()) {
        QAbstractItemDelegate *delegate = DBFLGrid->itemDelegate();
        emit delegate->commitData(focus);
        emit delegate->closeEditor(focus, QAbstractItemDelegate::NoHint);
    }
}

void TForm7::btn2Click()
{
    if (count() == 0) {
        Dialogs::message(T::SaveEmpty, this);
        btnAddCmd->setFocus();
        btn2->setEnabled(false);
        return;
    }
    btn2->setEnabled(false);
    commitGridEditor();
    Query *q = archive();
    if (q->state() != Query::Edit && q->state() != Query::Insert) {
        Dialogs::message(T::SaveInvalid, this);
        btnAddCmd->setFocus();
        setPane(T::AddHint);
        return;
    }
    try {
        q->post();
    } catch (const VelmoraError &) {
        // The database refused the record: it stays in edit state for another try, and the
        // refusal reaches the user with the engine's reason.
        btn2->setEnabled(true);
        throw;
    }
    q->cancel();
    btnDelCmd->setEnabled(true);
    setPane(T::Saved);
}

bool TForm7::settleUnsavedChange()
{
    if (!Datafrm || !Datafrm->Qryda1->isActive())
        return true;
    Query *q = Datafrm->Qryda1;
    if ((q->state() != Query::Edit && q->state() != Query::Insert) || !q->modified())
        return true;
    if (Dialogs::box(T::SaveChangeQuestion, T::SaveChangeCaption, Dialogs::YesNo, Dialogs::Question,
                     this) != Dialogs::Yes) {
        q->cancel();
        btn2->setEnabled(false);
        setPane(T::ChangeDiscarded);
        return true;
    }
    bool saved = false;
    guarded([&] {
        btn2Click();
        saved = q->state() == Query::Browse;
    });
    return saved;
}

void TForm7::btnDelCmdClick()
{
    if (count() == 0) {
        Dialogs::message(T::AllDeleted, this);
        btnDelCmd->setEnabled(false);
        btn2->setEnabled(false);
        btnAddCmd->setFocus();
        return;
    }
    if (Dialogs::box(T::DeleteQuestion, T::DeleteCaption, Dialogs::YesNo, Dialogs::Question,
                     this) != Dialogs::Yes)
        return;
    archive()->deleteRecord();
    btn2->setEnabled(false);
    setPane(T::Deleted);
}

#include "cards/cardfields.h"

#include "cards/issuing.h"
#include "common/gbk.h"
#include "common/guard.h"

#include <QLineEdit>
#include <QSignalBlocker>

CardEdit::CardEdit(QWidget *parent)
    : Bound(parent, [this] {
        const Field f = m_link.field();
        setText(f.isValid() ? f.displayText() : QString());
    })
{
    connect(this, &QLineEdit::textChanged, this, &CardEdit::onTextChanged);
    connect(this, &QLineEdit::textEdited, this, &CardEdit::onTextEdited);
}

void CardEdit::onTextChanged(const QString &text)
{
    // The user's edits are handled in onTextEdited; here only the program's texts. A change
    // announced after onTextEdited cut the text is stale: the field shows the cut text.
    if (m_link.loading() || isModified() || text != this->text())
        return;
    if (m_link.field().isValid())
        m_link.write(text);
}

void CardEdit::onTextEdited(const QString &text)
{
    if (m_link.loading())
        return;
    if (!m_link.field().isValid()) {
        m_link.refresh(); // no record to type into
        return;
    }
    // What is saved is exactly what the field shows: the text the user put in is cut to the
    // field's rule first, shown, and that text is written.
    const QString kept = cards::ownerFieldText(text, m_maxBytes);
    if (kept != text) {
        const int cursor = qMin(cursorPosition(), int(kept.size()));
        {
            const QSignalBlocker quiet(this);
            setText(kept);
        }
        setCursorPosition(cursor);
    }
    m_link.write(kept);
}

CardCombo::CardCombo(QWidget *parent)
    : Bound(parent, [this] {
        const Field f = m_link.field();
        setEditText(f.isValid() ? f.asString() : QString());
    })
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    connect(lineEdit(), &QLineEdit::textEdited, this, &CardCombo::userText);
    connect(this, &QComboBox::activated, this, [this](int index) { userText(itemText(index)); });
}

void CardCombo::userText(const QString &typed)
{
    if (m_link.loading())
        return;
    if (!m_link.field().isValid()) {
        m_link.refresh();
        return;
    }
    const QString text = cards::ownerFieldText(typed, m_maxBytes);
    if (text != typed) {
        const QSignalBlocker quiet(lineEdit());
        setEditText(text);
    }
    m_link.write(text);
    if (onUserChange)
        onUserChange();
}

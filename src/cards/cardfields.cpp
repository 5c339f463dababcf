#include "cards/cardfields.h"

#include "common/gbk.h"
#include "common/guard.h"

#include <QLineEdit>

CardEdit::CardEdit(QWidget *parent)
    : Bound(parent,
            [this] {
                const Field f = m_link.field();
                setText(f.isValid() ? f.displayText() : QString());
            })
{
    connect(this, &QLineEdit::textChanged, this, &CardEdit::onTextChanged);
    connect(this, &QLineEdit::textEdited, this, &CardEdit::onTextEdited);
}

void CardEdit::onTextChanged(const QString &text)
{
    // The user's edits are handled in onTextEdited; here only the program's texts.
    if (m_link.loading() || isModified())
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
    if (m_maxBytes > 0 && gbk::byteLength(text) > m_maxBytes) {
        const int cursor = qMin(cursorPosition(), int(gbk::limitBytes(text, m_maxBytes).size()));
        setText(gbk::limitBytes(text, m_maxBytes)); // written by onTextChanged
        setCursorPosition(cursor);
        return;
    }
    m_link.write(text);
}

CardCombo::CardCombo(QWidget *parent)
    : Bound(parent,
            [this] {
                const Field f = m_link.field();
                setEditText(f.isValid() ? f.asString() : QString());
            })
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    connect(lineEdit(), &QLineEdit::textEdited, this, &CardCombo::userText);
    connect(this, &QComboBox::activated, this, [this](int index) { userText(itemText(index)); });
}

void CardCombo::userText(const QString &text)
{
    if (m_link.loading())
        return;
    if (!m_link.field().isValid()) {
        m_link.refresh();
        return;
    }
    m_link.write(text);
    if (onUserChange)
        onUserChange();
}

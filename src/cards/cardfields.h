#pragma once
// The owner fields of the card tab: edits and a free-text combo box bound to a field of the
// archive query. Unlike the plain data-aware edit they keep a text the program puts in while the
// query is closed (a card read while idle shows its code and validity without a record), the
// byte limit applies only to what the user types or pastes, and typing without a record is
// refused.
#include "db/dbcontrols.h"

#include <QComboBox>
#include <QLineEdit>
#include <functional>

class CardEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit CardEdit(QWidget *parent = nullptr);

    void setDataSource(DataSource *source) { m_link.setDataSource(source); }
    DataSource *dataSource() const { return m_link.dataSource(); }
    void setDataField(const QString &name) { m_link.setDataField(name); }
    QString dataField() const { return m_link.dataField(); }
    void setMaxBytes(int bytes) { m_maxBytes = bytes; }
    int maxBytes() const { return m_maxBytes; }
    Field field() const { return m_link.field(); }

private:
    void onTextChanged(const QString &text);
    void onTextEdited(const QString &text);

    FieldLink m_link;
    int m_maxBytes = 0;
};

class CardCombo : public QComboBox
{
    Q_OBJECT
public:
    explicit CardCombo(QWidget *parent = nullptr);

    void setDataSource(DataSource *source) { m_link.setDataSource(source); }
    void setDataField(const QString &name) { m_link.setDataField(name); }
    Field field() const { return m_link.field(); }

    // Runs on every change of the text the user makes (typing or choosing).
    std::function<void()> onUserChange;

private:
    void userText(const QString &text);

    FieldLink m_link;
};

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

class CardEdit : public Bound<QLineEdit>
{
    Q_OBJECT
public:
    explicit CardEdit(QWidget *parent = nullptr);

    // Typing limit in GBK bytes (0 = none).
    void setMaxBytes(int bytes) { m_maxBytes = bytes; }
    int maxBytes() const { return m_maxBytes; }

private:
    void onTextChanged(const QString &text);
    void onTextEdited(const QString &text);

    int m_maxBytes = 0;
};

class CardCombo : public Bound<QComboBox>
{
    Q_OBJECT
public:
    explicit CardCombo(QWidget *parent = nullptr);

    // Runs on every change of the text the user makes (typing or choosing).
    std::function<void()> onUserChange;
    // Limit in GBK bytes of what the user types (0 = none).
    void setMaxBytes(int bytes) { m_maxBytes = bytes; }

private:
    void userText(const QString &typed);

    int m_maxBytes = 0;
};

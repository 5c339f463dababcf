#pragma once
// The passage records window. Creating it connects to the database; without a database the
// program cannot work and ends.
#include <QWidget>

class TForm10 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm10(QWidget *parent = nullptr);
    // False when the database could not be reached at creation ("系统错误!" was shown).
    bool createdOk() const { return m_ok; }
    void FormCreate();

private:
    bool m_ok = true;
};

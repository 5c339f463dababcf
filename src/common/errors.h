#pragma once
// Failures that travel up to the general error display carry the failing layer's own text.
#include <QString>
#include <stdexcept>

class VelmoraError : public std::runtime_error
{
public:
    explicit VelmoraError(const QString &text)
        : std::runtime_error(text.toStdString())
        , m_text(text)
    {
    }
    const QString &text() const { return m_text; }

private:
    QString m_text;
};

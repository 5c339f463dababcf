#pragma once
// The simulated card issuer: frames in, replies out. It holds the user password, a deck of
// cards, the loss-report token and the mode the last command frame put it in; what lies on it
// is placed by commands.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class SimulatedIssuer
{
public:
    // Reply to a read-mode frame with a wrong password: a status the program leaves alone, so a
    // port with a mismatched issuer never comes up as linked.
    static constexpr const char *WrongPasswordStatus = "0502";

    struct Card
    {
        QString code; // eight upper-case hex digits
        int year = 0; // byte values as stored on the card
        int month = 0;
        int day = 0;
        int mask = 0;
        bool issued = false;
    };
    enum class Mode { Read, Issue, Loss, Unloss, Init };
    enum class TokenKind { Blank, Loss, Unloss };

    explicit SimulatedIssuer(const QString &password);

    // Replies go out through this (without the line end; the caller adds CR LF).
    std::function<void(const QByteArray &reply)> reply;
    // What happens, for the log.
    std::function<void(const QString &line)> log;
    // Called after a write command in automatic mode (the caller decides when to place what).
    std::function<void(Mode mode)> writeCommandTaken;

    // Bytes from the port; complete frames are acted on, garbage is dropped and logged, a frame
    // still incomplete waits for the rest.
    void receive(const QByteArray &bytes);

    // Placing things on the issuer.
    void placeCard(const QString &code); // empty: the next fresh card of the deck
    void placeToken();
    void remove();
    // The last card placed (empty when none).
    QString lastCard() const { return m_lastCard; }

    QString password() const { return m_password; }
    Mode mode() const { return m_mode; }
    const QList<Card> &deck() const { return m_deck; }
    QStringList describe() const;

    static bool isCardCode(const QString &text);
    static bool isPassword(const QString &text);

private:
    bool takeFrame(const QByteArray &frame);
    void sendCardData(const Card &card);
    Card &cardFor(const QString &code);
    QString nextFreshCode();

    QString m_password;
    QByteArray m_pending;
    Mode m_mode = Mode::Read;
    int m_issueYear = 0, m_issueMonth = 0, m_issueDay = 0, m_issueMask = 0;
    QByteArray m_tokenTarget; // code bytes of the pending loss or unloss
    TokenKind m_tokenKind = TokenKind::Blank;
    QByteArray m_tokenCode;
    QList<Card> m_deck;
    QString m_lastCard;
    quint32 m_seed = 0x5EEDC0DEu;
};

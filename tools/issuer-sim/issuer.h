#pragma once
// The simulated card issuer: frames in, replies out. It holds the user password, a deck of
// cards, the loss-report token and the mode the last command frame put it in; what lies on it
// is placed by commands. Switches make it misbehave the way real issuers do.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

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
    std::function<void(const QByteArray &reply)> reply = [](const QByteArray &) {};
    // What happens, for the log.
    std::function<void(const QString &line)> log = [](const QString &) {};
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

    // Switches. A chosen answer replaces what the issuer would say (an empty one: it says
    // nothing); nullopt is the normal answer. The issuer's own state follows the frame either
    // way: the password changes only when the old one matches.
    void setMute(bool on) { m_mute = on; }
    bool mute() const { return m_mute; }
    void setModeStatus(std::optional<QByteArray> code) { m_modeStatus = std::move(code); }
    std::optional<QByteArray> modeStatus() const { return m_modeStatus; }
    void setPasswordAnswer(std::optional<QByteArray> code) { m_passwordAnswer = std::move(code); }
    std::optional<QByteArray> passwordAnswer() const { return m_passwordAnswer; }
    // A card read answers with its eight-digit code only (a reader set to card numbers).
    void setCardNumberOnly(bool on) { m_cardNumberOnly = on; }
    bool cardNumberOnly() const { return m_cardNumberOnly; }
    // Fresh cards get codes that begin with "00", as the loss token reports them.
    void setZeroCodes(bool on) { m_zeroCodes = on; }
    bool zeroCodes() const { return m_zeroCodes; }

    // Every frame taken, in the order received (garbage and unknown frames are not frames).
    const QList<QByteArray> &frames() const { return m_frames; }
    void clearFrames() { m_frames.clear(); }

    QString password() const { return m_password; }
    Mode mode() const { return m_mode; }
    const QList<Card> &deck() const { return m_deck; }
    QStringList describe() const;

    static bool isCardCode(const QString &text);
    static bool isPassword(const QString &text);

private:
    bool takeFrame(const QByteArray &frame);
    void answer(const QByteArray &text);
    void sendCardData(const Card &card);
    Card &cardFor(const QString &code);
    QString nextFreshCode(bool zeroPrefix);

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
    bool m_mute = false;
    std::optional<QByteArray> m_modeStatus;
    std::optional<QByteArray> m_passwordAnswer;
    bool m_cardNumberOnly = false;
    bool m_zeroCodes = false;
    QList<QByteArray> m_frames;
};

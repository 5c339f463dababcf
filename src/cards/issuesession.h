#pragma once
// The one owner of the card tab's issuing state: which mode the operator chose, whether issuing
// is open and the start frame was sent, the loss, unloss or initialisation waiting for the
// issuer's answer, the gate groups chosen, the cards remembered for the answers, and how the
// last save of an archive record ended. Every transition has a name; end() is the one way out
// of issuing, and it tells the issuer to go back to reading.
#include <QString>
#include <functional>

namespace cards {

class IssueSession
{
public:
    enum class Mode { None, Single, Batch, Extension };
    enum class Token { None, Loss, Unloss };
    enum class SaveOutcome { None, Saved, Duplicate, Failed };

    // sendReadMode tells the issuer to stop writing and read cards again.
    explicit IssueSession(std::function<void()> sendReadMode = {});

    Mode mode() const { return m_mode; }
    bool modeChosen() const { return m_mode != Mode::None; }
    // A mode was entered and its card is not yet saved (a single card's mode stays shown after
    // its save until the card read completes it).
    bool open() const { return m_open; }
    // The start frame was sent since the mode was entered (also when the start was refused).
    bool started() const { return m_started; }
    // Whether leaving the card tab must end issuing: a mode chosen or issuing open.
    bool active() const { return m_open || modeChosen(); }
    Token tokenPending() const { return m_token; }
    bool initialisationPending() const { return m_initialisation; }
    int groupMask() const { return m_groups; }
    bool groupChosen(int group) const; // group 1..8
    // The card a loss or unloss was sent for; the card whose extension was entered.
    const QString &tokenCard() const { return m_tokenCard; }
    const QString &extendedCard() const { return m_extendedCard; }
    SaveOutcome lastSave() const { return m_lastSave; }

    // The mode buttons: a card read in a mode is that mode's card, so a pending initialisation
    // is dropped.
    void chooseSingle();
    void chooseBatch();
    void chooseExtension();
    // The card of the record being extended, which the card written is compared with.
    void rememberExtendedCard(const QString &card) { m_extendedCard = card; }
    void startSent();
    void setGroup(int group, bool chosen);

    // A record was saved for the card read: an extension or a single card closes issuing (the
    // single card's mode is left when its read completes); a batch goes on with the next card.
    void recordSaved();
    // The read that completed a single card, or the extension that was written.
    void singleCompleted();
    void extensionCompleted();
    // The card was refused as already registered: a batch goes on, any other mode ends without
    // telling the issuer (the card read already did).
    void duplicateRefused();
    void setLastSave(SaveOutcome outcome) { m_lastSave = outcome; }

    void awaitToken(Token token, const QString &card);
    void dropToken() { m_token = Token::None; }
    void awaitInitialisation() { m_initialisation = true; }
    void dropInitialisation() { m_initialisation = false; }

    // The one way out of issuing: everything back to idle, then the read-mode frame.
    void end();
    // Back to idle without a frame: a new login, before the issuer link is known.
    void reset();

private:
    void enter(Mode mode);

    std::function<void()> m_sendReadMode;
    Mode m_mode = Mode::None;
    bool m_open = false;
    bool m_started = false;
    Token m_token = Token::None;
    bool m_initialisation = false;
    int m_groups = 0;
    QString m_tokenCard;
    QString m_extendedCard;
    SaveOutcome m_lastSave = SaveOutcome::None;
};

} // namespace cards

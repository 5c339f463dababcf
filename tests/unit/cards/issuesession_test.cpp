// The issuing state: what each event does in each mode, and that the one way out tells the
// issuer.
#include "cards/issuesession.h"

#include <functional>
#include <gtest/gtest.h>

using cards::IssueSession;
using Mode = IssueSession::Mode;

namespace {

// The session's state as one comparable value.
struct State
{
    Mode mode;
    bool open;
    bool started;
    bool operator==(const State &) const = default;
};

std::ostream &operator<<(std::ostream &os, const State &s)
{
    return os << "mode " << int(s.mode) << (s.open ? " open" : " closed")
              << (s.started ? " started" : "");
}

State stateOf(const IssueSession &s)
{
    return {s.mode(), s.open(), s.started()};
}

// A session in each mode, started.
void enterStarted(IssueSession &s, Mode mode)
{
    if (mode == Mode::Single)
        s.chooseSingle();
    else if (mode == Mode::Batch)
        s.chooseBatch();
    else if (mode == Mode::Extension)
        s.chooseExtension();
    if (mode != Mode::None)
        s.startSent();
}

TEST(IssueSession, EachEventInEachMode)
{
    const std::function<void(IssueSession &)> saved = [](IssueSession &s) { s.recordSaved(); };
    const std::function<void(IssueSession &)> duplicate = [](IssueSession &s) {
        s.duplicateRefused();
    };
    const std::function<void(IssueSession &)> single = [](IssueSession &s) { s.singleCompleted(); };
    const std::function<void(IssueSession &)> extension = [](IssueSession &s) {
        s.extensionCompleted();
    };
    const std::function<void(IssueSession &)> end = [](IssueSession &s) { s.end(); };
    const struct
    {
        const char *what;
        Mode from;
        std::function<void(IssueSession &)> event;
        State to;
    } cases[] = {
        // A single card's mode stays shown after its save until its read completes it.
        {"save", Mode::Single, saved, {Mode::Single, false, false}},
        {"save", Mode::Batch, saved, {Mode::Batch, true, true}}, // the next card follows
        {"save", Mode::Extension, saved, {Mode::None, false, false}},
        {"duplicate", Mode::Single, duplicate, {Mode::None, false, false}},
        {"duplicate", Mode::Batch, duplicate, {Mode::Batch, true, true}},
        {"duplicate", Mode::Extension, duplicate, {Mode::None, false, false}},
        {"single read", Mode::Single, single, {Mode::None, false, true}},
        {"extension read", Mode::Extension, extension, {Mode::None, true, true}},
        {"extension read", Mode::Batch, extension, {Mode::Batch, true, true}},
        {"end", Mode::Single, end, {Mode::None, false, false}},
        {"end", Mode::Batch, end, {Mode::None, false, false}},
        {"end", Mode::Extension, end, {Mode::None, false, false}},
        {"end", Mode::None, end, {Mode::None, false, false}},
    };
    for (const auto &c : cases) {
        IssueSession s;
        enterStarted(s, c.from);
        c.event(s);
        EXPECT_EQ(stateOf(s), c.to) << c.what << " from mode " << int(c.from);
    }
}

TEST(IssueSession, OnlyEndTellsTheIssuerAndItClearsWhatWaits)
{
    int frames = 0;
    IssueSession s([&] { ++frames; });
    s.chooseBatch();
    s.startSent();
    s.awaitToken(IssueSession::Token::Loss, QStringLiteral("00A1B2C3"));
    s.awaitInitialisation();
    s.recordSaved();
    s.duplicateRefused();
    s.reset();
    EXPECT_EQ(frames, 0);
    s.chooseSingle();
    s.awaitToken(IssueSession::Token::Unloss, QStringLiteral("00A1B2C3"));
    s.end();
    EXPECT_EQ(frames, 1);
    EXPECT_FALSE(s.active());
    EXPECT_EQ(s.tokenPending(), IssueSession::Token::None);
    EXPECT_FALSE(s.initialisationPending());
}

TEST(IssueSession, ChoosingAModeDropsAPendingInitialisationNotAToken)
{
    for (const Mode mode : {Mode::Single, Mode::Batch, Mode::Extension}) {
        IssueSession s;
        s.awaitInitialisation();
        s.awaitToken(IssueSession::Token::Loss, QStringLiteral("00A1B2C3"));
        enterStarted(s, mode);
        EXPECT_FALSE(s.initialisationPending()) << int(mode);
        EXPECT_EQ(s.tokenPending(), IssueSession::Token::Loss) << int(mode);
        EXPECT_TRUE(s.active());
    }
}

TEST(IssueSession, GateGroupsMakeTheMask)
{
    IssueSession s;
    s.setGroup(1, true);
    s.setGroup(4, true);
    s.setGroup(8, true);
    s.setGroup(8, false);
    s.setGroup(9, true); // no such group
    EXPECT_EQ(s.groupMask(), 9);
    EXPECT_TRUE(s.groupChosen(4));
    EXPECT_FALSE(s.groupChosen(8));
}

} // namespace

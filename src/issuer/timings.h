#pragma once
// The pauses of the issuer link, in one place so that tests can shorten them.
namespace issuer {

struct Timings
{
    // Receive handler: before preparing the buffer, before the read, after the read.
    int beforeBuffer = 300;
    int beforeRead = 200;
    int afterRead = 200;
    // Between the two lines of a card-data reply.
    int cardDataGap = 100;
    // A read that ends inside a reply waits this long for its rest (at most three times); at
    // 19200 bit/s a whole reply takes about 10 ms.
    int replyRestWait = 30;
    // Opening by hand waits this long after the open before looking at its result.
    int afterOpen = 200;
    // Reconnecting waits this long before closing each listed port.
    int beforeClose = 100;
    // A failed notification registration waits this long before closing the port.
    int afterFailedRegistration = 10;
    // The search waits this long before and after opening each port.
    int aroundSearchOpen = 10;
    // A password change whose answer has not come by then is given up (the button may send
    // again); not shortened by ShortTimings.
    int passwordReplyTimeout = 5000;
};

// The pauses in use; tests may change them.
Timings &timings();

// Shortens every pause for as long as it lives (tests): the receive handler's pauses to
// receiveMs, the others to otherMs. The pauses in use before come back at the end.
class ShortTimings
{
public:
    ShortTimings(int receiveMs, int otherMs)
        : m_saved(timings())
    {
        Timings &t = timings();
        t.beforeBuffer = t.beforeRead = t.afterRead = t.cardDataGap = t.replyRestWait = receiveMs;
        t.afterOpen = t.beforeClose = t.afterFailedRegistration = t.aroundSearchOpen = otherMs;
    }
    ~ShortTimings() { timings() = m_saved; }
    ShortTimings(const ShortTimings &) = delete;
    ShortTimings &operator=(const ShortTimings &) = delete;

private:
    Timings m_saved;
};

} // namespace issuer

#include "issuer/timings.h"

namespace issuer {

Timings &timings()
{
    static Timings t;
    return t;
}

} // namespace issuer

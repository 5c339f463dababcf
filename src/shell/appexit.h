#pragma once
// Ending the program. The exit paths call endProgram(); once the calling handler has returned to
// its event loop (boxes it shows meanwhile stay up until answered), the loop ends and main()
// returns. Tests switch the real quit off and look at programEnded() instead.
namespace appexit {

void endProgram();
bool programEnded();
// Tests: record the request without leaving the event loop.
void setTestMode(bool on);
void reset();

} // namespace appexit

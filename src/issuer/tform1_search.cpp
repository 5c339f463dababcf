// The search for the issuer over the listed ports.
#include "shell/tform1.h"

void TForm1::btn5Click()
{
    // The port-by-port search arrives with the issuer discovery; until then a reconnection
    // closes the ports and clears the counters only.
}

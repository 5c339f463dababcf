// Backup and restore buttons of the special-function area.
#include "shell/tform1.h"

void TForm1::btnClosebtn5Click() {}
void TForm1::btnClosebtn6Click() {}

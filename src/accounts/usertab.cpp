// The user tab of the main window and the re-login button.
#include "shell/tform1.h"

void TForm1::buildUserTab() {}
void TForm1::setupUserTab() {}
void TForm1::rztbshtTabSheet2Show() {}
void TForm1::GoEditState() {}
void TForm1::img5Click() {}
void TForm1::img7Click() {}
void TForm1::img6Click() {}
void TForm1::img3Click() {}
void TForm1::img4Click() {}
bool TForm1::DBEdt1KeyPress(int) { return false; }
bool TForm1::DBEdt2KeyPress(int) { return false; }
bool TForm1::DBcbb1KeyPress(int) { return false; }
void TForm1::btnClose1Click() {}

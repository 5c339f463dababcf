// Placeholder until the serial link lands.
#include "shell/tform1.h"

QStringList TForm1::GetComPortList() { return {}; }
void TForm1::btn26Click() {}
bool TForm1::initirq() { return false; }
void TForm1::opencmdClick() {}
void TForm1::CLpc1Click() {}
void TForm1::ComTxtChange() {}
bool TForm1::ComTxtKeyPress(int) { return false; }
void TForm1::btnClose2Click() {}
void TForm1::closePort(int) {}
void TForm1::RzMemo1Change() {}
void TForm1::RzMemo5Change() {}
void TForm1::setupSerial() {}

#pragma once
// Serial port names and where they lead. A port is named COMn and known to the serial link by
// its number n. The folder Ports/ of the program directory is the port map (see PORTS.md).
#include <QString>
#include <QStringList>
#include <optional>

namespace issuer {

// The port-number rule: characters 4 to 6 of the trimmed name as a decimal number (COM3 gives
// 3, COM123 gives 123); nothing when they are not a decimal number.
std::optional<int> portNumber(const QString &name);

// The port names present, in the order of n. Entries of the port map whose device is gone are
// left out; without the folder the system's serial devices are numbered by system location.
QStringList listPortNames();

// The device behind port n, or an empty text when there is none.
QString devicePath(int port);

// The folder of the port map in the program directory.
QString portMapDir();

} // namespace issuer

#pragma once
// The program's own pictures, drawn once: splash, car-park sketches, exit picture, login art,
// picture buttons and the tray icon.
#include <QIcon>
#include <QPixmap>

namespace pictures {
QPixmap splash(const QSize &size);
QPixmap carPark(const QSize &size, int variant);
QPixmap exitPicture(const QSize &size);
QPixmap loginSide(const QSize &size);
QPixmap logo(const QSize &size);
// Picture buttons of the account area: "add", "edit", "delete", "save", "cancel".
QPixmap button(const QString &kind, const QSize &size);
QIcon appIcon();
} // namespace pictures

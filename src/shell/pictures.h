#pragma once
// The program's own pictures, drawn once: splash, car-park sketches, exit picture, login art,
// picture buttons, the about and help backgrounds and the tray icon.
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
// Backgrounds of the about box and of the help tab's manual.
QPixmap aboutBackground(const QSize &size);
QPixmap helpBackground(const QSize &size);
QIcon appIcon();
} // namespace pictures

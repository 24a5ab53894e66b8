#pragma once
// The agent's pictures, drawn at run time: no image file ships with it.

#include <QColor>
#include <QIcon>
#include <QPixmap>

// The title bar's green.
inline const QColor kVerdeCorvatec(0x00, 0x80, 0x40);

QPixmap DrawLogo(int size);               // `Image4`: a white shield with a green "B"
QPixmap DrawMinimise(int size);           // `Image6`: a white bar
QPixmap DrawLight(int size, bool green);  // `green` / `red`: a lit lamp
QPixmap DrawHome(int size);               // "Inicio"
QPixmap DrawBackup(int size);             // "Backup": a drum with an arrow into it
QPixmap DrawSettings(int size);           // "Configurar": a gear
QPixmap DrawPower(int size);              // "Auto Start": the power symbol
QIcon TrayIconPicture();                  // the notification-area icon: the logo on green

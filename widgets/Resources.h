#pragma once
// The program's bitmaps and icon, compiled in from res/ through widgets/resources.qrc.

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

#include <vector>

// Window icon, set as both the large and the small icon of the main window.
inline constexpr int IDI_MAIN = 128;

// 140 x 134 button tiles. "Mark" is the mark page (arrow down into the laptop);
// "Upload" is the firmware and course pages (arrow up out of the laptop).
inline constexpr int IDB_MARK_OUT = 137;           // connected, at rest
inline constexpr int IDB_MARK_IN = 138;            // connected, hovered or pressed
inline constexpr int IDB_MARK_BUSY = 139;          // alone while the download runs
inline constexpr int IDB_UPLOAD_OUT = 140;         // connected, at rest
inline constexpr int IDB_UPLOAD_IN = 141;          // connected, hovered or pressed
inline constexpr int IDB_UPLOAD_BUSY = 142;        // alone while the transfer runs
inline constexpr int IDB_LOGO = 145;               // 100 x 100, About page picture
inline constexpr int IDB_UPLOAD_ABSENT_IN = 148;   // watch absent, hovered or pressed
inline constexpr int IDB_UPLOAD_REFUSED = 149;     // alone after a click without a watch
inline constexpr int IDB_MARK_ABSENT_OUT = 150;    // watch absent, at rest
inline constexpr int IDB_MARK_ABSENT_IN = 151;     // watch absent, hovered or pressed
inline constexpr int IDB_MARK_REFUSED = 152;       // alone after a click without a watch
inline constexpr int IDB_UPLOAD_ABSENT_OUT = 153;  // watch absent, at rest
inline constexpr int IDB_PROGRESS_DONE = 154;      // 510 x 25, glossy green
inline constexpr int IDB_PROGRESS_REST = 156;      // 510 x 25, glossy light grey

// The colour that every button image treats as transparent.
inline QColor ButtonTransparentColour() {
    return QColor(0, 255, 255);
}

// Every bitmap id above, in ascending order.
const std::vector<int>& BitmapResourceIds();

// The size each bitmap is drawn at; an invalid size for an unknown id.
QSize BitmapResourceSize(int id);

// Qt resource path of a bitmap (":/res/bmp137.bmp"); empty for an unknown id.
QString BitmapResourcePath(int id);

// The bitmap, or a null pixmap when the id is unknown or its data is unreadable.
QPixmap LoadBitmapResource(int id);

// The application icon (IDI_MAIN), with its 32 and 16 pixel images.
QIcon WindowIcon();

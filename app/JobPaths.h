// Paths between the window and the jobs. Qt holds a path as text; the jobs and the platform
// layer take UTF-8 (Windows turns it into UTF-16), so a folder named in Japanese reaches them
// whole. The system's ANSI code page (QFile::encodeName on Windows) would turn it into '?'.
#pragma once

#include <QDir>
#include <QString>

#include <string>

namespace veldrant::app {

// A chosen path as a job takes it: UTF-8, with the system's own separators (they show in the
// job's messages).
inline std::string JobPath(const QString& path) {
    return QDir::toNativeSeparators(path).toStdString();
}

// A path a job gives back (UTF-8) as the window's text.
inline QString WindowPath(const std::string& path) {
    return QString::fromStdString(path);
}

}  // namespace veldrant::app

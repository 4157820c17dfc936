// Everything the reader reads from a package, as JSON or as indented text, for
// `veldrant-cli course inspect`. Texts are shown in UTF-8.
#pragma once

#include <string>

namespace veldrant::course {

class CoursePackage;

// The package must have its index read; the append file is shown when it has been read. Reads
// each golf course's picture file (so the package's last picture file changes).
std::string PackageReportJson(CoursePackage& package);
std::string PackageReportText(CoursePackage& package);

}  // namespace veldrant::course

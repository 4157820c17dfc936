// The window's words for what the jobs say in English only: the mark import's own failures,
// which the command line shows as they are. Texts the window has always shown (its Japanese
// texts and its English messages such as "Device removed!") pass through byte for byte.
#pragma once

#include <string>

namespace veldrant::app {

// `text` as the window shows it: in Japanese when it is one of the jobs' English sentences
// (their file names and the system's reasons kept inside), else unchanged. UI thread only: a
// job's thread must not leave Qt's regular-expression state behind (see CPageHost::ShowMessage).
std::string WindowText(const std::string& text);

}  // namespace veldrant::app

// Opens a web address in the user's browser. The answer is a shell-style result code: above 32
// the browser was started; 32 and below say why not (the codes and texts of
// widgets/HyperLinkErrors.h). Windows asks the shell, then the program registered for ".htm"
// pages; Linux starts xdg-open.
#pragma once

#include <string>
#include <string_view>

namespace veldrant::platform {

// What the Linux opener answers: the opener was started, or there is none to start.
inline constexpr int kBrowserStarted = 33;
inline constexpr int kBrowserNoAssociation = 31;

// `target` is UTF-8. Returns at once; the browser runs on its own.
int OpenWebAddress(const std::string& target);

// The command line that runs the program registered for web pages on `target`: the registered
// command is cut at its first "\"%1\"" (the placeholder in quotes) or, without one, at its first
// "%1"; then a blank and the target follow. A command without a placeholder is kept whole.
std::wstring BrowserCommandLine(std::wstring_view registered, std::wstring_view target);

}  // namespace veldrant::platform

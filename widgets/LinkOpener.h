#pragma once
// Opens a web address in the user's browser through the platform's opener (platform/WebBrowser.h:
// the shell and the ".htm" program on Windows, xdg-open on Linux).

#include <QString>

// Answers a result code of widgets/HyperLinkErrors.h: above 32 when the browser was started,
// else why not (kOpenNoAssociation on Linux when there is no xdg-open to start).
int OpenWithDesktop(const QString& target);

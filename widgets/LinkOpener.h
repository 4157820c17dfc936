#pragma once
// Opens a web address with the desktop's URL handler, falling back to xdg-open.

#include <QString>

// Answers a result code of widgets/HyperLinkErrors.h: kOpenSucceeded, or kOpenNoAssociation
// when neither the desktop services nor xdg-open could take the address.
int OpenWithDesktop(const QString& target);

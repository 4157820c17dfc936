// The program's message boxes: one OK button, the caption and icon the caller names.
#pragma once

#include <string>

#include "ops/OperationHost.h"

class QWidget;

namespace veldrant::app {

// Shows the box modally over `owner` and returns when it is dismissed. UI thread only.
void ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                    ops::MessageIcon icon);

}  // namespace veldrant::app

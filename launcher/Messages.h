#pragma once
// The update check's messages to the user.
#include <functional>

#include "platform/core/Strings.h"

// The platform's plain message dialog: the application's title as caption, an OK button.
void ShowLauncherMessage(const AnsiString& text);

// Tests take the texts in place of the dialog; an empty function brings the dialog back.
void SetLauncherMessageSeam(std::function<void(const AnsiString& text)> seam);

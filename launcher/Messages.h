#pragma once
// The update check's messages to the user.
#include <functional>

#include "platform/core/Strings.h"

// The platform's message dialog ("TMessageForm", which the skins restyle): the application's title
// as caption, the text and an OK button; modal.
void ShowLauncherMessage(const AnsiString& text);

// Tests take the texts in place of the dialog; an empty function brings the dialog back.
void SetLauncherMessageSeam(std::function<void(const AnsiString& text)> seam);

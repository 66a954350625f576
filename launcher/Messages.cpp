#include "launcher/Messages.h"

#include "platform/forms/Forms.h"

namespace {
std::function<void(const AnsiString&)>& Seam() {
    static std::function<void(const AnsiString&)> seam;
    return seam;
}
} // namespace

void ShowLauncherMessage(const AnsiString& text) {
    if (Seam()) {
        Seam()(text);
        return;
    }
    MessageDlg(text, mtCustom);
}

void SetLauncherMessageSeam(std::function<void(const AnsiString& text)> seam) {
    Seam() = std::move(seam);
}

#include "ui/editors/framework/EditButtons.h"

#include "ui/core/ControlServices.h"

TcxEditButton::~TcxEditButton() {
    glyph_.reset();
}

void TcxEditButton::SetCaption(const AnsiString& value) {
    if (caption_ == value) return;
    caption_ = value;
    shownCaption_ = StripAcceleratorMarks(value, false);
    Changed(false);
}

void TcxEditButton::SetDefault(bool value) {
    if (default_ == value) return;
    if (value && Collection()) {
        TCollection* buttons = Collection();
        for (int i = 0; i < buttons->Count(); ++i)
            static_cast<TcxEditButton*>(buttons->Items(i))->default_ = false;
        default_ = true;
        Changed(true);
        return;
    }
    default_ = value;
    Changed(false);
}

TBitmap* TcxEditButton::Glyph() {
    if (!glyph_) {
        glyph_ = std::make_unique<TBitmap>();
        glyph_->OnChange = GlyphHandler();
    }
    return glyph_.get();
}

// One change for the whole copy, not one more from the glyph's own notice.
void TcxEditButton::SetGlyph(TBitmap* value) {
    if (value) {
        TBitmap* glyph = Glyph();
        glyph->OnChange = nullptr;
        glyph->Assign(*value);
        glyph->OnChange = GlyphHandler();
    } else
        glyph_.reset();
    Changed(false);
}

void TcxEditButton::SetWidth(int value) {
    if (value >= 0) Store(width_, value);
}

void TcxEditButton::Assign(TPersistent* source) {
    auto* button = dynamic_cast<TcxEditButton*>(source);
    if (!button) {
        TCollectionItem::Assign(source);
        return;
    }
    if (button == this) return;
    TCollection* buttons = Collection();
    if (buttons) buttons->BeginUpdate();
    caption_ = button->caption_;
    shownCaption_ = button->shownCaption_;
    contentAlignment_ = button->contentAlignment_;
    default_ = button->default_;
    enabled_ = button->enabled_;
    SetGlyph(button->glyph_.get());
    kind_ = button->kind_;
    leftAlignment_ = button->leftAlignment_;
    stretchable_ = button->stretchable_;
    tag_ = button->tag_;
    captionColor_ = button->captionColor_;
    visible_ = button->visible_;
    width_ = button->width_;
    hint_ = button->hint_;
    if (buttons) buttons->EndUpdate();
}

int TcxEditButtons::GetVisibleCount() const {
    int count = 0;
    for (int i = 0; i < Count(); ++i)
        if (GetItem(i)->Visible()) ++count;
    return count;
}

void TcxEditButtons::Update(TCollectionItem*) {
    if (OnChange) OnChange(this);
}

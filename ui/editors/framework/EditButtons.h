#pragma once
// The buttons an editor carries inside its frame (drop-down arrow, ellipsis, glyph, caption):
// a collection owned by the editor properties, whose every change reaches the properties.
#include <memory>

#include "platform/core/Collections.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Graphics.h"

enum TcxEditButtonKind { bkEllipsis, bkDown, bkGlyph, bkText };

class TcxEditButtons;

class TcxEditButton : public TCollectionItem {
public:
    VZ_CLASS(TcxEditButton, TCollectionItem)
    TcxEditButton() = default;
    ~TcxEditButton() override;

    const AnsiString& Caption() const { return caption_; }
    void SetCaption(const AnsiString& value);
    // Caption without its accelerator marks ("&&" keeps one "&").
    const AnsiString& ShownCaption() const { return shownCaption_; }
    TAlignment ContentAlignment() const { return contentAlignment_; }
    void SetContentAlignment(TAlignment value) { Store(contentAlignment_, value); }
    bool Default() const { return default_; }
    // True first takes Default from every other button of the collection.
    void SetDefault(bool value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value) { Store(enabled_, value); }
    // Made empty on first read.
    TBitmap* Glyph();
    bool HasGlyph() const { return glyph_ != nullptr; }
    // A copy of value, or no glyph for nullptr.
    void SetGlyph(TBitmap* value);
    const AnsiString& Hint() const { return hint_; }
    void SetHint(const AnsiString& value) { hint_ = value; }
    TcxEditButtonKind Kind() const { return kind_; }
    void SetKind(TcxEditButtonKind value) { Store(kind_, value); }
    bool LeftAlignment() const { return leftAlignment_; }
    void SetLeftAlignment(bool value) { Store(leftAlignment_, value); }
    bool Stretchable() const { return stretchable_; }
    void SetStretchable(bool value) { Store(stretchable_, value); }
    int ButtonTag() const { return tag_; }
    void SetButtonTag(int value) { Store(tag_, value); }
    bool IsTagStored() const { return tag_ != 0; }
    TColor CaptionColor() const { return captionColor_; }
    void SetCaptionColor(TColor value) { Store(captionColor_, value); }
    bool Visible() const { return visible_; }
    void SetVisible(bool value) { Store(visible_, value); }
    // 0 is automatic; negative values are ignored.
    int Width() const { return width_; }
    void SetWidth(int value);

    void Assign(TPersistent* source) override;

private:
    template <class T> void Store(T& field, T value) {
        if (field == value) return;
        field = value;
        Changed(false);
    }
    TNotifyEvent GlyphHandler() {
        return [this](TObject*) { Changed(false); };
    }

    AnsiString caption_;
    AnsiString shownCaption_;
    TAlignment contentAlignment_ = taCenter;
    bool default_ = false;
    bool enabled_ = true;
    std::unique_ptr<TBitmap> glyph_;
    AnsiString hint_;
    TcxEditButtonKind kind_ = bkDown;
    bool leftAlignment_ = false;
    bool stretchable_ = true;
    int tag_ = 0;
    TColor captionColor_ = clBtnText;
    bool visible_ = true;
    int width_ = 0;
};

class TcxEditButtons : public TCollection {
public:
    VZ_CLASS(TcxEditButtons, TCollection)
    TcxEditButtons() : TcxEditButtons(nullptr, ButtonClass()) {}
    TcxEditButtons(TPersistent* owner, TClass buttonClass) : TCollection(buttonClass), Owner(owner) {}

    static TClass ButtonClass() { return TcxEditButton::StaticClass(); }
    TPersistent* Owner;
    // Told of every change of the collection or a button.
    TNotifyEvent OnChange;

    TcxEditButton* Add() { return static_cast<TcxEditButton*>(TCollection::Add()); }
    TcxEditButton* GetItem(int index) const { return static_cast<TcxEditButton*>(Items(index)); }
    int GetVisibleCount() const;
    TPersistent* GetOwner() override { return Owner; }

protected:
    void Update(TCollectionItem* item) override;
};

#include "ui/skins/SkinInfo.h"

#include "platform/core/Exceptions.h"

namespace {
const TdxSkinElementStates kActiveStates = MakeStates({esActive, esActiveDisabled});

template <class T> T* CheckedProperty(TdxSkinPersistent* owner, const AnsiString& name) {
    if (!owner) return nullptr;
    TdxSkinProperty* property = owner->GetPropertyByName(name);
    if (!property) return nullptr;
    auto* typed = dynamic_cast<T*>(property);
    if (!typed) throw EInvalidCast("Invalid class typecast");
    return typed;
}

void SetElementColor(TdxSkinElement* element, TColor color) {
    // Only a real change: a change notifies the skin, whose listeners run the lookups again.
    if (element && element->Color() != color) element->SetColor(color);
}
} // namespace

bool TdxSkinScrollInfo::Draw(HDC dc, const TRect& r, int imageIndex, TdxSkinElementState state) {
    if (!Element) return false;
    Element->Render(dc, r, imageIndex, state);
    return true;
}

// ---------------------------------------------------------------------------------------------
TdxSkinInfo::TdxSkinInfo(TdxSkin* skin) {
    try {
        SetSkin(skin);
    } catch (...) {
        // No destructor runs: leave the skin, still the caller's, without this listener.
        FreeScrollBarParts();
        if (Skin) Skin->RemoveListener(this);
        throw;
    }
}

TdxSkinInfo::~TdxSkinInfo() {
    TdxSkin* skin = Skin;
    SetSkin(nullptr);
    delete skin;
}

void TdxSkinInfo::SetSkin(TdxSkin* skin) {
    if (skin == Skin) return;
    if (Skin) {
        FinalizeInfo();
        Skin->RemoveListener(this);
    }
    Skin = skin;
    if (Skin) Skin->AddListener(this);
    InitializeInfo();
}

void TdxSkinInfo::SkinChanged(TdxSkin*) {
    FinalizeInfo();
    InitializeInfo();
}

void TdxSkinInfo::FinalizeInfo() {
    FreeScrollBarParts();
}

void TdxSkinInfo::FreeScrollBarParts() {
    for (auto& orientation : ScrollBarParts)
        for (TdxSkinScrollInfo*& part : orientation) {
            delete part;
            part = nullptr;
        }
}

void TdxSkinInfo::ResetInfo() {
    FreeScrollBarParts();
#define VZ_RESET(field, ...) field = nullptr;
    VZ_SKIN_INFO_GROUPS(VZ_RESET)
    VZ_SKIN_INFO_BARS(VZ_RESET)
    VZ_SKIN_INFO_DOCKING(VZ_RESET)
    VZ_SKIN_INFO_BUTTONS(VZ_RESET)
    VZ_SKIN_INFO_GROUP_PANELS(VZ_RESET)
    VZ_SKIN_INFO_GRID_LINES(VZ_RESET)
    VZ_SKIN_INFO_NAVIGATION(VZ_RESET)
    VZ_SKIN_INFO_NAVIGATORS(VZ_RESET)
    VZ_SKIN_INFO_SCHEDULER(VZ_RESET)
    VZ_SKIN_INFO_HEADERS(VZ_RESET)
    VZ_SKIN_INFO_PAGE_CONTROL(VZ_RESET)
    VZ_SKIN_INFO_PROGRESS(VZ_RESET)
    VZ_SKIN_INFO_SCROLL_BARS(VZ_RESET)
    VZ_SKIN_INFO_RIBBON(VZ_RESET)
    VZ_SKIN_INFO_LAST(VZ_RESET)
    VZ_SKIN_INFO_FINAL_COLORS(VZ_RESET)
    VZ_SKIN_INFO_SKIN_COLORS(VZ_RESET)
#undef VZ_RESET
    FormContent = nullptr;
    FormTextColorInactive = FormTextShadowColor = ButtonDisabledText = ScreenTipItem = ScreenTipTitleItem =
        SchedulerAppointmentSeparatorColor = RibbonAppMenuExtraPaneColor = nullptr;
    SchedulerAppointmentBorderSize = NavPaneCaptionHeight = NavPaneCaptionFontSize = RibbonCaptionFontDelta =
        RibbonQATAboveBackgroundIndentBeforeCustomizeButton =
            RibbonQATInRibbonBackgroundIndentBeforeCustomizeButton = nullptr;
    RibbonQATAboveBackgroundDisplayCustomizeButtonOutsideQAT =
        RibbonQATInRibbonBackgroundDisplayCustomizeButtonOutsideQAT = nullptr;
    DockWindowCaptionInactiveCaptionTextColor = RibbonButtonDisabled = RibbonFormCaptionTextColorInactive =
        RibbonCaptionTextColorInactive = RibbonDocumentNameTextColor = RibbonTabTextColorSelected =
            RibbonStatusBarButtonTextColor = RibbonStatusBarButtonTextColorHot =
                RibbonStatusBarButtonTextColorDisabled = RibbonFormCaptionTextColor = RibbonTabTextColor =
                    RibbonButtonTextColor = clDefault;
    DockingActiveTabHeaderDownGrow = DockingActiveTabHeaderHGrow = DockingActiveTabHeaderUpGrow =
        PageControlRowIndentFar = PageControlRowIndentNear = PageControlSelectedHeaderDownGrow =
            PageControlSelectedHeaderHGrow = PageControlSelectedHeaderUpGrow = PageControlHeaderDownGrow =
                RibbonFormAppButtonRightIndent = RibbonQATInRibbonBackgroundOffset = RibbonTabHeaderDownGrow =
                    0;
    for (TdxSkinElement*& glyph : EditButtonGlyphs)
        glyph = nullptr;
    for (int kind = 0; kind < 2; ++kind) {
        for (TdxSkinElement*& frame : FormFrames[kind])
            frame = nullptr;
        for (TdxSkinElement*& button : FormCaptionButtons[kind])
            button = nullptr;
        FormFrameSizes[kind] = TRect{0, 0, 0, 0};
    }
    FormCaptionFontDelta = 1;
}

// ---------------------------------------------------------------------------------------------
TdxSkinControlGroup* TdxSkinInfo::GetGroup(const AnsiString& name) {
    if (!Skin) return nullptr;
    TdxSkinControlGroup* group = Skin->GetGroupByName(name);
    if (!group) return AddPlaceholderGroup(name);
    if (group->LookupState != 2) group->LookupState = 1;
    return group;
}

TdxSkinElement* TdxSkinInfo::GetElement(TdxSkinControlGroup* group, const AnsiString& name,
                                        bool addPlaceholder) {
    if (!group) return nullptr;
    TdxSkinElement* element = group->GetElementByName(name);
    if (element) {
        // A placeholder stays marked as one when a later run finds it.
        if (element->LookupState != 2) element->LookupState = 1;
        return element;
    }
    return addPlaceholder ? AddPlaceholderElement(group, name) : nullptr;
}

TdxSkinColor* TdxSkinInfo::GetColor(TdxSkinPersistent* owner, const AnsiString& name) {
    TdxSkinColor* color = CheckedProperty<TdxSkinColor>(owner, name);
    if (color) color->LookupState = 1;
    return color;
}

TdxSkinIntegerProperty* TdxSkinInfo::GetIntegerProperty(TdxSkinPersistent* owner, const AnsiString& name) {
    TdxSkinIntegerProperty* property = CheckedProperty<TdxSkinIntegerProperty>(owner, name);
    if (property) property->LookupState = 1;
    return property;
}

TdxSkinBooleanProperty* TdxSkinInfo::GetBooleanProperty(TdxSkinPersistent* owner, const AnsiString& name) {
    TdxSkinBooleanProperty* property = CheckedProperty<TdxSkinBooleanProperty>(owner, name);
    if (property) property->LookupState = 1;
    return property;
}

TColor TdxSkinInfo::GetColorValue(TdxSkinPersistent* owner, const AnsiString& name) {
    TdxSkinColor* color = CheckedProperty<TdxSkinColor>(owner, name);
    return color ? color->Value() : clDefault;
}

int TdxSkinInfo::GetIntegerValue(TdxSkinPersistent* owner, const AnsiString& name, int defaultValue) {
    TdxSkinIntegerProperty* property = CheckedProperty<TdxSkinIntegerProperty>(owner, name);
    return property ? property->Value() : defaultValue;
}

TdxSkinControlGroup* TdxSkinInfo::AddPlaceholderGroup(const AnsiString& name) {
    TdxSkinControlGroup* group = Skin->AddGroup(name);
    group->LookupState = 2;
    return group;
}

TdxSkinElement* TdxSkinInfo::AddPlaceholderElement(TdxSkinControlGroup* group, const AnsiString& name) {
    TdxSkinElement* element = group->AddElement(name);
    TBitmap cross(32, 32, pf32bit);
    TCanvas& canvas = cross.Canvas();
    canvas.Pen().SetColor(clRed);
    canvas.Pen().SetWidth(2);
    canvas.MoveTo(0, 0);
    canvas.LineTo(cross.Width(), cross.Height());
    canvas.MoveTo(0, cross.Height());
    canvas.LineTo(cross.Width(), 0);
    // GDI leaves the alpha bytes 0: make the picture opaque so that the cross shows.
    GdiFlush();
    for (int y = 0; y < cross.Height(); ++y) {
        auto* row = static_cast<DWORD*>(cross.ScanLine(y));
        for (int x = 0; x < cross.Width(); ++x)
            row[x] |= 0xFF000000u;
    }
    element->BeginUpdate();
    try {
        element->Image().SetStates(StateBit(esNormal));
        element->Image().SetStretch(smStretch);
        element->Image().Texture().LoadFromBitmap(cross);
        element->Image().Changed();
    } catch (...) {
        element->EndUpdate();
        throw;
    }
    element->EndUpdate();
    element->LookupState = 2;
    return element;
}

// ---------------------------------------------------------------------------------------------
#define VZ_LOOKUP(field, group, name, placeholder) field = GetElement(group, name, placeholder);

void TdxSkinInfo::InitializeInfo() {
    // Nothing may point into content an earlier run saw: a failure below leaves nil references.
    ResetInfo();
#define VZ_GROUP(field, name) field = GetGroup(name);
    VZ_SKIN_INFO_GROUPS(VZ_GROUP)
#undef VZ_GROUP
    VZ_SKIN_INFO_BARS(VZ_LOOKUP)
    InitializeFormInfo();

    VZ_SKIN_INFO_DOCKING(VZ_LOOKUP)
    DockWindowCaptionInactiveCaptionTextColor = GetColorValue(DockWindowCaption, "InactiveCaptionTextColor");
    DockingActiveTabHeaderDownGrow = GetIntegerValue(GroupDocking, "ActiveTabHeaderDownGrow");
    DockingActiveTabHeaderHGrow = GetIntegerValue(GroupDocking, "ActiveTabHeaderHGrow");
    DockingActiveTabHeaderUpGrow = GetIntegerValue(GroupDocking, "ActiveTabHeaderUpGrow");

    VZ_SKIN_INFO_BUTTONS(VZ_LOOKUP)
    if (CommonButton) ButtonDisabledText = GetColor(CommonButton, "DisabledText");
    EditButtonGlyphs[0] = CloseButton;
    EditButtonGlyphs[1] = GetElement(GroupEditors, "ComboButtonGlyph", true);
    EditButtonGlyphs[2] = EditorButton;
    EditButtonGlyphs[3] = EditorButton;
    EditButtonGlyphs[4] = GetElement(GroupEditors, "SpinUpGlyph", true);
    EditButtonGlyphs[5] = GetElement(GroupEditors, "SpinDownGlyph", true);
    EditButtonGlyphs[6] = GetElement(GroupEditors, "SpinLeftGlyph", true);
    EditButtonGlyphs[7] = GetElement(GroupEditors, "SpinRightGlyph", true);

    VZ_SKIN_INFO_GROUP_PANELS(VZ_LOOKUP)
    VZ_SKIN_INFO_GRID_LINES(VZ_LOOKUP)
    // A group panel with a picture draws the picture alone.
    if (GridGroupPanel && !GridGroupPanel->Image().IsEmpty()) SetElementColor(GridGroupPanel, clNone);

    VZ_SKIN_INFO_NAVIGATION(VZ_LOOKUP)
    NavPaneCaptionHeight = GetIntegerProperty(NavPaneCaption, "Height");
    NavPaneCaptionFontSize = GetIntegerProperty(NavPaneCaption, "FontSize");
    VZ_SKIN_INFO_NAVIGATORS(VZ_LOOKUP)
    VZ_SKIN_INFO_SCHEDULER(VZ_LOOKUP)
    SchedulerAppointmentBorderSize = GetIntegerProperty(SchedulerAppointment, "BorderSize");
    SchedulerAppointmentSeparatorColor = GetColor(SchedulerAppointment, "SeparatorColor");
    VZ_SKIN_INFO_HEADERS(VZ_LOOKUP)

    VZ_SKIN_INFO_PAGE_CONTROL(VZ_LOOKUP)
    if (FormContent) {
        SetElementColor(TabButtonHorz, FormContent->Color());
        SetElementColor(TabButtonVert, FormContent->Color());
    }
    PageControlRowIndentFar = GetIntegerValue(GroupPageControl, "RowIndentFar");
    PageControlRowIndentNear = GetIntegerValue(GroupPageControl, "RowIndentNear");
    PageControlSelectedHeaderDownGrow = GetIntegerValue(GroupPageControl, "SelectedHeaderDownGrow");
    PageControlSelectedHeaderHGrow = GetIntegerValue(GroupPageControl, "SelectedHeaderHGrow");
    PageControlSelectedHeaderUpGrow = GetIntegerValue(GroupPageControl, "SelectedHeaderUpGrow");
    PageControlHeaderDownGrow = GetIntegerValue(GroupPageControl, "HeaderDownGrow");

    VZ_SKIN_INFO_PROGRESS(VZ_LOOKUP)
    VZ_SKIN_INFO_SCROLL_BARS(VZ_LOOKUP)
    if (FormContent) SetElementColor(ScrollButton, FormContent->Color());
    InitializeScrollBarParts();

    VZ_SKIN_INFO_RIBBON(VZ_LOOKUP)
    InitializeRibbonValues();
    VZ_SKIN_INFO_LAST(VZ_LOOKUP)
    ScreenTipItem = GetColor(ScreenTipWindow, "ScreenTipItem");
    ScreenTipTitleItem = GetColor(ScreenTipWindow, "ScreenTipTitleItem");

#define VZ_COLOR(field, owner, name) field = GetColor(owner, name);
    VZ_SKIN_INFO_FINAL_COLORS(VZ_COLOR)
#undef VZ_COLOR
    if (Skin) {
#define VZ_SKIN_COLOR(field, name)                                                                           \
    field = Skin->GetColorByName(name);                                                                      \
    if (field) field->LookupState = 1;
        VZ_SKIN_INFO_SKIN_COLORS(VZ_SKIN_COLOR)
#undef VZ_SKIN_COLOR
    }
}
#undef VZ_LOOKUP

void TdxSkinInfo::InitializeFormInfo() {
    static const char* const frameNames[2][4] = {
        {"FormFrameLeft", "SmallFormCaption", "FormFrameRight", "FormFrameBottom"},
        {"FormFrameLeft", "FormCaption", "FormFrameRight", "FormFrameBottom"}};
    static const char* const buttonNames[2][6] = {
        {nullptr, nullptr, nullptr, nullptr, nullptr, "SmallFormButtonClose"},
        {nullptr, "FormButtonHelp", "FormButtonMinimize", "FormButtonMaximize", "FormButtonRestore",
         "FormButtonClose"}};
    for (auto& buttons : FormCaptionButtons)
        for (TdxSkinElement*& button : buttons)
            button = nullptr;
    FormTextColorInactive = GetColor(GroupForm, "TextColorInactive");
    FormTextShadowColor = GetColor(GroupForm, "TextShadowColor");
    StatusBar = GetElement(GroupBars, "StatusBar", true);
    for (int kind = 0; kind < 2; ++kind)
        for (int index = 0; index < 6; ++index)
            if (buttonNames[kind][index])
                FormCaptionButtons[kind][index] = GetElement(GroupForm, buttonNames[kind][index], true);
    FormContent = GetElement(GroupForm, "FormContent", true);
    for (int kind = 0; kind < 2; ++kind)
        for (int side = 0; side < 4; ++side)
            FormFrames[kind][side] = GetElement(GroupForm, frameNames[kind][side], true);
    if (!Skin) return;

    // Older packs keep their frames in other states: normalise them without telling anyone.
    Skin->BeginUpdate();
    try {
        for (int kind = 0; kind < 2; ++kind) {
            for (TdxSkinElement* button : FormCaptionButtons[kind]) {
                if (!button) continue;
                TdxSkinImage& image = button->Image();
                image.SetStates((image.States() | StateBit(esActiveDisabled)) & ~StateBit(esActive));
                image.SetStretch(smStretch);
            }
            TRect sizes{0, 0, 0, 0};
            for (int side = 0; side < 4; ++side) {
                TdxSkinElement* frame = FormFrames[kind][side];
                if (!frame) continue;
                TdxSkinImage& image = frame->Image();
                image.SetStates((image.States() | kActiveStates) & ~StateBit(esNormal));
                const TSize frameSize = image.FrameSize();
                TRect margins = image.Margins().Rect();
                switch (side) {
                case 0:
                    sizes.left = frameSize.cx;
                    if (frameSize.cx == 1) margins.left = 1, margins.right = 0;
                    break;
                case 2:
                    sizes.right = frameSize.cx;
                    if (frameSize.cx == 1) margins.left = 0, margins.right = 1;
                    break;
                case 3:
                    sizes.bottom = frameSize.cy;
                    if (frameSize.cy == 1) margins.top = 0, margins.bottom = 1;
                    break;
                default:
                    break;
                }
                image.Margins().AssignRect(margins);
            }
            FormFrameSizes[kind] = sizes;
        }
        FormCaptionFontDelta = std::max(1, GetIntegerValue(FormFrames[1][1], "FontDelta", 0));
    } catch (...) {
        Skin->CancelUpdate();
        throw;
    }
    Skin->CancelUpdate();
}

void TdxSkinInfo::InitializeRibbonValues() {
    RibbonCaptionFontDelta = GetIntegerProperty(RibbonFormCaption, "FontDelta");
    RibbonQATAboveBackgroundDisplayCustomizeButtonOutsideQAT =
        GetBooleanProperty(RibbonQATAboveBackground, "DisplayCustomizeButtonOutsideQAT");
    RibbonQATAboveBackgroundIndentBeforeCustomizeButton =
        GetIntegerProperty(RibbonQATAboveBackground, "IndentBeforeCustomizeButton");
    RibbonQATInRibbonBackgroundDisplayCustomizeButtonOutsideQAT =
        GetBooleanProperty(RibbonQATInRibbonBackground, "DisplayCustomizeButtonOutsideQAT");
    RibbonQATInRibbonBackgroundIndentBeforeCustomizeButton =
        GetIntegerProperty(RibbonQATInRibbonBackground, "IndentBeforeCustomizeButton");
    if (GroupRibbon) {
        RibbonFormAppButtonRightIndent = GetIntegerValue(RibbonFormAppButton, "RightIndent");
        RibbonQATInRibbonBackgroundOffset = GetIntegerValue(RibbonQATInRibbonBackground, "Offset");
        RibbonTabHeaderDownGrow = GetIntegerValue(GroupRibbon, "TabHeaderDownGrow");
    }
    RibbonAppMenuExtraPaneColor = GetColor(GroupRibbon, "AppMenuExtraPaneColor");
    RibbonButtonDisabled = GetColorValue(GroupRibbon, "ButtonDisabled");
    RibbonFormCaptionTextColorInactive = GetColorValue(RibbonFormCaption, "TextColorInactive");
    RibbonCaptionTextColorInactive = RibbonFormCaptionTextColorInactive;
    RibbonDocumentNameTextColor = GetColorValue(RibbonFormCaption, "DocumentNameTextColor");
    RibbonTabTextColorSelected = GetColorValue(RibbonTab, "TextColorSelected");
    RibbonStatusBarButtonTextColor = GetColorValue(RibbonStatusBarButton, "TextColor");
    RibbonStatusBarButtonTextColorHot = GetColorValue(RibbonStatusBarButton, "TextColorHot");
    RibbonStatusBarButtonTextColorDisabled = GetColorValue(RibbonStatusBarButton, "TextColorDisabled");
    RibbonFormCaptionTextColor = RibbonFormCaption ? RibbonFormCaption->TextColor() : clDefault;
    RibbonTabTextColor = RibbonTab ? RibbonTab->TextColor() : clDefault;
    RibbonButtonTextColor = RibbonButton ? RibbonButton->TextColor() : clDefault;
}

void TdxSkinInfo::InitializeScrollBarParts() {
    // A nested run, started by a placeholder added above, may have made parts already.
    FreeScrollBarParts();
    if (!Skin) return;
    TdxSkinElement* thumbs[2] = {ScrollThumbVert, ScrollThumbHorz};
    TdxSkinElement* contents[2] = {ScrollContentVert, ScrollContentHorz};
    for (int orientation = 0; orientation < 2; ++orientation) {
        TdxSkinScrollInfo** parts = ScrollBarParts[orientation];
        parts[0] = new TdxSkinScrollInfo(nullptr, 0);
        parts[1] = new TdxSkinScrollInfo(ScrollButton, orientation * 2);
        parts[2] = new TdxSkinScrollInfo(ScrollButton, orientation * 2 + 1);
        parts[3] = new TdxSkinScrollInfo(thumbs[orientation], 0);
        parts[4] = new TdxSkinScrollInfo(contents[orientation], 0);
        parts[5] = new TdxSkinScrollInfo(contents[orientation], 0);
    }
}

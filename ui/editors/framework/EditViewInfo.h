#pragma once
// What an editor's view data laid out, and how it is drawn: the frame in its border style, the
// background (plain, themed or host-drawn), and each edit button in one of seven button styles,
// themed or through a skin painter. Also hit tests, button hints and the repaint of what changed
// between two layouts.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/graphics/Graphics.h"
#include "ui/core/Canvas.h"
#include "ui/editors/framework/ContainerViewInfo.h"
#include "ui/editors/framework/EditButtons.h"
#include "ui/editors/framework/EditStyles.h"

class TcxCustomEdit;
class TcxCustomEditProperties;

// A button's state in the view info.
enum TcxEditButtonState { ebsDisabled, ebsNormal, ebsPressed, ebsSelected };

// Bits of TcxCustomEditViewInfo::PaintFlagSet.
constexpr uint8_t cxEditPaintExternalBorder = 4;
constexpr uint8_t cxEditPaintInnerOffsets = 4;

struct TcxEditButtonViewInfoData {
    TcxEditButtonKind Kind = bkDown;
    AnsiString Caption;
    TColor BackgroundColor = clBtnFace;
    TColor TextColor = clBtnText;
    TAlignment ContentAlignment = taCenter;
    bool Default = false;
    bool Gradient = false;
    bool Inplace = false;
    bool LeftAlignment = false;
    bool FirstInGroup = false;
    bool LastInGroup = false;
    TcxEditButtonState State = ebsNormal;
    TcxEditButtonStyle Style = btsDefault; // resolved
    bool NativeStyle = false;
    bool LoneDropDown = false;
    bool PartiallyTransparent = false;
    int NativePart = 0;
    int NativeState = 0;
    bool Stretchable = true;
    bool Transparent = false;
    TRect VisibleBounds{};
    int CollectionIndex = -1;
    AnsiString VisibleCaption;
    int Width = 0;
};

class TcxEditButtonViewInfo : public TPersistent {
public:
    VZ_CLASS(TcxEditButtonViewInfo, TPersistent)
    TRect Bounds{};
    TcxEditButtonViewInfoData Data;
    TBitmap* Glyph = nullptr; // not owned
    bool HasBackground = false;

    void Assign(TPersistent* source) override;
    // The part that looks different from other (the whole bounds of both when anything differs);
    // empty when they look the same.
    virtual std::unique_ptr<TcxRegion> GetUpdateRegion(const TcxEditButtonViewInfo* other) const;
    // Invalidates (no erase) what differs from other; true when something was.
    virtual bool Repaint(HWND window, const TcxEditButtonViewInfo* other) const;
    bool IsSameLook(const TcxEditButtonViewInfo* other) const;
};
using TcxEditButtonViewInfoClass = std::function<std::unique_ptr<TcxEditButtonViewInfo>()>;

class TcxCustomEditViewInfo;
using TcxEditDrawBackgroundEvent = std::function<void(TcxCustomEditViewInfo* Sender, TcxCanvas& Canvas, bool& Handled)>;
using TcxEditDrawButtonEvent =
    std::function<void(TcxCustomEditViewInfo* Sender, TcxCanvas& Canvas, int AButtonIndex, bool& Handled)>;
using TcxEditDrawButtonBackgroundEvent = std::function<void(TcxCustomEditViewInfo* Sender, TcxCanvas& Canvas,
                                                            const TRect& ARect, int AButtonIndex, bool& Handled)>;
using TcxEditDrawButtonBorderEvent = std::function<void(TcxCustomEditViewInfo* Sender, int AButtonIndex,
                                                        bool& Handled, TRect& ABackgroundRect, TRect& AContentRect)>;
using TcxEditGetButtonStateEvent = std::function<void(TcxEditButtonViewInfo* Sender, TcxEditButtonState& AState)>;
using TcxEditPaintEvent = std::function<void(TcxCustomEditViewInfo* Sender, TcxCanvas& Canvas)>;

// Fields of the container view info under the editor's names: FillColor is the background colour,
// FrameColor the border colour, OuterRect the bounds, InnerRect the border rect, ContentRect the
// client rect, FrameStyle and FrameWidth the border style and width, FrameSides the edges,
// StateSet the container state, UsesTheme the native style, ThemePart and ThemeState the native
// part and state, DropShadow the shadow flag.
class TcxCustomEditViewInfo : public TcxContainerViewInfo {
public:
    VZ_CLASS(TcxCustomEditViewInfo, TcxContainerViewInfo)
    TcxCustomEditViewInfo();
    ~TcxCustomEditViewInfo() override;
    static TcxContainerViewInfoClass Class();

    TcxEditDrawBackgroundEvent OnDrawBackgroundHandler;
    TcxEditDrawButtonEvent OnDrawButtonHandler;
    TcxEditDrawButtonBackgroundEvent OnDrawButtonBackgroundHandler;
    TcxEditDrawButtonBorderEvent OnDrawButtonBorderHandler;
    TcxEditGetButtonStateEvent OnGetButtonStateHandler;
    TcxEditPaintEvent OnPaintHandler;

    TcxCustomEdit* Editor = nullptr;
    uint8_t PaintState = 0; // bit 0: the buttons are being painted
    TRect BorderWidths{};
    TcxEditBorderStyle EditBorderStyle = ebsNone;
    std::vector<std::unique_ptr<TcxEditButtonViewInfo>> ButtonInfos;
    TcxCustomEditProperties* EditorProperties = nullptr;
    bool EnabledFlag = true;
    bool FocusedFlag = false;
    TFont* DrawFont = nullptr; // not owned
    bool HasInplaceBorderExtent = false;
    TRect ContentArea{}; // where the inner edit or the content lies
    bool PressIsReal = false;
    bool IsInnerContainerControl = false;
    bool PaintingCopy = false;
    bool DesignMode = false;
    bool InplaceMode = false;
    int OffsetX = 0;
    int OffsetY = 0;
    uint8_t PaintFlagSet = 0;
    int PressedIndex = -1;
    int HotIndex = -1;
    TRect ShadowArea{};
    TColor ContentTextColor = clBtnText;
    bool NoFill = false;
    // The style values the buttons are drawn by (set by the layout).
    bool Transparent = false;
    TcxEditPopupBorderStyle PopupBorderStyle = epbsDefault;

    int ButtonCount() const { return static_cast<int>(ButtonInfos.size()); }
    TcxEditButtonViewInfo* Button(int index) const { return ButtonInfos[static_cast<size_t>(index)].get(); }
    // Replaces the buttons by count fresh ones of ButtonViewInfoClass.
    void SetButtonCount(int count);

    virtual TcxEditButtonViewInfoClass ButtonViewInfoClass();
    // The skin painter's editor colours; clDefault for each one not in force.
    virtual void GetPainterEditorColors(TColor& background, TColor& text);
    virtual bool RepaintsOnStateChange() { return true; }
    virtual void RenderButton(TcxCanvas& canvas, int index);
    virtual void AssignDrawBackgroundHandler(const TcxEditDrawBackgroundEvent& handler) {
        OnDrawBackgroundHandler = handler;
    }
    virtual void DrawButtonFrame3D(TcxCanvas& canvas, int index, TRect& backgroundRect, TRect& contentRect,
                                   TColor& background, TColor& text);
    virtual void DrawButtonFrameFlat(TcxCanvas& canvas, int index, TRect& backgroundRect, TRect& contentRect,
                                     TColor& background, TColor& text);
    virtual void DrawButtonFrameHotFlat(TcxCanvas& canvas, int index, TRect& backgroundRect, TRect& contentRect,
                                        TColor& background, TColor& text);
    virtual void DrawButtonFrameNative(TcxCanvas& canvas, int index, TRect& backgroundRect, TRect& contentRect);
    virtual void DrawButtonFrameSimple(TcxCanvas& canvas, int index, TRect& backgroundRect, TRect& contentRect,
                                       TColor& background, TColor& text);
    virtual void DrawButtonFrameUltraFlat(TcxCanvas& canvas, int index, TRect& backgroundRect, TRect& contentRect,
                                          TColor& background, TColor& text);
    virtual void DrawThemedButton(TcxCanvas& canvas, int index, const TRect& rect);
    virtual void FillButtonBackground(TcxCanvas& canvas, int index, const TRect& rect, TColor color);
    virtual void PaintButton(TcxCanvas& canvas, int index);
    // mode 0: the editor; 1: the content shrunk by 3 (one more on the right); 2: a push-button face.
    virtual void DrawNativeBackground(TcxCanvas& canvas, bool background, TColor brushColor, int mode);
    virtual void DrawButtonFrameByStyle(TcxCanvas& canvas, int index, TRect& backgroundRect, TRect& contentRect,
                                        TColor& background, TColor& text);
    virtual void DrawButtonContent(TcxCanvas& canvas, int index, bool pressedOffset, TColor textColor,
                                   const TRect& contentRect);
    virtual bool FindHotButton(int& index);
    virtual bool IsPointOnButton(TPoint p);
    virtual void GetHintText(TPoint p, AnsiString& text);
    virtual bool GetHintInfo(TPoint p, bool& flag, AnsiString& text, TRect& rect);
    virtual void EmptyHookA() {}
    virtual bool RepaintControl(TWinControl* control, const TRect& innerRect) {
        return RepaintChanges(control, innerRect, nullptr);
    }
    // Invalidates what differs from old (everything outside innerRect without old).
    virtual bool RepaintChanges(TWinControl* control, const TRect& innerRect, TcxContainerViewInfo* old);

    // Container overrides.
    TcxContainerBorderStyle EffectiveBorderStyle() override {
        return static_cast<TcxContainerBorderStyle>(EditBorderStyle);
    }
    void DrawContainer(TcxCanvas& canvas) override;
    void AssignFromViewInfo(TcxContainerViewInfo* other) override;
    std::unique_ptr<TcxRegion> GetChangedRegion(TcxContainerViewInfo* other) override;
    void ShiftRects(int dx, int dy) override;
    void DrawOn(TcxCanvas& canvas) override;

    // The frame by border style (ABackground: fill the background too).
    void DrawStandardFrame(TcxCanvas& canvas, bool background);
    // 0 host, 1 standard frame, 2 nothing, 3 colour, 4 what is behind, 5 the parent's themed background.
    int GetBackgroundKind();
    // Fills around the inner edit of a text editor.
    void PaintBackground(TcxCanvas& canvas, const TRect& rect, bool clipToRect, const TRect& clipRect);
    bool IsTransparent();
    // The index of the shown button whose bounds hold p; -1 none.
    int ButtonAt(TPoint p);
};

// The background, frame and buttons of an editor (ABackground: fill the background too).
void DrawEditBackground(TcxCanvas& canvas, TcxCustomEditViewInfo* viewInfo, bool background, int mode);

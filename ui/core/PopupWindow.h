#pragma once
// The borderless stay-on-top form under every drop-down, placed beside its owner and flipped at
// the edge of the work area; and the translucent or framed tracking windows built on it.
#include <memory>

#include "platform/forms/Forms.h"
#include "ui/core/Canvas.h"

enum TcxPopupAlignHorz { phaLeft, phaCenter, phaRight };
enum TcxPopupAlignVert { pvaTop, pvaCenter, pvaBottom };
enum TcxPopupBorderStyle { pbsNone, pbsFrame, pbsEdge, pbsDoubleEdge };
enum TcxPopupDirection { pdrHorizontal, pdrVertical };

class TcxPopupWindow : public TForm {
public:
    VZ_CLASS(TcxPopupWindow, TForm)
    explicit TcxPopupWindow(TComponent* owner = nullptr);
    ~TcxPopupWindow() override;

    bool Adjustable = true;
    TcxPopupAlignHorz AlignHorz = phaLeft;
    TcxPopupAlignVert AlignVert = pvaBottom;
    int BorderSpace = 0;
    TcxPopupBorderStyle PopupBorderStyle = pbsNone;
    TcxPopupDirection Direction = pdrVertical;
    TColor FrameColor = clWindowText;
    TRect OwnerBounds{}; // in OwnerParent's client coordinates
    TWinControl* OwnerParent = nullptr;
    HWND PrevActiveWindow = nullptr;

    virtual TPoint ComputePopupPosition();
    virtual void FitToContent();
    // Side 0 left, 1 top, 2 right, 3 bottom.
    virtual int GetBorderSpace(int side);
    virtual TRect CalcContentRect();
    virtual int GetFrameThickness();
    virtual TRect GetOwnerScreenBounds();
    virtual void InheritOwnerFont();
    virtual void PaintFrame(TcxCanvas& canvas);
    virtual void ClosePopup();
    virtual void ShowPopup();

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PaintWindow(HDC dc) override;
};

// A translucent window that follows the mouse: the mouse goes through it, it never erases.
class TcxCustomDragImage : public TcxPopupWindow {
public:
    VZ_CLASS(TcxCustomDragImage, TcxPopupWindow)
    explicit TcxCustomDragImage(TComponent* owner = nullptr);
    // Shows without taking the activation and repaints at once.
    void ShowNoActivate();

protected:
    void CreateHandle() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// A checkered frame (or filled rectangle) that marks a size or a selection while it is dragged.
class TcxSizeFrame : public TcxCustomDragImage {
public:
    VZ_CLASS(TcxSizeFrame, TcxCustomDragImage)
    explicit TcxSizeFrame(int frameWidth = 2, TComponent* owner = nullptr);
    ~TcxSizeFrame() override;

    int FrameWidth;
    bool FillSelection = false;
    TcxRegion& Region() { return *region_; }

    void SetFrameRect(const TRect& rect);
    void SetBounds(int left, int top, int width, int height) override;

protected:
    void PaintWindow(HDC dc) override;

private:
    std::unique_ptr<TcxRegion> region_;
    std::unique_ptr<TBitmap> checker_;
    TBrush brush_;
};

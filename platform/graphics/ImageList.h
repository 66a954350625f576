#pragma once
// Image lists over the common controls: images of one size, each with a mask, drawn enabled or
// in the embossed disabled look.
#include "platform/core/Components.h"
#include "platform/graphics/Graphics.h"

// objidl first: commctrl declares the list serialisation only where IStream is known.
#include <objidl.h>
// clang-format off
#include <commctrl.h>
// clang-format on

class TCustomImageList : public TComponent {
public:
    VZ_CLASS(TCustomImageList, TComponent)
    explicit TCustomImageList(TComponent* owner); // 16 x 16
    TCustomImageList(int width, int height);
    ~TCustomImageList() override;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Changing the size empties the list.
    void SetSize(int width, int height);
    bool Masked() const { return masked_; }
    void SetMasked(bool value); // before the first image

    // The list, made on first use: 32-bit colour, with a mask when Masked.
    HIMAGELIST Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }

    // Index of the new image, -1 when the system refuses it. The mask is monochrome (black is
    // opaque); nullptr makes the whole image opaque.
    int Add(TBitmap* image, TBitmap* mask);
    // Pixels of maskColor become transparent.
    int AddMasked(TBitmap* image, TColor maskColor);
    int Count();
    void Clear();
    // Removes one image; -1 removes them all.
    void Delete(int index);
    // From another image list: its size, mask setting and a copy of its images; any other
    // source goes to the inherited Assign.
    void Assign(TPersistent* source) override;
    // Reading accepts "Bitmap", the list as the system serialises it; nothing is written.
    void DefineProperties(TFiler* filer) override;

    void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true);

    TNotifyEvent OnChange;

protected:
    // Draws one image; style holds the ILD_ flags. Disabled images are embossed in the
    // highlight and shadow colours through the mask.
    virtual void DoDraw(int index, TCanvas& canvas, int x, int y, UINT style, bool enabled);
    // Tells OnChange.
    virtual void Change();

private:
    void FreeHandle();

    int width_;
    int height_;
    bool masked_ = true;
    HIMAGELIST handle_ = nullptr;
};

// An image list that can show one of its images under the cursor while something is dragged.
// One drag image runs at a time in the whole program (the system keeps it).
class TDragImageList : public TCustomImageList {
public:
    VZ_CLASS(TDragImageList, TCustomImageList)
    explicit TDragImageList(TComponent* owner) : TCustomImageList(owner) {}
    TDragImageList(int width, int height) : TCustomImageList(width, height) {}
    ~TDragImageList() override;

    // The image dragged and its point that sits at the cursor.
    void SetDragImage(int index, int hotSpotX, int hotSpotY);
    int DragIndex() const { return dragIndex_; }
    TPoint DragHotspot() const { return dragHotspot_; }
    // Shows the image over window, its hot spot at (x, y) in the window's coordinates (from its
    // outer corner); false when the list is empty or the system refuses.
    bool BeginDrag(HWND window, int x, int y);
    bool Dragging() const { return dragging_; }
    bool DragMove(int x, int y);
    // Hides the image (for a paint beneath it) and shows it again; they nest.
    void HideDragImage();
    void ShowDragImage();
    void EndDrag();

private:
    int dragIndex_ = 0;
    TPoint dragHotspot_{};
    bool dragging_ = false;
    HWND dragWindow_ = nullptr;
    int hideCount_ = 0;
};

class TImageList : public TDragImageList {
public:
    VZ_CLASS(TImageList, TDragImageList)
    explicit TImageList(TComponent* owner) : TDragImageList(owner) {}
    TImageList(int width, int height) : TDragImageList(width, height) {}
};

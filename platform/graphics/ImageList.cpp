#include "platform/graphics/ImageList.h"

#include <memory>

#include "platform/core/Exceptions.h"
#include "platform/core/Filer.h"
#include "platform/core/StreamAdapter.h"

namespace {

// The system copies what it adds; a bitmap still selected into its canvas cannot be read from
// another DC, so a copy without a DC is handed over.
std::unique_ptr<TBitmap> DetachedCopy(TBitmap* bitmap) {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(*bitmap);
    return copy;
}

} // namespace

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner), width_(16), height_(16) {}

TCustomImageList::TCustomImageList(int width, int height)
    : TComponent(nullptr), width_(width), height_(height) {}

TCustomImageList::~TCustomImageList() {
    FreeHandle();
}

void TCustomImageList::FreeHandle() {
    if (handle_) ImageList_Destroy(handle_);
    handle_ = nullptr;
}

void TCustomImageList::Change() {
    if (OnChange) OnChange(this);
}

void TCustomImageList::SetSize(int width, int height) {
    if (width == width_ && height == height_) return;
    FreeHandle();
    width_ = width;
    height_ = height;
    Change();
}

void TCustomImageList::SetMasked(bool value) {
    if (value == masked_) return;
    FreeHandle();
    masked_ = value;
    Change();
}

HIMAGELIST TCustomImageList::Handle() {
    if (!handle_) handle_ = ImageList_Create(width_, height_, ILC_COLOR32 | (masked_ ? ILC_MASK : 0), 4, 4);
    return handle_;
}

int TCustomImageList::Add(TBitmap* image, TBitmap* mask) {
    if (!image || image->Empty() || !Handle()) return -1;
    auto picture = DetachedCopy(image);
    std::unique_ptr<TBitmap> maskCopy;
    if (mask && !mask->Empty()) maskCopy = DetachedCopy(mask);
    int index = ImageList_Add(handle_, picture->Handle(), maskCopy ? maskCopy->Handle() : nullptr);
    if (index >= 0) Change();
    return index;
}

int TCustomImageList::AddMasked(TBitmap* image, TColor maskColor) {
    if (!image || image->Empty() || !Handle()) return -1;
    auto picture = DetachedCopy(image);
    int index = ImageList_AddMasked(handle_, picture->Handle(), ColorToRGB(maskColor));
    if (index >= 0) Change();
    return index;
}

int TCustomImageList::Count() {
    return handle_ ? ImageList_GetImageCount(handle_) : 0;
}

void TCustomImageList::Clear() {
    if (!handle_ || Count() == 0) return;
    ImageList_Remove(handle_, -1);
    Change();
}

void TCustomImageList::Delete(int index) {
    if (!handle_ || index < -1 || index >= Count()) return;
    if (ImageList_Remove(handle_, index)) Change();
}

void TCustomImageList::Assign(TPersistent* source) {
    auto* list = dynamic_cast<TCustomImageList*>(source);
    if (!list) {
        TComponent::Assign(source);
        return;
    }
    if (list == this) return;
    FreeHandle();
    width_ = list->width_;
    height_ = list->height_;
    masked_ = list->masked_;
    if (list->handle_) handle_ = ImageList_Duplicate(list->handle_);
    Change();
}

void TCustomImageList::DefineProperties(TFiler* filer) {
    TComponent::DefineProperties(filer);
    filer->DefineBinaryProperty(
        "Bitmap",
        [this](TStream* stream) {
            auto* adapter = new TStreamAdapter(stream);
            adapter->AddRef();
            HIMAGELIST list = ImageList_Read(adapter);
            adapter->Release();
            if (!list) throw EReadError("Error reading image list data");
            FreeHandle();
            handle_ = list;
            int width = width_, height = height_;
            ImageList_GetIconSize(list, &width, &height);
            width_ = width;
            height_ = height;
            Change();
        },
        nullptr, false);
}

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) {
    if (!handle_ || index < 0 || index >= Count()) return;
    DoDraw(index, canvas, x, y, masked_ ? ILD_TRANSPARENT : ILD_NORMAL, enabled);
}

void TCustomImageList::DoDraw(int index, TCanvas& canvas, int x, int y, UINT style, bool enabled) {
    HDC dc = canvas.Handle();
    if (!dc) return;
    if (enabled) {
        ImageList_Draw(handle_, index, dc, x, y, style);
        return;
    }
    // The image's shape as a monochrome mask (black where opaque), then stamped twice: the
    // highlight one pixel down and right, the shadow on the image's place.
    HDC maskDC = CreateCompatibleDC(dc);
    HBITMAP mask = CreateBitmap(width_, height_, 1, 1, nullptr);
    HGDIOBJ oldMask = SelectObject(maskDC, mask);
    PatBlt(maskDC, 0, 0, width_, height_, WHITENESS);
    ImageList_Draw(handle_, index, maskDC, 0, 0, ILD_MASK);
    COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
    const struct {
        TColor color;
        int offset;
    } stamps[] = {{clBtnHighlight, 1}, {clBtnShadow, 0}};
    for (const auto& stamp : stamps) {
        HBRUSH brush = CreateSolidBrush(ColorToRGB(stamp.color));
        HGDIOBJ oldBrush = SelectObject(dc, brush);
        // PSDPxax: pattern where the mask is black, destination where it is white.
        BitBlt(dc, x + stamp.offset, y + stamp.offset, width_, height_, maskDC, 0, 0, 0x00B8074A);
        SelectObject(dc, oldBrush);
        DeleteObject(brush);
    }
    SetBkColor(dc, oldBk);
    SetTextColor(dc, oldText);
    SelectObject(maskDC, oldMask);
    DeleteObject(mask);
    DeleteDC(maskDC);
}

// ---------------------------------------------------------------------------------------------
TDragImageList::~TDragImageList() {
    EndDrag();
}

void TDragImageList::SetDragImage(int index, int hotSpotX, int hotSpotY) {
    dragIndex_ = index;
    dragHotspot_ = TPoint{hotSpotX, hotSpotY};
}

bool TDragImageList::BeginDrag(HWND window, int x, int y) {
    EndDrag();
    if (dragIndex_ < 0 || dragIndex_ >= Count()) return false;
    if (!ImageList_BeginDrag(Handle(), dragIndex_, dragHotspot_.x, dragHotspot_.y)) return false;
    if (!ImageList_DragEnter(window, x, y)) {
        ImageList_EndDrag();
        return false;
    }
    dragging_ = true;
    dragWindow_ = window;
    hideCount_ = 0;
    return true;
}

bool TDragImageList::DragMove(int x, int y) {
    return dragging_ && ImageList_DragMove(x, y);
}

void TDragImageList::HideDragImage() {
    if (dragging_ && hideCount_++ == 0) ImageList_DragShowNolock(FALSE);
}

void TDragImageList::ShowDragImage() {
    if (dragging_ && hideCount_ > 0 && --hideCount_ == 0) ImageList_DragShowNolock(TRUE);
}

void TDragImageList::EndDrag() {
    if (!dragging_) return;
    dragging_ = false;
    hideCount_ = 0;
    ImageList_DragLeave(dragWindow_);
    ImageList_EndDrag();
    dragWindow_ = nullptr;
}

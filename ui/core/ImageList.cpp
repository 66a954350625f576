#include "ui/core/ImageList.h"

#include <cstring>

#include "platform/core/Filer.h"
#include "platform/core/StreamAdapter.h"

namespace {
std::unique_ptr<TcxBitmap> drawBuffers[3]; // background, image, mask

TcxBitmap* SharedBuffer(int which, int width, int height) {
    auto& buffer = drawBuffers[which];
    if (!buffer) {
        buffer = std::make_unique<TcxBitmap>(width, height);
    } else {
        buffer->KeyColors.clear();
        buffer->ResizeTo(width, height);
    }
    return buffer.get();
}

// A monochrome mask of zero bits: every pixel opaque.
std::unique_ptr<TBitmap> OpaqueMask(int width, int height) {
    auto mask = std::make_unique<TBitmap>();
    mask->SetHandle(CreateBitmap(width, height, 1, 1, nullptr));
    mask->Canvas().Brush().SetColor(clBlack);
    mask->Canvas().FillRect(Rect(0, 0, width, height));
    return mask;
}

// The part r of source in a bitmap of its own, in the source's pixel format.
std::unique_ptr<TBitmap> CutOut(TBitmap* source, const TRect& r) {
    const TPixelFormat format = source->PixelFormat() == pfDevice ? pf32bit : source->PixelFormat();
    auto part = std::make_unique<TBitmap>(r.right - r.left, r.bottom - r.top, format);
    BitBltRect(part->Canvas().Handle(), source->Canvas().Handle(), Rect(0, 0, part->Width(), part->Height()),
               TPoint{r.left, r.top}, SRCCOPY);
    return part;
}

// The stored bitmap of an item; of an item larger than one image only its top-left image, which
// is what the platform list holds for it.
void CopyItemImage(TBitmap* dest, TBitmap* source, int width, int height) {
    if (source->Empty() || (source->Width() == width && source->Height() == height)) {
        CopyBitmapSized(dest, source);
        return;
    }
    dest->SetSize(width, height);
    BitBltRect(dest->Canvas().Handle(), source->Canvas().Handle(), Rect(0, 0, width, height), TPoint{0, 0},
               SRCCOPY);
    dest->Changed(dest);
}
} // namespace

// ---------------------------------------------------------------------------------------------
TcxImageInfo::TcxImageInfo()
    : image_(std::make_unique<TcxCustomBitmap>()), mask_(std::make_unique<TcxCustomBitmap>()) {}

TcxImageInfo::~TcxImageInfo() = default;

void TcxImageInfo::Assign(TPersistent* source) {
    if (auto* info = dynamic_cast<TcxImageInfo*>(source)) {
        AssignImage(info->Image());
        AssignMask(info->Mask());
        MaskColor = info->MaskColor;
        return;
    }
    TPersistent::Assign(source);
}

namespace {
void CopyInto(TcxCustomBitmap* target, TBitmap* bitmap) {
    if (bitmap)
        target->Assign(*bitmap);
    else
        target->Assign(*std::make_unique<TBitmap>());
    target->Handle();
}
} // namespace

void TcxImageInfo::AssignImage(TBitmap* bitmap) {
    CopyInto(image_.get(), bitmap);
}

void TcxImageInfo::AssignMask(TBitmap* bitmap) {
    CopyInto(mask_.get(), bitmap);
}

// ---------------------------------------------------------------------------------------------
TcxImageInfoItem::TcxImageInfoItem() : imageInfo_(std::make_unique<TcxImageInfo>()) {}

TcxImageInfoItem::~TcxImageInfoItem() = default;

bool TcxImageInfoItem::CompressData() const {
    return Image()->CompressData && Mask()->CompressData;
}

void TcxImageInfoItem::SetCompressData(bool value) {
    if (CompressData() == value) return;
    Image()->CompressData = value;
    Mask()->CompressData = value;
}

void TcxImageInfoItem::Assign(TPersistent* source) {
    if (auto* item = dynamic_cast<TcxImageInfoItem*>(source)) {
        imageInfo_->Assign(item->ImageInfo());
        return;
    }
    TCollectionItem::Assign(source);
}

void TcxImageInfoItem::DefineProperties(TFiler* filer) {
    TCollectionItem::DefineProperties(filer);
    filer->DefineBinaryProperty(
        "Image",
        [this](TStream* stream) {
            Image()->ReadData(stream);
            Image()->Handle();
        },
        [this](TStream* stream) { Image()->WriteData(stream); }, !Image()->Empty());
    filer->DefineBinaryProperty(
        "Mask",
        [this](TStream* stream) {
            Mask()->ReadData(stream);
            Mask()->Handle();
        },
        [this](TStream* stream) { Mask()->WriteData(stream); }, !Mask()->Empty());
    filer->DefineProperty(
        "MaskColor", [this](TReader& reader) { SetMaskColor(static_cast<TColor>(reader.ReadInteger())); },
        [this](TWriter& writer) { writer.WriteInteger(MaskColor()); }, MaskColor() != clNone);
}

// ---------------------------------------------------------------------------------------------
TcxImageInfoCollection::TcxImageInfoCollection(TcxImageList* imageList)
    : TCollection(TcxImageInfoItem::StaticClass()), imageList_(imageList) {}

TPersistent* TcxImageInfoCollection::GetOwner() {
    return imageList_;
}

void TcxImageInfoCollection::Notify(TCollectionItem* item, TCollectionNotification action) {
    if (action == cnAdded) static_cast<TcxImageInfoItem*>(item)->SetCompressData(compressData_);
    TCollection::Notify(item, action);
}

TcxImageInfoItem* TcxImageInfoCollection::Add(TBitmap* image, TBitmap* mask, TColor maskColor) {
    auto* item = static_cast<TcxImageInfoItem*>(TCollection::Add());
    item->SetImage(image);
    item->SetMask(mask);
    item->SetMaskColor(maskColor);
    return item;
}

void TcxImageInfoCollection::Delete(int index) {
    if (index == -1)
        Clear();
    else
        TCollection::Delete(index);
}

void TcxImageInfoCollection::SetCompressData(bool value) {
    if (value == compressData_) return;
    compressData_ = value;
    for (int i = 0; i < Count(); ++i)
        Items(i)->SetCompressData(value);
}

// ---------------------------------------------------------------------------------------------
TcxImageList::TcxImageList(TComponent* owner) : TDragImageList(owner) {
    Initialize();
}

TcxImageList::TcxImageList(int width, int height) : TDragImageList(width, height) {
    Initialize();
}

TcxImageList::~TcxImageList() {
    imageInfo_.reset();
}

void TcxImageList::Initialize() {
    imageInfo_ = std::make_unique<TcxImageInfoCollection>(this);
    AlphaBlending = true;
}

void TcxImageList::EndChange(bool notify) {
    if (lockCount_ == 0) return;
    --lockCount_;
    if (notify) Change();
}

void TcxImageList::Change() {
    if (!IsChangeLocked()) TDragImageList::Change();
}

std::vector<TRect> ImageTileRects(int bitmapWidth, int bitmapHeight, int width, int height) {
    std::vector<TRect> tiles;
    if (width <= 0 || height <= 0) return tiles;
    if (bitmapWidth % width == 0 && bitmapHeight % height == 0 &&
        (bitmapWidth != width || bitmapHeight != height)) {
        for (int row = 0; row < bitmapHeight / height; ++row)
            for (int column = 0; column < bitmapWidth / width; ++column)
                tiles.push_back(Rect(column * width, row * height, (column + 1) * width, (row + 1) * height));
    } else {
        tiles.push_back(Rect(0, 0, bitmapWidth, bitmapHeight));
    }
    return tiles;
}

int TcxImageList::AddTiles(TBitmap* image, TBitmap* mask, TColor maskColor) {
    if (!IsNonEmptyBitmap(image) || !Handle()) return -1;
    const int width = Width(), height = Height();
    // The platform adds no image from a bitmap narrower or lower than one image.
    if (image->Width() < width || image->Height() < height) return -1;
    std::vector<TRect> tiles = ImageTileRects(image->Width(), image->Height(), width, height);
    if (tiles.size() == 1) tiles[0] = Rect(0, 0, width, height); // the top-left image of any other size
    const bool withMask = IsNonEmptyBitmap(mask) && maskColor == clNone;
    int first = -1, added = 0;
    for (const TRect& r : tiles) {
        auto tile = CutOut(image, r);
        tile->Dormant();
        int index;
        if (maskColor != clNone) {
            index = ImageList_AddMasked(Handle(), tile->Handle(), ColorToRGB(maskColor));
        } else {
            auto maskTile = withMask ? CutOut(mask, r) : OpaqueMask(width, height);
            maskTile->Dormant();
            index = ImageList_Add(Handle(), tile->Handle(), maskTile->Handle());
        }
        if (index < 0) {
            // Nothing half added: the list keeps one image per recorded item.
            while (added-- > 0)
                ImageList_Remove(Handle(), first + added);
            return -1;
        }
        if (first < 0) first = index;
        ++added;
    }
    return first;
}

int TcxImageList::AddImage(TBitmap* image, TBitmap* mask) {
    const int index = AddTiles(image, mask, clNone);
    if (!rebuilding_ && index != -1) RecordImageInfo(image, mask, clNone);
    Change();
    return index;
}

int TcxImageList::AddWithMaskColor(TBitmap* image, TColor maskColor) {
    if (maskColor == clNone) return AddImage(image, nullptr);
    BeginChange();
    int index;
    try {
        index = AddTiles(image, nullptr, maskColor);
        if (!rebuilding_ && index != -1) RecordImageInfo(image, nullptr, maskColor);
    } catch (...) {
        EndChange(true);
        throw;
    }
    EndChange(true);
    return index;
}

void TcxImageList::RecordImageInfo(TBitmap* image, TBitmap* mask, TColor maskColor) {
    const std::vector<TRect> tiles = ImageTileRects(image->Width(), image->Height(), Width(), Height());
    if (tiles.size() == 1) {
        imageInfo_->Add(image, mask, maskColor)->Image()->Dormant();
        return;
    }
    const bool withMask = IsNonEmptyBitmap(mask);
    TcxCustomBitmap tile(Width(), Height(),
                         image->PixelFormat() == pfDevice ? pf32bit : image->PixelFormat());
    std::unique_ptr<TcxCustomBitmap> maskTile;
    if (withMask) maskTile = std::make_unique<TcxCustomBitmap>(Width(), Height(), mask->PixelFormat());
    const TRect whole = Rect(0, 0, Width(), Height());
    for (const TRect& r : tiles) {
        tile.Canvas().CopyRect(whole, image->Canvas(), r);
        if (maskTile) {
            maskTile->EraseContent();
            maskTile->Canvas().CopyRect(whole, mask->Canvas(), r);
        }
        imageInfo_->Add(&tile, maskTile.get(), maskColor)->Image()->Dormant();
    }
}

void TcxImageList::DeleteImage(int index) {
    BeginChange();
    try {
        Delete(index);
        if (!rebuilding_) imageInfo_->Delete(index);
    } catch (...) {
        EndChange(true);
        throw;
    }
    EndChange(true);
}

void TcxImageList::GetImage(int index, TBitmap* image, TBitmap* mask) {
    if (index < 0 || index >= Count() || index >= imageInfo_->Count()) return;
    TcxImageInfo* info = imageInfo_->Items(index)->ImageInfo();
    if (info->Image()->PixelFormat() == pf32bit) {
        if (image) CopyItemImage(image, info->Image(), Width(), Height());
        if (mask) CopyItemImage(mask, info->Mask(), Width(), Height());
    } else {
        GetImageListBitmaps(Handle(), index, mask, image);
    }
    info->Image()->Dormant();
}

void TcxImageList::CopyImageInfo(int index, TcxImageInfo* info) {
    if (index >= 0 && index < imageInfo_->Count()) {
        info->Assign(imageInfo_->Items(index)->ImageInfo());
        return;
    }
    info->AssignImage(nullptr);
    info->AssignMask(nullptr);
    info->MaskColor = clNone;
}

int TcxImageList::AddFromImageInfo(TcxImageInfo* info) {
    if (IsNonEmptyBitmap(info->Mask())) return AddImage(info->Image(), info->Mask());
    return AddWithMaskColor(info->Image(), info->MaskColor);
}

void TcxImageList::RebuildFromImageInfo() {
    BeginChange();
    rebuilding_ = true;
    try {
        ClearImages();
        for (int i = 0; i < imageInfo_->Count(); ++i) {
            AddFromImageInfo(imageInfo_->Items(i)->ImageInfo());
            imageInfo_->Items(i)->Image()->Dormant();
        }
    } catch (...) {
        rebuilding_ = false;
        EndChange(true);
        throw;
    }
    rebuilding_ = false;
    EndChange(true);
}

void TcxImageList::CaptureImageInfo() {
    imageInfo_->BeginUpdate();
    try {
        imageInfo_->Clear();
        TBitmap image(Width(), Height(), pf32bit), mask(Width(), Height(), pf1bit);
        for (int i = 0; i < Count(); ++i) {
            GetImageListBitmaps(Handle(), i, &mask, &image);
            imageInfo_->Add(&image, &mask, clNone);
        }
    } catch (...) {
        imageInfo_->EndUpdate();
        throw;
    }
    imageInfo_->EndUpdate();
}

void TcxImageList::Assign(TPersistent* source) {
    auto* list = dynamic_cast<TCustomImageList*>(source);
    if (!list || list == this) return;
    BeginChange();
    try {
        TDragImageList::Assign(source);
        ClearImages();
        if (auto* cxList = dynamic_cast<TcxImageList*>(list)) {
            TcxImageInfo info;
            for (int i = 0; i < cxList->Count(); ++i) {
                cxList->CopyImageInfo(i, &info);
                AddFromImageInfo(&info);
            }
        } else {
            TBitmap image(Width(), Height(), pf32bit), mask(Width(), Height(), pf1bit);
            for (int i = 0; i < list->Count(); ++i) {
                GetImageListBitmaps(list->Handle(), i, &mask, &image);
                AddImage(&image, &mask);
            }
        }
    } catch (...) {
        EndChange(true);
        throw;
    }
    EndChange(true);
}

void TcxImageList::DefineProperties(TFiler* filer) {
    filer->DefineProperty(
        "CompressData", [this](TReader& reader) { SetCompressData(reader.ReadBoolean()); },
        [](TWriter& writer) { writer.WriteBoolean(true); }, CompressData());
    filer->DefineProperty(
        "Height", [this](TReader& reader) { SetSize(Width(), reader.ReadInteger()); },
        [this](TWriter& writer) { writer.WriteInteger(Height()); }, Height() != 16);
    filer->DefineProperty(
        "Width", [this](TReader& reader) { SetSize(reader.ReadInteger(), Height()); },
        [this](TWriter& writer) { writer.WriteInteger(Width()); }, Width() != 16);
    filer->DefineProperty(
        "FormatVersion", [this](TReader& reader) { FormatVersion = reader.ReadInteger(); },
        [this](TWriter& writer) {
            writer.WriteInteger(1);
            FormatVersion = 1;
        },
        true);
    if (filer->Reading()) {
        // Data holding only the platform's strip still reaches the collection.
        TDragImageList::DefineProperties(filer);
        CaptureImageInfo();
    }
    auto* ancestor = dynamic_cast<TCustomImageList*>(filer->Ancestor);
    auto* cxAncestor = dynamic_cast<TcxImageList*>(ancestor);
    filer->DefineProperty(
        "DesignInfo", [this](TReader& reader) { DesignInfo = reader.ReadInteger(); },
        [this](TWriter& writer) { writer.WriteInteger(DesignInfo); },
        !cxAncestor || cxAncestor->DesignInfo != DesignInfo);
    filer->DefineProperty(
        "ImageInfo",
        [this](TReader& reader) {
            // Read aside first, so that damaged data leaves the collection as it was.
            TcxImageInfoCollection read(this);
            read.SetCompressData(CompressData());
            reader.ReadCollection(&read);
            imageInfo_->Clear();
            imageInfo_->Assign(&read);
            RebuildFromImageInfo();
        },
        [this](TWriter& writer) { writer.WriteCollection(imageInfo_.get()); },
        ancestor ? !ImageListsEqual(ancestor, this) : Count() > 0);
}

void TcxImageList::DoDraw(int index, TCanvas& canvas, int x, int y, UINT style, bool enabled) {
    if (!AlphaBlending) {
        TDragImageList::DoDraw(index, canvas, x, y, style, enabled);
        return;
    }
    DrawImageWithEffect(canvas.Handle(), Rect(x, y, x + Width(), y + Height()), enabled ? 0 : 1, this, index);
}

// ---------------------------------------------------------------------------------------------
void GetImageListBitmaps(HIMAGELIST list, int index, TBitmap* mask, TBitmap* image) {
    IMAGEINFO info{};
    if (!list || !ImageList_GetImageInfo(list, index == -1 ? 0 : index, &info)) return;
    const bool whole = index == -1;
    if (mask && info.hbmMask) CopyImageListBitmap(info.hbmMask, mask, whole, info.rcImage);
    if (image && info.hbmImage) CopyImageListBitmap(info.hbmImage, image, whole, info.rcImage);
}

void CopyImageListBitmap(HBITMAP source, TBitmap* dest, bool whole, const RECT& imageRect) {
    if (whole) {
        dest->SetHandle(DuplicateBitmapHandle(source));
        return;
    }
    TBitmap temporary;
    temporary.SetHandle(DuplicateBitmapHandle(source));
    dest->SetSize(imageRect.right - imageRect.left, imageRect.bottom - imageRect.top);
    BitBltRect(dest->Canvas().Handle(), temporary.Canvas().Handle(),
               Rect(0, 0, dest->Width(), dest->Height()), TPoint{imageRect.left, imageRect.top}, SRCCOPY);
    dest->Changed(dest);
}

HBITMAP DuplicateBitmapHandle(HBITMAP handle) {
    return static_cast<HBITMAP>(CopyImage(handle, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

int GetImageListBitsPerPixel(HIMAGELIST list) {
    IMAGEINFO info{};
    BITMAP bitmap{};
    if (!list || !ImageList_GetImageInfo(list, 0, &info) ||
        !GetObject(info.hbmImage, sizeof(bitmap), &bitmap))
        return 0;
    return bitmap.bmBitsPixel;
}

namespace {
std::vector<uint8_t> SerialisedList(TCustomImageList* list) {
    TMemoryStream stream;
    auto* adapter = new TStreamAdapter(&stream);
    adapter->AddRef();
    const BOOL written = ImageList_Write(list->Handle(), adapter);
    adapter->Release();
    if (!written) return {};
    const auto* bytes = static_cast<const uint8_t*>(stream.Memory());
    return std::vector<uint8_t>(bytes, bytes + stream.Size());
}
} // namespace

bool ImageListsEqual(TCustomImageList* a, TCustomImageList* b) {
    if (!a || !b) return a == b;
    if (a->Count() != b->Count()) return false;
    if (a->Count() == 0) return true;
    const std::vector<uint8_t> first = SerialisedList(a), second = SerialisedList(b);
    return !first.empty() && first == second;
}

void CopyWholeBitmap(TBitmap* dest, TBitmap* source) {
    DrawBitmap(dest->Canvas().Handle(), source, Rect(0, 0, dest->Width(), dest->Height()), TPoint{0, 0},
               SRCCOPY);
    dest->Changed(dest);
}

void CopyBitmapSized(TBitmap* dest, TBitmap* source) {
    dest->SetSize(source->Width(), source->Height());
    if (!source->Empty()) CopyWholeBitmap(dest, source);
}

std::unique_ptr<TBitmap> CloneBitmap(TBitmap* source) {
    auto clone = std::make_unique<TBitmap>();
    clone->Assign(*source);
    return clone;
}

// ---------------------------------------------------------------------------------------------
TcxBitmap* GetDrawBuffer(int width, int height) {
    return SharedBuffer(0, width, height);
}

TcxBitmap* GetDrawImageBuffer(int width, int height) {
    return SharedBuffer(1, width, height);
}

TcxBitmap* GetDrawMaskBuffer(int width, int height) {
    return SharedBuffer(2, width, height);
}

void FreeDrawBuffers() {
    for (auto& buffer : drawBuffers)
        buffer.reset();
}

void DrawBitmapWithAlpha(TBitmap* source, TBitmap* dest, const TRect& destRect, bool smooth, BYTE alpha) {
    AlphaBlendBitmaps(dest, source, destRect, Rect(0, 0, source->Width(), source->Height()), smooth, alpha);
}

void ApplyMaskBitmap(TcxBitmap* dest, TBitmap* mask) {
    dest->CopyBitmap(mask, 0x00220326); // DSna: dest and not mask
}

void AddImageShadow(TcxBitmap* image, TcxBitmap* mask, TColor color) {
    const int width = image->Width(), height = image->Height();
    auto t1 = TcxBitmap::CreateWithKey(width + 2, height + 2, 0xFFFFFFFF);
    t1->CopyBitmapRect(mask, Rect(1, 1, 1 + mask->Width(), 1 + mask->Height()));
    // Masked pixels whose upper-left neighbour is not masked take the colour: T1 and brush and
    // not (T1 one pixel up and left), read from a copy since source and target overlap.
    TcxBitmap shifted(width + 2, height + 2);
    shifted.CopyBitmap(t1.get());
    t1->Canvas().Brush().SetColor(color);
    t1->Canvas().RequiredState(false, false, true);
    BitBltRect(t1->Canvas().Handle(), shifted.Canvas().Handle(), Rect(1, 1, width + 2, height + 2),
               TPoint{0, 0}, 0x00200F09);
    t1->KeyColor = 0;
    t1->ApplyFilter(bfOpaqueVisible);
    TcxBitmap t2(width + 1, height + 1);
    t2.CopyBitmapRect(image, Rect(0, 0, width, height));
    t2.CopyBitmapRect(t1.get(), Rect(0, 0, width + 1, height + 1), SRCPAINT, TPoint{1, 1});
    image->CopyBitmapRect(&t2, Rect(0, 0, width, height));
}

void DrawImageWithEffect(HDC dc, const TRect& r, int mode, TcxImageList* list, int index) {
    if (!IsImageIndexValid(list, index)) return;
    const int width = list->Width(), height = list->Height();
    TcxBitmap* background = GetDrawBuffer(r.right - r.left, r.bottom - r.top);
    BitBltRect(background->Canvas().Handle(), dc, background->GetImageRect(), TPoint{r.left, r.top}, SRCCOPY);

    TcxBitmap* image = GetDrawImageBuffer(width, height);
    list->GetImage(index, image, nullptr);
    const bool hasAlpha = GetImageListBitsPerPixel(list->Handle()) >= 32 && image->IsAlphaUsed();
    if (!hasAlpha) image->ApplyFilter(bfOpaque);

    TcxBitmap* mask = GetDrawMaskBuffer(width, height);
    mask->CopyBitmap(image);
    if (!hasAlpha) {
        TcxBitmap listMask(mask->Width(), mask->Height());
        GetImageListBitmaps(list->Handle(), index, &listMask, nullptr);
        listMask.ApplyFilter(bfOpaqueVisible);
        ApplyMaskBitmap(mask, &listMask);
    }
    mask->ApplyFilter(bfMask);
    ApplyMaskBitmap(image, mask);

    BYTE alpha = 255;
    if (mode == 1) {
        if (hasAlpha) {
            image->ApplyFilter(bfGreyAlt);
            alpha = 151;
        } else {
            image->ApplyFilter(bfDisable);
            AddImageShadow(image, mask, clBtnHighlight);
        }
    }
    DrawBitmapWithAlpha(image, background, Rect(0, 0, width, height), false, alpha);
    DrawBitmap(dc, background, r, TPoint{0, 0}, SRCCOPY);
}

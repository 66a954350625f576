#pragma once
// The library's image list: the platform list with 32-bit colour, a parallel collection that
// keeps every image and mask as a bitmap of its own (what is stored), and drawing with alpha
// blending and a disabled look through three shared buffers.
#include <memory>

#include "platform/core/Collections.h"
#include "platform/graphics/ImageList.h"
#include "ui/core/Bitmaps.h"

class TcxImageList;

class TcxImageInfo : public TPersistent {
public:
    VZ_CLASS(TcxImageInfo, TPersistent)
    TcxImageInfo();
    ~TcxImageInfo() override;

    TcxCustomBitmap* Image() const { return image_.get(); }
    TcxCustomBitmap* Mask() const { return mask_.get(); }
    TColor MaskColor = clNone;

    void Assign(TPersistent* source) override;
    // Copies the bitmap (nullptr empties it) and makes its handle at once.
    void AssignImage(TBitmap* bitmap);
    void AssignMask(TBitmap* bitmap);

private:
    std::unique_ptr<TcxCustomBitmap> image_;
    std::unique_ptr<TcxCustomBitmap> mask_;
};

class TcxImageInfoItem : public TCollectionItem {
public:
    VZ_CLASS(TcxImageInfoItem, TCollectionItem)
    TcxImageInfoItem();
    ~TcxImageInfoItem() override;

    TcxImageInfo* ImageInfo() const { return imageInfo_.get(); }
    TcxCustomBitmap* Image() const { return imageInfo_->Image(); }
    void SetImage(TBitmap* bitmap) { imageInfo_->AssignImage(bitmap); }
    TcxCustomBitmap* Mask() const { return imageInfo_->Mask(); }
    void SetMask(TBitmap* bitmap) { imageInfo_->AssignMask(bitmap); }
    TColor MaskColor() const { return imageInfo_->MaskColor; }
    void SetMaskColor(TColor color) { imageInfo_->MaskColor = color; }
    // Both bitmaps compress their stored form.
    bool CompressData() const;
    void SetCompressData(bool value);

    void Assign(TPersistent* source) override;
    // "Image" and "Mask" hold the bitmaps' stored data, "MaskColor" is stored unless clNone.
    void DefineProperties(TFiler* filer) override;

private:
    std::unique_ptr<TcxImageInfo> imageInfo_;
};

class TcxImageInfoCollection : public TCollection {
public:
    VZ_CLASS(TcxImageInfoCollection, TCollection)
    explicit TcxImageInfoCollection(TcxImageList* imageList = nullptr);

    TcxImageList* ImageList() const { return imageList_; }
    TcxImageInfoItem* Items(int index) const {
        return static_cast<TcxImageInfoItem*>(TCollection::Items(index));
    }
    // The bitmaps are copied.
    TcxImageInfoItem* Add(TBitmap* image, TBitmap* mask, TColor maskColor);
    // -1 clears the collection.
    void Delete(int index);
    bool CompressData() const { return compressData_; }
    void SetCompressData(bool value);
    TPersistent* GetOwner() override;

protected:
    // New items take the collection's CompressData.
    void Notify(TCollectionItem* item, TCollectionNotification action) override;

private:
    TcxImageList* imageList_;
    bool compressData_ = false;
};

class TcxImageList : public TDragImageList {
public:
    VZ_CLASS(TcxImageList, TDragImageList)
    explicit TcxImageList(TComponent* owner = nullptr);
    TcxImageList(int width, int height);
    ~TcxImageList() override;

    bool AlphaBlending = true;
    int FormatVersion = 0;
    TcxImageInfoCollection* ImageInfo() const { return imageInfo_.get(); }
    bool Rebuilding() const { return rebuilding_; }
    bool CompressData() const { return imageInfo_->CompressData(); }
    void SetCompressData(bool value) { imageInfo_->SetCompressData(value); }

    // One platform image and one item per tile when the bitmap is a whole multiple of the image
    // size, else one of each for its top-left image; the index of the first, or -1.
    int AddImage(TBitmap* image, TBitmap* mask);
    int AddWithMaskColor(TBitmap* image, TColor maskColor);
    void DeleteImage(int index); // -1 removes all
    void ClearImages() { DeleteImage(-1); }
    void BeginChange() { ++lockCount_; }
    void EndChange(bool notify = true);
    bool IsChangeLocked() const { return lockCount_ > 0; }

    // The image and mask (each when given) of a valid index.
    void GetImage(int index, TBitmap* image, TBitmap* mask);
    void CopyImageInfo(int index, TcxImageInfo* info);
    int AddFromImageInfo(TcxImageInfo* info);
    void RebuildFromImageInfo();
    void CaptureImageInfo();

    // From an image list only; anything else is ignored.
    void Assign(TPersistent* source) override;
    // "CompressData", "Height" and "Width" unless default, "FormatVersion", "DesignInfo" and
    // "ImageInfo"; while reading also the platform list's strip, captured into ImageInfo.
    void DefineProperties(TFiler* filer) override;

protected:
    void Change() override;
    void DoDraw(int index, TCanvas& canvas, int x, int y, UINT style, bool enabled) override;

private:
    void Initialize();
    void RecordImageInfo(TBitmap* image, TBitmap* mask, TColor maskColor);
    // Adds one platform image per tile that recording makes; rolls back on a refusal.
    int AddTiles(TBitmap* image, TBitmap* mask, TColor maskColor);

    std::unique_ptr<TcxImageInfoCollection> imageInfo_;
    int lockCount_ = 0;
    bool rebuilding_ = false;
};

// Routines on platform image lists and bitmaps.
// index -1: the whole strip (image 0 asked for).
void GetImageListBitmaps(HIMAGELIST list, int index, TBitmap* mask, TBitmap* image);
void CopyImageListBitmap(HBITMAP source, TBitmap* dest, bool whole, const RECT& imageRect);
HBITMAP DuplicateBitmapHandle(HBITMAP handle);
int GetImageListBitsPerPixel(HIMAGELIST list);
// Same count and the same bytes as the platform serialises them.
bool ImageListsEqual(TCustomImageList* a, TCustomImageList* b);
void CopyWholeBitmap(TBitmap* dest, TBitmap* source);
void CopyBitmapSized(TBitmap* dest, TBitmap* source);
std::unique_ptr<TBitmap> CloneBitmap(TBitmap* source);

// The rectangles in which recording cuts a bitmap of that size for images of the list's size:
// tiles row by row when it is a whole multiple other than one image, else the whole bitmap.
std::vector<TRect> ImageTileRects(int bitmapWidth, int bitmapHeight, int width, int height);

// Drawing: mode 0 enabled, 1 disabled.
void DrawImageWithEffect(HDC dc, const TRect& r, int mode, TcxImageList* list, int index);
void AddImageShadow(TcxBitmap* image, TcxBitmap* mask, TColor color);
void DrawBitmapWithAlpha(TBitmap* source, TBitmap* dest, const TRect& destRect, bool smooth, BYTE alpha);
void ApplyMaskBitmap(TcxBitmap* dest, TBitmap* mask);
// One shared buffer each, resized and erased on every call; freed at the graphics unit's end.
TcxBitmap* GetDrawBuffer(int width, int height);
TcxBitmap* GetDrawImageBuffer(int width, int height);
TcxBitmap* GetDrawMaskBuffer(int width, int height);
void FreeDrawBuffers();

#include "ui/core/PainterRegistry.h"

#include <algorithm>

namespace {
std::unique_ptr<TcxExtendedStylePainters> registry;
}

int TcxExtendedStylePainters::IndexOfName(const AnsiString& name) const {
    for (int i = 0; i < Count(); ++i)
        if (SameText(Items(i)->Name, name)) return i;
    return -1;
}

void TcxExtendedStylePainters::NotifyListeners(TcxCustomLookAndFeelPainterClass painter) {
    // From the last to the first; a listener may leave while it is told.
    for (int i = static_cast<int>(listeners_.size()) - 1; i >= 0; --i) {
        if (i >= static_cast<int>(listeners_.size())) continue;
        listeners_[i]->PainterListChanged(painter);
    }
}

bool TcxExtendedStylePainters::Register(const AnsiString& name, TcxCustomLookAndFeelPainterClass painter,
                                        std::unique_ptr<TObject>&& data) {
    if (IndexOfName(name) >= 0) return false;
    Add(new TcxExtendedStylePainterInfo(name, painter, std::move(data)));
    Sort([](void* a, void* b) {
        return AnsiCompareStr(static_cast<TcxExtendedStylePainterInfo*>(a)->Name,
                              static_cast<TcxExtendedStylePainterInfo*>(b)->Name);
    });
    NotifyListeners(painter);
    return true;
}

bool TcxExtendedStylePainters::Unregister(const AnsiString& name) {
    int index = IndexOfName(name);
    if (index < 0) return false;
    std::unique_ptr<TcxExtendedStylePainterInfo> entry(Items(index));
    Delete(index);
    NotifyListeners(entry->Painter);
    return true;
}

bool TcxExtendedStylePainters::FindPainterOfName(const AnsiString& name,
                                                 TcxCustomLookAndFeelPainterClass& painter) const {
    int index = IndexOfName(name);
    if (index >= 0) painter = Items(index)->Painter;
    return index >= 0;
}

bool TcxExtendedStylePainters::FindNameOfPainter(TcxCustomLookAndFeelPainterClass painter,
                                                 AnsiString& name) const {
    name.clear();
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Painter == painter) {
            name = Items(i)->Name;
            return true;
        }
    return false;
}

bool TcxExtendedStylePainters::FindDataOfPainter(TcxCustomLookAndFeelPainterClass painter,
                                                 TObject*& data) const {
    data = nullptr;
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Painter == painter) {
            data = Items(i)->Data.get();
            return true;
        }
    return false;
}

void TcxExtendedStylePainters::AttachListener(IcxPainterRegistryListener* listener) {
    if (listener && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void TcxExtendedStylePainters::RemoveListener(IcxPainterRegistryListener* listener) {
    auto it = std::find(listeners_.begin(), listeners_.end(), listener);
    if (it != listeners_.end()) listeners_.erase(it);
}

TcxExtendedStylePainters* GetStylePainterRegistry() {
    return registry.get();
}

void CreateStylePainterRegistry() {
    if (!registry) registry = std::make_unique<TcxExtendedStylePainters>();
}

void FreeStylePainterRegistry() {
    registry.reset();
}

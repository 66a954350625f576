#pragma once
// Painters published under a name: every skin registers its painter here, and look-and-feel
// settings find the painter of their skin name.
#include <memory>
#include <vector>

#include "ui/core/CoreClasses.h"
#include "ui/core/LookAndFeelPainters.h"

class IcxPainterRegistryListener {
public:
    virtual void PainterListChanged(TcxCustomLookAndFeelPainterClass painter) = 0;

protected:
    ~IcxPainterRegistryListener() = default;
};

class TcxExtendedStylePainterInfo : public TObject {
public:
    VZ_CLASS(TcxExtendedStylePainterInfo, TObject)
    TcxExtendedStylePainterInfo(const AnsiString& name, TcxCustomLookAndFeelPainterClass painter,
                                std::unique_ptr<TObject> data)
        : Name(name), Painter(painter), Data(std::move(data)) {}

    AnsiString Name;
    TcxCustomLookAndFeelPainterClass Painter;
    std::unique_ptr<TObject> Data; // describes the painter (a skin's painter info)
};

// Owns its entries, kept sorted by name in the user's locale; lookups ignore letter case.
class TcxExtendedStylePainters : public TcxObjectList {
public:
    VZ_CLASS(TcxExtendedStylePainters, TcxObjectList)
    TcxExtendedStylePainters() = default;

    // False, storing nothing, when a painter of that name exists: data then stays the caller's
    // (it is moved from only on success; pass a std::unique_ptr<TObject>). Listeners hear of a new entry from
    // the last to the first.
    bool Register(const AnsiString& name, TcxCustomLookAndFeelPainterClass painter,
                  std::unique_ptr<TObject>&& data);
    // False when no entry has that name. Listeners hear of it before the entry and its data go.
    bool Unregister(const AnsiString& name);
    bool FindPainterOfName(const AnsiString& name, TcxCustomLookAndFeelPainterClass& painter) const;
    // The first entry in list order with that painter.
    bool FindNameOfPainter(TcxCustomLookAndFeelPainterClass painter, AnsiString& name) const;
    bool FindDataOfPainter(TcxCustomLookAndFeelPainterClass painter, TObject*& data) const;

    void AttachListener(IcxPainterRegistryListener* listener);
    void RemoveListener(IcxPainterRegistryListener* listener);
    int ListenerCount() const { return static_cast<int>(listeners_.size()); }

    TcxExtendedStylePainterInfo* Items(int index) const {
        return static_cast<TcxExtendedStylePainterInfo*>(ItemAt(index));
    }
    const AnsiString& Names(int index) const { return Items(index)->Name; }
    TcxCustomLookAndFeelPainterClass Painters(int index) const { return Items(index)->Painter; }

private:
    int IndexOfName(const AnsiString& name) const;
    void NotifyListeners(TcxCustomLookAndFeelPainterClass painter);

    std::vector<IcxPainterRegistryListener*> listeners_;
};

// The one registry; nullptr before the painters unit starts and after it ends.
TcxExtendedStylePainters* GetStylePainterRegistry();
void CreateStylePainterRegistry();
void FreeStylePainterRegistry();

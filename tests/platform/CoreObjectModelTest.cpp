#include <gtest/gtest.h>

#include <memory>

#include "platform/core/Classes.h"

namespace {
class TShape : public TPersistent {
public:
    VZ_CLASS(TShape, TPersistent)
    virtual int Corners() const = 0;
};
class TSquare : public TShape {
public:
    VZ_CLASS(TSquare, TShape)
    int Corners() const override { return 4; }
};
class TWidget : public TComponent {
public:
    VZ_CLASS(TWidget, TComponent)
    using TComponent::TComponent;
};
class TUnregistered : public TSquare {
public:
    VZ_CLASS(TUnregistered, TSquare)
};
} // namespace

TEST(CoreObjectModel, ClassReferencesNameAndAnswerInheritance) {
    TClass square = TSquare::StaticClass();
    EXPECT_EQ("TSquare", square->ClassName());
    EXPECT_EQ(TShape::StaticClass(), square->ClassParent());
    EXPECT_EQ(TObject::StaticClass(), TPersistent::StaticClass()->ClassParent());
    EXPECT_EQ(nullptr, TObject::StaticClass()->ClassParent());
    const struct {
        TClass cls, ancestor;
        bool inherits;
    } cases[] = {
        {square, square, true},
        {square, TShape::StaticClass(), true},
        {square, TObject::StaticClass(), true},
        {TShape::StaticClass(), square, false},
        {TWidget::StaticClass(), TPersistent::StaticClass(), true},
        {TWidget::StaticClass(), TShape::StaticClass(), false},
        {TStringList::StaticClass(), TStrings::StaticClass(), true},
        {TFileStream::StaticClass(), TStream::StaticClass(), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.inherits, c.cls->InheritsFrom(c.ancestor))
            << c.cls->ClassName() << " " << c.ancestor->ClassName();

    TSquare s;
    TShape& asShape = s;
    EXPECT_EQ("TSquare", asShape.ClassName());
    EXPECT_EQ(square, asShape.ClassType());
    EXPECT_TRUE(asShape.InheritsFrom(TPersistent::StaticClass()));
}

TEST(CoreObjectModel, MetaclassCreatesInstancesOfTheRightClass) {
    TClass shapeClass = TSquare::StaticClass();
    std::unique_ptr<TShape> shape = shapeClass->Create<TShape>();
    EXPECT_EQ(4, shape->Corners());
    EXPECT_EQ(shapeClass, shape->ClassType());
    EXPECT_FALSE(TShape::StaticClass()->CanCreate());
    try {
        TShape::StaticClass()->CreateInstance();
        FAIL();
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ("Cannot create an instance of abstract class TShape", e.Message());
    }
    EXPECT_THROW(shapeClass->Create<TComponent>(), EInvalidCast);

    // Components are created into their owner, which frees them.
    TComponent owner(nullptr);
    TObject* widget = TWidget::StaticClass()->CreateInstance(&owner);
    EXPECT_EQ(1, owner.ComponentCount());
    EXPECT_EQ(widget, owner.Components(0));
    EXPECT_EQ("TWidget", widget->ClassName());
}

TEST(CoreObjectModel, RegistryFindsClassesByNameIgnoringCase) {
    RegisterClasses({TSquare::StaticClass(), TWidget::StaticClass()});
    RegisterClass(TSquare::StaticClass()); // again: harmless
    EXPECT_EQ(TSquare::StaticClass(), FindClass("tsquare"));
    EXPECT_EQ(TWidget::StaticClass(), GetClass("TWIDGET"));
    EXPECT_EQ(nullptr, GetClass("TUnregistered"));
    try {
        FindClass("TUnregistered");
        FAIL();
    } catch (const EClassNotFound& e) {
        EXPECT_EQ("Class TUnregistered not found", e.Message());
    }
    // Another class under a taken name is refused.
    struct Impostor : TObject {
        static TClass StaticClass() {
            static const TMetaClass meta("TSquare", TObject::StaticClass(), nullptr);
            return &meta;
        }
    };
    EXPECT_THROW(RegisterClass(Impostor::StaticClass()), EComponentError);
    UnRegisterClass(TSquare::StaticClass());
    EXPECT_EQ(nullptr, GetClass("TSquare"));
    UnRegisterClass(TWidget::StaticClass());
}

TEST(CoreList, IndexesMovesAndErrors) {
    int a = 1, b = 2, c = 3;
    TList list;
    list.Add(&a);
    list.Add(&b);
    list.Insert(0, &c);
    EXPECT_EQ(3, list.Count());
    EXPECT_EQ(&c, list[0]);
    EXPECT_EQ(2, list.IndexOf(&b));
    list.Move(0, 2);
    EXPECT_EQ(&c, list.Last());
    list.Exchange(0, 1);
    EXPECT_EQ(&b, list.First());
    list.Sort([](void* x, void* y) { return *static_cast<int*>(x) - *static_cast<int*>(y); });
    EXPECT_EQ(&a, list[0]);
    EXPECT_EQ(&c, list[2]);
    EXPECT_EQ(1, list.Remove(&b));
    EXPECT_EQ(-1, list.Remove(&b));
    EXPECT_EQ(&a, list.Extract(&a));
    list.Add(nullptr);
    list.Pack();
    EXPECT_EQ(1, list.Count());
    for (int bad : {-1, 1, 5}) {
        try {
            list.Items(bad);
            FAIL();
        } catch (const EListError& e) {
            EXPECT_EQ(Format("List index out of bounds (%d)", {bad}), e.Message());
        }
    }
    EXPECT_THROW(list.Insert(3, &a), EListError);
    EXPECT_THROW(list.Delete(1), EListError);
    list.Clear();
    EXPECT_EQ(0, list.Count());
}

TEST(CoreList, ObjectListFreesWhatItOwns) {
    int freed = 0;
    struct TCounted : TObject {
        explicit TCounted(int& n) : count(n) {}
        ~TCounted() override { ++count; }
        int& count;
    };
    {
        TObjectList list;
        list.Add(new TCounted(freed));
        auto* kept = new TCounted(freed);
        list.Add(kept);
        list.Add(new TCounted(freed));
        list.Delete(0);
        EXPECT_EQ(1, freed);
        EXPECT_EQ(kept, list.Extract(kept)); // extracted: not freed
        delete kept;
        EXPECT_EQ(2, freed);
    }
    EXPECT_EQ(3, freed);
    TObjectList notOwning(false);
    TCounted stays(freed);
    notOwning.Add(&stays);
    notOwning.Clear();
    EXPECT_EQ(3, freed);
}

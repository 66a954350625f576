#include "data/memory/SharedObject.h"

void TSharedObject::Release() {
    Assert(refCount_ > 0, ClassName() + ".Free RefCount = " + IntToStr(refCount_));
    if (refCount_ == 1)
        delete this;
    else
        --refCount_;
}

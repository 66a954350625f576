#pragma once
// Errors of the data-access layers.
#include <cstdint>

#include "platform/db/DBTypes.h"

class TObject;

// Base of every error the data-access layers raise. ErrorCode is set by the raising layer (the
// ODBC return code, for example); Component names the component or internal object the error
// belongs to (not owned).
class EDAError : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
    // The connection is lost or unusable.
    virtual bool IsFatalError() const { return false; }
    virtual bool IsKeyViolation() const { return false; }

    int32_t ErrorCode = 0;
    TObject* Component = nullptr;
};

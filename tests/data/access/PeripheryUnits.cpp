// The transport's unit runs for the whole test program.
#include <gtest/gtest.h>

#include "data/access/CRVioTcp.h"

namespace {
class TPeripheryUnits : public testing::Environment {
public:
    void SetUp() override { CRVioInitialize(); }
    void TearDown() override { CRVioFinalize(); }
};

testing::Environment* const peripheryUnits = testing::AddGlobalTestEnvironment(new TPeripheryUnits);
} // namespace

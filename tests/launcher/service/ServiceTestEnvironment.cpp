// The service tests' process: COM, the globals, the settings object and the service registrations.
#include <gtest/gtest.h>
#include <ole2.h>

#include "launcher/LauncherUnits.h"
#include "platform/core/UnitTable.h"

namespace {

class ServiceEnvironment : public testing::Environment {
public:
    void SetUp() override {
        CoInitialize(nullptr);
        InitializeUnits(SelectUnits(LauncherUnits(), {"Globals", "SysConfig", "CustomServiceEntry"}));
    }
    void TearDown() override {
        FinalizeUnits();
        CoUninitialize();
    }
};

[[maybe_unused]] testing::Environment* const kEnvironment =
    testing::AddGlobalTestEnvironment(new ServiceEnvironment);

} // namespace

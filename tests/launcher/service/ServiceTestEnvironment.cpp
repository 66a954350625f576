// The service tests' process: COM, the globals, the settings object and the service registrations.
#include <gtest/gtest.h>
#include <ole2.h>

#include "launcher/CustomServiceEntry.h"
#include "launcher/Globals.h"
#include "launcher/SysConfig.h"

namespace {

class ServiceEnvironment : public testing::Environment {
public:
    void SetUp() override {
        CoInitialize(nullptr);
        GlobalsInitialize();
        SysConfigInitialize();
        ServiceEntryInitialize();
    }
    void TearDown() override {
        ServiceEntryFinalize();
        SysConfigFinalize();
        GlobalsFinalize();
        CoUninitialize();
    }
};

[[maybe_unused]] testing::Environment* const kEnvironment =
    testing::AddGlobalTestEnvironment(new ServiceEnvironment);

} // namespace

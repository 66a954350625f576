#include "launcher/SysConfig.h"

#include "launcher/AppList.h"

TSytemConfig* SystemConfig = nullptr;

TSytemConfig::TSytemConfig() : cache_(new TAppList(false)) {}

TSytemConfig::~TSytemConfig() {
    FreeListAndObjects(cache_);
}

AnsiString TSytemConfig::GetValue(const AnsiString& key) {
    return cache_ ? cache_->GetValue(key) : AnsiString();
}

void TSytemConfig::SetCache(TAppList* cache) {
    if (cache == cache_) return;
    FreeListAndObjects(cache_);
    cache_ = cache;
}

AnsiString TSytemConfig::KeyClass(const AnsiString& key) {
    size_t dot = key.find('.');
    return dot == AnsiString::npos ? AnsiString() : key.substr(0, dot);
}

AnsiString TSytemConfig::KeyName(const AnsiString& key) {
    size_t dot = key.find('.');
    return dot == AnsiString::npos ? key : key.substr(dot + 1);
}

void SysConfigInitialize() {
    if (!SystemConfig) SystemConfig = new TSytemConfig();
}

void SysConfigFinalize() {
    delete SystemConfig;
    SystemConfig = nullptr;
}

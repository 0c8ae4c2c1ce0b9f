#include "SystemJunkModule/BVLogItem.h"

#include <algorithm>

#include "Foundation/BVFileIO.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

BVLogItem::BVLogItem(std::string path, const BVPaths& paths, const std::vector<std::string>& quarantineStores)
    : url_(std::move(path)) {
    std::string name = BVFileIO::lastPathComponent(url_);
    auto dot = name.find_last_of('.');
    rawName_ = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    identifier_ = rawName_;
    if (rawName_ == "CrashReporter" || rawName_ == "HangReporter" || rawName_ == "DiagnosticReports")
        type_ = BVLogItemTypeCrashReport;
    else if (std::find(quarantineStores.begin(), quarantineStores.end(), url_) != quarantineStores.end())
        type_ = BVLogItemTypeQuarantine;
    else if (paths.diagnosticsLogs() == url_)
        type_ = BVLogItemTypeDiagnostics;
    else if (paths.aslLogs() == url_)
        type_ = BVLogItemTypeASL;
}

bool BVLogItem::isEqual(const BVObject& other) const {
    auto item = dynamic_cast<const BVLogItem*>(&other);
    return item && item->url_ == url_;
}

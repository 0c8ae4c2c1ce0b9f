#include "ScanningService/CoreScanning/BVCannedResults.h"

#include "Foundation/BVFileIO.h"
#include "Foundation/BVJSONCodec.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVPaths.h"

BVCannedEntityRegistry& BVCannedEntityRegistry::shared() {
    static BVCannedEntityRegistry* registry = new BVCannedEntityRegistry();
    return *registry;
}

void BVCannedEntityRegistry::registerClass(const std::string& className, Factory factory) {
    std::lock_guard lock(mutex_);
    factories_[className] = std::move(factory);
}

bool BVCannedEntityRegistry::hasClass(const std::string& className) const {
    std::lock_guard lock(mutex_);
    return factories_.count(className) > 0;
}

BVEntityPtr BVCannedEntityRegistry::entityFromJSONDictionary(const BVValue& dictionary) const {
    Factory factory;
    {
        std::lock_guard lock(mutex_);
        auto it = factories_.find(dictionary["classname"].stringValue());
        if (it == factories_.end()) return nullptr;
        factory = it->second;
    }
    return factory(dictionary);
}

std::string brk_stripCommentLines(const std::string& text) {
    std::string out;
    size_t start = 0;
    bool first = true;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        size_t b = line.find_first_not_of(" \t\r\f\v");
        bool comment = b != std::string::npos && line.compare(b, 2, "//") == 0;
        if (!comment) {
            if (!first) out += '\n';
            out += line;
            first = false;
        }
        start = end + 1;
    }
    return out;
}

BVScanResultPtr brk_scanResultFromJSONIndentifier(const std::string& name) {
    auto paths = BVPaths::sharedInstance();
    std::string folder = paths->expandTilde("~/BRKX/Tasks");
    return brk_scanResultFromJSONAtPath(BVFileIO::appendPathComponent(folder, name + ".json"));
}

BVScanResultPtr brk_scanResultFromJSONAtPath(const std::string& path) {
    std::string text;
    if (!BVFileIO::readFile(path, text, BVJSONCodec::kMaximumInputBytes)) {
        BVLogger::info(fmt::format("Cannot read json. Will go with empty implementation [{}]", path));
        return nullptr;
    }
    std::string cleaned = brk_stripCommentLines(text);
    std::string error;
    auto value = BVJSONCodec::decode(cleaned, &error);
    if (!value) {
        BVLogger::error(fmt::format("Cannot read json (incorrect format). Will go with empty implementation [{}], ({})\n{}",
                                    path, error, cleaned));
        return nullptr;
    }
    return BVScanResult::fromJSONDictionary(*value);
}

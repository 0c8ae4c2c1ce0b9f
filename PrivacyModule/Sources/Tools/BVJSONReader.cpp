#include "PrivacyModule/Sources/Tools/BVJSONReader.h"

#include "Foundation/BVFileReplacement.h"
#include "Foundation/BVJSONCodec.h"

namespace {
constexpr const char* kDomain = "BVJSONReaderErrorDomain";
}

std::optional<nlohmann::ordered_json> BVJSONReader::readJsonAtPath(const std::string& path, BVError* error) const {
    std::string text;
    if (!BVFileReplacement::readFile(paths_->resolver(), path, text, BVJSONCodec::kMaximumInputBytes, error)) return std::nullopt;
    try {
        return nlohmann::ordered_json::parse(text);
    } catch (const std::exception& e) {
        BVSetError(error, BVError::withDescription(kDomain, 2, path + ": " + e.what()));
        return std::nullopt;
    }
}

bool BVJSONReader::writeJSON(const nlohmann::ordered_json& object, const std::string& path, BVError* error, bool pretty) const {
    std::string text = object.dump(pretty ? 4 : -1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    return BVFileReplacement::replaceFile(paths_->resolver(), path, text, error);
}

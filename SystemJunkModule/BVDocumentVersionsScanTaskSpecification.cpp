#include "SystemJunkModule/BVDocumentVersionsScanTaskSpecification.h"

namespace {

std::optional<std::string> stringFor(const BVDictionary* entry, const char* key) {
    if (!entry) return std::nullopt;
    auto it = entry->find(key);
    if (it == entry->end() || !it->second.isString()) return std::nullopt;
    return it->second.stringValue();
}

}  // namespace

BVDocumentVersionsScanTaskSpecification::BVDocumentVersionsScanTaskSpecification(std::vector<BVDictionary> fileTypesInfo)
    : fileTypesInfo_(std::move(fileTypesInfo)) {
    for (const auto& entry : fileTypesInfo_)
        if (auto it = entry.find(BVDocumentVersionsScanTaskSpecificationContentTypesKey); it != entry.end())
            for (const auto& type : it->second.arrayValue())
                if (type.isString()) fileTypes_.insert(type.stringValue());
}

std::shared_ptr<const BVDocumentVersionsScanTaskSpecification> BVDocumentVersionsScanTaskSpecification::builtIn() {
    return BVDocumentVersionsScanTaskSpecificationBuilder()
        .addApplicationName("Sketch", "com.bohemiancoding.sketch3",
                            {"com.bohemiancoding.sketch.drawing.single", "com.bohemiancoding.sketch.drawing"})
        .addApplicationName("Pages", "com.apple.iwork.pages",
                            {"com.apple.iwork.pages.sffpages", "com.apple.iwork.pages.pages", "com.apple.iwork.pages.pages-tef"})
        .addApplicationName("Keynote", "com.apple.iwork.keynote",
                            {"com.apple.iwork.keynote.sffkey", "com.apple.iwork.keynote.key", "com.apple.iwork.keynote.key-tef"})
        .addApplicationName("Numbers", "com.apple.iwork.numbers",
                            {"com.apple.iwork.numbers.numbers", "com.apple.iwork.numbers.sffnumbers",
                             "com.apple.iwork.numbers.numbers-tef"})
        .build();
}

const BVDictionary* BVDocumentVersionsScanTaskSpecification::entryForFileType(const std::string& type) const {
    for (const auto& entry : fileTypesInfo_) {
        auto it = entry.find(BVDocumentVersionsScanTaskSpecificationContentTypesKey);
        if (it == entry.end()) continue;
        for (const auto& t : it->second.arrayValue())
            if (t.isString() && t.stringValue() == type) return &entry;
    }
    return nullptr;
}

std::optional<std::string> BVDocumentVersionsScanTaskSpecification::applicationNameForFileType(const std::string& type) const {
    return stringFor(entryForFileType(type), BVDocumentVersionsScanTaskSpecificationNameKey);
}

std::optional<std::string> BVDocumentVersionsScanTaskSpecification::applicationBundleIdentifierForFileType(
    const std::string& type) const {
    return stringFor(entryForFileType(type), BVDocumentVersionsScanTaskSpecificationIdentifierKey);
}

std::optional<std::string> BVDocumentVersionsScanTaskSpecification::applicationNameForBundleIdentifier(
    const std::string& bundleIdentifier) const {
    for (const auto& entry : fileTypesInfo_)
        if (stringFor(&entry, BVDocumentVersionsScanTaskSpecificationIdentifierKey) == bundleIdentifier)
            return stringFor(&entry, BVDocumentVersionsScanTaskSpecificationNameKey);
    return std::nullopt;
}

BVDocumentVersionsScanTaskSpecificationBuilder& BVDocumentVersionsScanTaskSpecificationBuilder::addApplicationName(
    const std::string& name, const std::string& bundleIdentifier, const std::set<std::string>& contentTypes) {
    BVArray types;
    for (const auto& t : contentTypes) types.push_back(BVValue(t));
    entries_.push_back(BVDictionary{{BVDocumentVersionsScanTaskSpecificationNameKey, BVValue(name)},
                                    {BVDocumentVersionsScanTaskSpecificationIdentifierKey, BVValue(bundleIdentifier)},
                                    {BVDocumentVersionsScanTaskSpecificationContentTypesKey, BVValue(std::move(types))}});
    return *this;
}

std::shared_ptr<const BVDocumentVersionsScanTaskSpecification> BVDocumentVersionsScanTaskSpecificationBuilder::build() const {
    return std::make_shared<const BVDocumentVersionsScanTaskSpecification>(entries_);
}

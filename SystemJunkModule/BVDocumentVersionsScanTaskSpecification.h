// BVDocumentVersionsScanTaskSpecification: which applications' documents the document-versions
// scan looks at, each entry an application's name, bundle identifier and the content types of
// its documents, in the order they were added; `fileTypes` is the union of the content types.
// Look-ups answer the first matching entry. BVDocumentVersionsScanTaskSpecificationBuilder
// accumulates entries. The specification is immutable once built and safe from any thread; a
// builder is used on one thread.
#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Foundation/BVValue.h"

inline constexpr const char* BVDocumentVersionsScanTaskSpecificationNameKey = "BVDocumentVersionsScanTaskSpecificationNameKey";
inline constexpr const char* BVDocumentVersionsScanTaskSpecificationIdentifierKey =
    "BVDocumentVersionsScanTaskSpecificationIdentifierKey";
// An array of content-type strings.
inline constexpr const char* BVDocumentVersionsScanTaskSpecificationContentTypesKey =
    "BVDocumentVersionsScanTaskSpecificationContentTypesKey";

class BVDocumentVersionsScanTaskSpecification {
public:
    explicit BVDocumentVersionsScanTaskSpecification(std::vector<BVDictionary> fileTypesInfo);
    // The applications whose versioned documents are offered, with their content types.
    static std::shared_ptr<const BVDocumentVersionsScanTaskSpecification> builtIn();

    const std::set<std::string>& fileTypes() const { return fileTypes_; }
    const std::vector<BVDictionary>& fileTypesInfo() const { return fileTypesInfo_; }

    std::optional<std::string> applicationNameForFileType(const std::string& type) const;
    std::optional<std::string> applicationBundleIdentifierForFileType(const std::string& type) const;
    std::optional<std::string> applicationNameForBundleIdentifier(const std::string& bundleIdentifier) const;

private:
    const BVDictionary* entryForFileType(const std::string& type) const;

    std::vector<BVDictionary> fileTypesInfo_;
    std::set<std::string> fileTypes_;
};

class BVDocumentVersionsScanTaskSpecificationBuilder {
public:
    BVDocumentVersionsScanTaskSpecificationBuilder& addApplicationName(const std::string& name, const std::string& bundleIdentifier,
                                                                       const std::set<std::string>& contentTypes);
    std::shared_ptr<const BVDocumentVersionsScanTaskSpecification> build() const;

private:
    std::vector<BVDictionary> entries_;
};

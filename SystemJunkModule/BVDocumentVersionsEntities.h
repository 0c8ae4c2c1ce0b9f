// The entities of the document-versions scan: an application (its value is its bundle
// identifier) whose children are its documents, and a document (its value is its URL) whose
// children are its stored versions (BVFileVersionModel, removed from the version store).
// Built by one scan thread; not synchronised (see BVTreeEntity).
#pragma once

#include "ScanningService/CoreScanning/BVDisplayNamedEntity.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"
#include "ScanningService/CoreScanning/BVURLRepresentableModel.h"

class BVDocumentApplication : public BVTreeEntity, public BVDisplayNamedEntity {
    BV_ENTITY_CLASS(BVDocumentApplication)
public:
    BVDocumentApplication(std::string bundleIdentifier, std::string applicationName, bool autoselected = false);
    const std::string& bundleIdentifier() const { return bundleIdentifier_; }
    const std::string& applicationName() const { return applicationName_; }
    std::string displayName() const override { return applicationName_.empty() ? bundleIdentifier_ : applicationName_; }

private:
    std::string bundleIdentifier_;
    std::string applicationName_;
};

class BVDocumentVersionFile : public BVTreeEntity, public BVURLRepresentableModel {
    BV_ENTITY_CLASS(BVDocumentVersionFile)
public:
    explicit BVDocumentVersionFile(const std::string& path, bool autoselected = false)
        : BVTreeEntity(BVURL::fileURLWithPath(path), 0, autoselected) {}
    BVURLPtr fileURL() const override { return std::dynamic_pointer_cast<const BVURL>(value()); }
};

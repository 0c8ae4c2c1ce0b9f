#include "SystemJunkModule/BVDocumentVersionsEntities.h"

BVDocumentApplication::BVDocumentApplication(std::string bundleIdentifier, std::string applicationName, bool autoselected)
    : BVTreeEntity(BVValueObject::with(BVValue(bundleIdentifier)), 0, autoselected),
      bundleIdentifier_(std::move(bundleIdentifier)),
      applicationName_(std::move(applicationName)) {}

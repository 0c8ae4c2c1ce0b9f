// The application languages: translations inside applications that the user does not read,
// grouped by language, then by application (see BVLanguagesUtilities for what a translation is
// and the guard that keeps every application at least one).
//
// On the macos layout the applications are the installed ".app" bundles, less those of the
// system (those its integrity protection keeps) and those the user ignores by bundle identifier
// or path; a localisation sealed by the bundle's code signature is never offered (removing it
// would break the signature). A language is preselected unless the user unticked it before, for every
// application or for the one.
//
// On the linux layout the applications are the self-contained application folders (extracted
// AppImages, vendors' bundles) directly in `~/Applications` and in `/opt` (a vendor folder such
// as `/opt/vendor` counts as one). Nothing is preselected there: `/opt` holds packages' files,
// which an upgrade brings back, and self-contained folders rarely name their own language.
//
// When the user's languages cannot be read nothing is offered. A task is built for one scan and
// runs once on one scan-queue thread; its progress may be read from any thread.
#pragma once

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVEnvironment.h"
#include "Foundation/BVSystemInfo.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"
#include "SystemJunkModule/BVAppLangPreferences.h"
#include "SystemJunkModule/BVLanguagesUtilities.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

// An application as the language entities name it (a linux application folder has no bundle
// identifier). Immutable; any thread.
class BVApplicationInfo final : public BVObject {
public:
    BVApplicationInfo(std::string name, std::string path, std::string bundleID = {})
        : name_(std::move(name)), path_(std::move(path)), bundleID_(std::move(bundleID)) {}
    const std::string& name() const { return name_; }
    const std::string& path() const { return path_; }
    const std::string& bundleID() const { return bundleID_; }
    bool isEqual(const BVObject& other) const override;
    size_t hash() const override { return std::hash<std::string>{}(path_); }
    std::string description() const override { return name_; }

private:
    std::string name_;
    std::string path_;
    std::string bundleID_;
};

// One language (the value is its code) in several applications.
class BVApplicationLanguageModel : public BVGroupedSequenceModel {
    BV_ENTITY_CLASS(BVApplicationLanguageModel)
public:
    BVApplicationLanguageModel(const std::string& code, bool autoselected)
        : BVGroupedSequenceModel(BVValueObject::with(BVValue(code)), 0, autoselected), code_(code) {}
    const std::string& languageISOCode() const { return code_; }
    std::vector<BVEntityPtr> applications() const { return children(); }

private:
    std::string code_;
};

// One application's folders of one language.
class BVLocalizedApplicationFilesModel : public BVGroupedSequenceModel {
    BV_ENTITY_CLASS(BVLocalizedApplicationFilesModel)
public:
    BVLocalizedApplicationFilesModel(std::shared_ptr<const BVApplicationInfo> info, bool autoselected)
        : BVGroupedSequenceModel(info, 0, autoselected), info_(std::move(info)) {}
    const std::shared_ptr<const BVApplicationInfo>& applicationInfo() const { return info_; }
    std::vector<BVEntityPtr> files() const { return children(); }

private:
    std::shared_ptr<const BVApplicationInfo> info_;
};

class BVApplicationLanguagesScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVApplicationLanguagesScanTask(std::shared_ptr<const BVPaths> paths, BVSystemInfoPtr systemInfo, BVFileManagerPtr fileManager,
                                   BVJunkKnowledgeBasePtr knowledgeBase, BVAppLangPreferences preferences,
                                   std::shared_ptr<BVPrivilegedOperationsPerformer> performer);
    static std::shared_ptr<BVApplicationLanguagesScanTask> task(const BVEnvironment& environment);

    std::string identifier() const override { return "BVSystemJunkScanIdentifierApplicationLanguages"; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;
    // The applications of the layout (see above), before the ignore list is asked.
    std::vector<std::shared_ptr<const BVApplicationInfo>> userApplications() const;

private:
    std::shared_ptr<const BVPaths> paths_;
    BVSystemInfoPtr systemInfo_;
    BVFileManagerPtr fileManager_;
    BVJunkKnowledgeBasePtr knowledgeBase_;
    BVAppLangPreferences preferences_;
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
};

namespace BVLanguageIgnoreItems {
std::string ignoreItemForAnyApplication(const std::string& code);                   // "de-ANY"
std::string ignoreItemForName(const std::string& code, const std::string& name);    // "de-Name"
std::string ignoreItemRegex(const std::string& code);                               // "^de-.*$"
}  // namespace BVLanguageIgnoreItems

// BVLocalizationLanguageModel: one language (its code is the value) with the folders that hold
// its translations. BVSystemLanguagesScanTask: the system's translations the user does not read,
// grouped by language.
//
// On the macos layout they are the localisations of the bundles (frameworks, plug-ins,
// preference panes, any folder with an extension) in the shared library folders: below each
// folder of "/Library", "~/Library" and, on systems before 10.11, "/System". Folders the user
// ignores, the privacy-protected areas without access, and what the system's integrity
// protection keeps are not entered; hidden entries are skipped. A language is preselected
// unless the user unticked it before.
//
// On the linux layout they are the language folders of the system's message catalogues, manual
// pages and help (`/usr/share/locale/CODE`, `/usr/share/man/CODE`, `/usr/share/help/CODE`). They
// belong to installed packages: never preselected, removed through the agent when the user's
// rights do not reach, and brought back by the next upgrade of their package.
//
// When the user's languages cannot be read nothing is offered. A task is built for one scan and
// runs once on one scan-queue thread; its progress may be read from any thread.
#pragma once

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVEnvironment.h"
#include "ScanningService/CoreScanning/BVTreeEntity.h"
#include "SystemJunkModule/BVAppLangPreferences.h"
#include "SystemJunkModule/BVLanguagesUtilities.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

class BVLocalizationLanguageModel : public BVGroupedSequenceModel {
    BV_ENTITY_CLASS(BVLocalizationLanguageModel)
public:
    BVLocalizationLanguageModel(const std::string& code, bool autoselected)
        : BVGroupedSequenceModel(BVValueObject::with(BVValue(code)), 0, autoselected), code_(code) {}
    const std::string& languageISOCode() const { return code_; }
    std::vector<BVEntityPtr> files() const { return children(); }

private:
    std::string code_;
};

class BVSystemLanguagesScanTask : public BVScanTask, public BVProgressReporting {
public:
    BVSystemLanguagesScanTask(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager,
                              BVJunkKnowledgeBasePtr knowledgeBase, BVAppLangPreferences preferences,
                              std::shared_ptr<BVPrivilegedOperationsPerformer> performer);
    // With the user's languages of the layout.
    static std::shared_ptr<BVSystemLanguagesScanTask> task(const BVEnvironment& environment);

    std::string identifier() const override { return "BVSystemJunkScanIdentifierSystemLanguages"; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;
    // The folders searched for translations (computed once, by layout; the macos ones list
    // folders, so they are computed when first asked).
    const std::vector<std::string>& scanLocations();

private:
    BVLanguageMap macosLanguages(const BVPredicatePtr& filter);
    BVLanguageMap linuxLanguages(const BVPredicatePtr& filter);

    std::shared_ptr<const BVPaths> paths_;
    BVFileManagerPtr fileManager_;
    BVJunkKnowledgeBasePtr knowledgeBase_;
    BVAppLangPreferences preferences_;
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create();
    std::optional<std::vector<std::string>> scanLocations_;
};

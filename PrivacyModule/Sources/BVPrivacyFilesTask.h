// BVPrivacyFilesTask: files of a client that are traces as a whole (Safari's form values and
// last session, a browser's session files). Each named file that exists in the account folder,
// (and each file matching a name prefix) as a file or folder and not a link, and that the user may remove (its folder is writable)
// becomes an entry dated by its creation time (the distant past when unknown), sized by what it
// occupies. The group is a plain privacy group: each entry is removed by the file remover.
#pragma once

#include "Foundation/BVFileManager.h"
#include "PrivacyModule/Sources/BVPrivacyGroupModel.h"
#include "PrivacyModule/Sources/BVPrivacyScanTask.h"

class BVPrivacyFilesTask : public BVPrivacyScanTask {
public:
    BVPrivacyFilesTask(std::string identifier, std::string accountPath, std::vector<std::string> fileNames,
                       std::vector<std::string> dependenciesBundleIDs, BVFileManagerPtr fileManager);
    // Also every file of a folder of the account whose name begins with a prefix:
    // "Sessions/Session_" names the files "Session_*" of the folder "Sessions".
    void setNamePrefixes(std::vector<std::string> prefixes) { namePrefixes_ = std::move(prefixes); }

    const std::string& accountPath() const { return accountPath_; }
    const std::vector<std::string>& fileNames() const { return fileNames_; }

protected:
    std::optional<std::vector<BVEntityPtr>> makeItems(BVError* error) override;

private:
    std::string accountPath_;
    std::vector<std::string> fileNames_;
    std::vector<std::string> namePrefixes_;
    BVFileManagerPtr fileManager_;
};

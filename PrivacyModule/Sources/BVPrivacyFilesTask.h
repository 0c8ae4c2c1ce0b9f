// BVPrivacyFilesTask: files of a client that are traces as a whole (Safari's form values and
// last session, a browser's session files). Each named file that exists in the account folder,
// as a file or folder and not a link, and that the user may remove (its folder is writable)
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

    const std::string& accountPath() const { return accountPath_; }
    const std::vector<std::string>& fileNames() const { return fileNames_; }

protected:
    std::optional<std::vector<BVEntityPtr>> makeItems(BVError* error) override;

private:
    std::string accountPath_;
    std::vector<std::string> fileNames_;
    BVFileManagerPtr fileManager_;
};

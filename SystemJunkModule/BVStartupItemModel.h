// BVStartupItemModel: a broken start-up item: a login item whose program is gone (type 0) or a
// launch agent or daemon whose program is missing (type 1). Its value is the item's path (the
// autostart entry or job description; on macos a login item's application). Removing a login
// item takes it out of the session's list; removing a job unloads and deletes it, through the
// privileged agent when the user's rights are not enough and it is authorised already. Built on
// a scan thread, removed on the clean worker.
#pragma once

#include "Foundation/BVLaunchdManager.h"
#include "Foundation/BVLoginItemsManager.h"
#include "ScanningService/CoreScanning/BVEntity.h"
#include "ScanningService/CoreScanning/BVURLRepresentableModel.h"

class BVPrivilegedOperationsPerformer;

inline constexpr const char* BVStartupItemModelDomain = "BVStartupItemModelDomain";
enum BVStartupItemModelError : int64_t {
    BVStartupItemModelErrorPrivilegedRemoval = 102,  // authorised, and the agent failed too
    BVStartupItemModelErrorNotAuthorized = 103,
};

class BVStartupItemModel : public BVEntity, public BVURLRepresentableModel {
    BV_ENTITY_CLASS(BVStartupItemModel)
public:
    enum Type : uint64_t { LoginItem = 0, LaunchAgent = 1 };
    BVStartupItemModel(const std::string& path, uint64_t size, bool autoselected, std::string name, Type type,
                       BVValue configuration, BVLoginItemsManagerPtr loginItems, BVLaunchdManagerPtr launchd,
                       std::shared_ptr<BVPrivilegedOperationsPerformer> performer);

    const std::string& path() const { return path_; }
    const std::string& name() const { return name_; }
    Type type() const { return type_; }
    const BVValue& configuration() const { return configuration_; }
    BVURLPtr fileURL() const override;
    BVRemovalResultPtr remove() override;

private:
    std::string path_, name_;
    Type type_;
    BVValue configuration_;
    BVLoginItemsManagerPtr loginItems_;
    BVLaunchdManagerPtr launchd_;
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
};

// The login items the optimization module lists: the session's login items
// (BVLaunchServicesLoginItemModel: on linux an autostart entry, on macos an application in the
// login-item list) and the helpers applications register with the service-management facility
// (BVServiceManagementLoginItemModel, macos layout only; they can be switched, never removed).
// Each reads its state from its manager when it is made, switches through it, and keeps the
// state the manager reports afterwards: a switch the platform refused is not an error.
// Built on a scan thread, switched from the command line, removed on the clean worker.
#pragma once

#include "Foundation/BVLoginItemsManager.h"
#include "Foundation/BVServiceManagement.h"
#include "ScanningService/CoreScanning/BVEntity.h"
#include "ScanningService/CoreScanning/BVURLRepresentableModel.h"

class BVLaunchServicesLoginItemModel : public BVEntity, public BVURLRepresentableModel {
    BV_ENTITY_CLASS(BVLaunchServicesLoginItemModel)
public:
    // `applicationURL` is the item's path: the autostart entry on linux, the application on macos.
    BVLaunchServicesLoginItemModel(const std::string& applicationURL, BVLoginItemsManagerPtr loginItemsManager);

    const std::string& applicationURL() const { return applicationURL_; }
    const std::string& name() const { return name_; }
    bool isEnabled() const { return isEnabled_; }
    // Switches the item when the value differs; answers whether it now has that state (the
    // reason of a refusal in `error`).
    bool setIsEnabled(bool enabled, BVError* error = nullptr);
    BVRemovalResultPtr remove() override;
    BVURLPtr fileURL() const override;
    const BVLoginItemsManagerPtr& loginItemsManager() const { return loginItemsManager_; }

private:
    std::string applicationURL_;
    std::string name_;
    bool isEnabled_;
    BVLoginItemsManagerPtr loginItemsManager_;
};

class BVServiceManagementLoginItemModel : public BVEntity {
    BV_ENTITY_CLASS(BVServiceManagementLoginItemModel)
public:
    BVServiceManagementLoginItemModel(const std::string& bundleIdentifier, const std::string& mainApplicationURL,
                                      const std::string& helperApplicationURL, BVServiceManagementPtr serviceManagement);

    const std::string& bundleIdentifier() const { return bundleIdentifier_; }
    const std::string& applicationURL() const { return applicationURL_; }
    const std::string& helperApplicationURL() const { return helperApplicationURL_; }
    const std::string& name() const { return name_; }
    bool isEnabled() const { return isEnabled_; }
    bool isRemovable() const { return false; }
    bool setIsEnabled(bool enabled);
    // Helpers can only be switched: removing one fails and says so.
    BVRemovalResultPtr remove() override;

private:
    std::string bundleIdentifier_, applicationURL_, helperApplicationURL_, name_;
    bool isEnabled_;
    BVServiceManagementPtr serviceManagement_;
};

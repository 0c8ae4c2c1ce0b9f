// BVPolkitAuthorization: BVAuthorization on polkit. Rights are granted per privileged run, so
// `copyRights` only checks that pkexec is there and the dialog appears when
// `executeWithPrivileges` runs "pkexec TOOL ARGS...": pkexec's status 126 (dialog dismissed)
// maps to -60006, 127 (not authorised) to -60005, any other failure to -60031. The prompt text
// cannot be handed to polkit, whose policy supplies its own message. Safe from any thread.
#pragma once

#include "PrivilegedOperationsPerformer/BVAuthorization.h"

class BVPolkitAuthorization final : public BVAuthorization {
public:
    explicit BVPolkitAuthorization(std::string pkexecPath = "/usr/bin/pkexec");
    BVOSStatus create(uint32_t flags) override;
    BVOSStatus copyRights(const std::string& right, const std::string& prompt, uint32_t flags) override;
    BVOSStatus executeWithPrivileges(const std::string& tool, const std::vector<std::string>& arguments) override;
    BVOSStatus free(bool destroyRights) override;

private:
    std::string pkexec_;
};

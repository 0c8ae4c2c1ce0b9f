// BVAgentFileOperations: the agent's requests on files: existence, moving, removing, secure
// removal, moving to the trash, truncating and sizing. Every path goes through the path policy
// first; every change is made relative to the resolved parent folder and never follows a link
// in the last component. Each operation answers its reply values (see Agent/PROTOCOL.md).
// Stateless apart from its configuration; safe from any thread.
#pragma once

#include <string>

#include "Agent/BVAgentPathPolicy.h"
#include "Foundation/BVValue.h"

class BVAgentFileOperations {
public:
    BVAgentFileOperations(const BVAgentPathPolicy& policy, std::string trashFolder);

    BVArray fileExists(const std::string& path) const;
    BVArray move(const std::string& source, const std::string& destination) const;
    BVArray remove(const std::string& path, bool securely) const;
    BVArray moveToTrash(const std::string& path) const;
    BVArray truncate(const std::string& path) const;
    BVArray size(const std::string& path) const;

    // Removes every child of a resolved folder (the folder stays); the first error, if any.
    std::optional<BVError> removeContents(const std::string& folder) const;

private:
    BVArray rename(const BVAgentPath& source, const BVAgentPath& destination) const;

    const BVAgentPathPolicy& policy_;
    std::string trashFolder_;
};

// The reply [ok, error] and [size, error].
BVArray BVAgentOk(bool ok, const std::optional<BVError>& error = std::nullopt);
BVArray BVAgentFailure(const BVError& error);

// Where the program's resources are looked up: first beside the running executable (the build
// puts "info.brkkb" next to `brenvik`), then in "../share/brenvik" relative to it (an installed
// layout: bin/brenvik and share/brenvik/info.brkkb). Stateless; any thread.
#pragma once

#include <string>
#include <vector>

namespace BVKnowledgeBaseResources {
// The folder of the running executable; empty when it cannot be found.
std::string executableFolder();
// Candidate paths of the resource `name`, in lookup order.
std::vector<std::string> candidatesForResource(const std::string& name);
}  // namespace BVKnowledgeBaseResources

// BVKnowledgeBaseKey: the passphrase of the application knowledge base.
//
// The passphrase is not kept as one literal in the binary: it is assembled at run time from short
// pieces and then rotated (the characters from position 19 on, followed by the first 19), so
// a plain search of the executable's strings does not show it. The build's knowledge-base
// generator uses the same function, so the shipped file always opens. Stateless; any thread.
#pragma once

#include <string>

namespace BVKnowledgeBaseKey {
std::string passphrase();
// The rotation applied to the assembled pieces (exposed for its test).
std::string rotate(const std::string& assembled);
}  // namespace BVKnowledgeBaseKey

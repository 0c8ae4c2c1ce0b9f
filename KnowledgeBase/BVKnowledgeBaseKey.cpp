#include "KnowledgeBase/BVKnowledgeBaseKey.h"

#include <array>

namespace BVKnowledgeBaseKey {

std::string rotate(const std::string& assembled) {
    constexpr size_t kRotation = 19;
    if (assembled.size() <= kRotation) return assembled;
    return assembled.substr(kRotation) + assembled.substr(0, kRotation);
}

std::string passphrase() {
    // Pieces are kept short and apart so that no single string in the binary is the key.
    static const std::array<const char*, 9> pieces = {"vK3", "-pQ9", "zt", "Lm4r", "_Wx", "7eH", "s2N-", "dF8", "yaJ0c"};
    std::string assembled;
    for (const char* piece : pieces) assembled += piece;
    return rotate(assembled);
}

}  // namespace BVKnowledgeBaseKey

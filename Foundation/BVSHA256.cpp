#include "Foundation/BVSHA256.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace {

struct Digest {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context{EVP_MD_CTX_new(), &EVP_MD_CTX_free};
    bool ok = context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) == 1;
    void update(const void* data, size_t size) { ok = ok && EVP_DigestUpdate(context.get(), data, size) == 1; }
    std::optional<std::string> finish() {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (!ok || EVP_DigestFinal_ex(context.get(), digest, &length) != 1) return std::nullopt;
        static const char* hex = "0123456789abcdef";
        std::string out;
        for (unsigned int i = 0; i < length; ++i) {
            out += hex[digest[i] >> 4];
            out += hex[digest[i] & 15];
        }
        return out;
    }
};

}  // namespace

namespace BVSHA256 {

std::string hexDigest(const std::string& bytes) {
    Digest d;
    d.update(bytes.data(), bytes.size());
    return d.finish().value_or(std::string());
}

std::optional<std::string> hexDigestOfFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    auto digest = hexDigestOfDescriptor(fd);
    ::close(fd);
    return digest;
}

std::optional<std::string> hexDigestOfDescriptor(int fd) {
    Digest d;
    // Large reads: the digest, not the system calls, should be what a scan of many files costs.
    static thread_local std::unique_ptr<char[]> buffer(new char[1 << 18]);
    for (;;) {
        ssize_t n = ::read(fd, buffer.get(), 1 << 18);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) d.ok = false;
        if (n <= 0) break;
        d.update(buffer.get(), size_t(n));
    }
    return d.finish();
}

bool readDescriptor(int fd, std::string& contents, size_t maximumBytes) {
    contents.clear();
    char buffer[1 << 16];
    while (contents.size() < maximumBytes) {
        size_t want = std::min(sizeof buffer, maximumBytes - contents.size());
        ssize_t n = ::read(fd, buffer, want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        contents.append(buffer, size_t(n));
    }
    return true;
}

}  // namespace BVSHA256

// BVError: a failure as a value. Domain, integer code and user info (with the localised
// description under "NSLocalizedDescription"). Operations return failures through a `BVError*`
// out-parameter or inside results; exceptions are kept for programming errors.
#pragma once

#include <memory>
#include <string>

#include "Foundation/BVValue.h"

inline constexpr const char* BVLocalizedDescriptionKey = "NSLocalizedDescription";
inline constexpr const char* BVUnderlyingErrorKey = "NSUnderlyingError";
inline constexpr const char* BVFilePathErrorKey = "NSFilePath";
// The domains of errors that come from the operating system.
inline constexpr const char* BVPOSIXErrorDomain = "NSPOSIXErrorDomain";
inline constexpr const char* BVOSStatusErrorDomain = "NSOSStatusErrorDomain";

class BVError {
public:
    BVError() = default;
    BVError(std::string domain, int64_t code, BVDictionary userInfo = {});
    static BVError withDescription(std::string domain, int64_t code, const std::string& description);
    // An error of the POSIX domain for `errnoValue`, naming `path` when given. Every mapping from
    // errno to an error value goes through here.
    static BVError fromErrno(int errnoValue, const std::string& path = {});
    // The same error with `reason` in place of the system's text ("path: reason").
    static BVError fromErrno(int errnoValue, const std::string& path, const std::string& reason);
    // The errno of a POSIX-domain error, else 0.
    int posixCode() const;
    // The same error about `path` instead (its description's leading path replaced): a folder's
    // failure reported for the item in it that could not be reached.
    BVError forPath(const std::string& path) const;

    const std::string& domain() const { return domain_; }
    int64_t code() const { return code_; }
    const BVDictionary& userInfo() const { return userInfo_; }
    // The description from user info, else a generic text built from domain and code.
    std::string localizedDescription() const;

    bool operator==(const BVError& other) const;
    size_t hash() const;

private:
    std::string domain_;
    int64_t code_ = 0;
    BVDictionary userInfo_;
};

using BVErrorPtr = std::shared_ptr<const BVError>;

// Stores `error` into `out` when the caller asked for it.
inline void BVSetError(BVError* out, BVError error) {
    if (out) *out = std::move(error);
}

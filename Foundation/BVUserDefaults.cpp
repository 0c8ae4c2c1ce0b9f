#include "Foundation/BVUserDefaults.h"

#include <sys/stat.h>

#include <map>
#include <mutex>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVLogger.h"
#include "Foundation/BVPaths.h"
#include "Foundation/BVPlistCodec.h"

std::shared_ptr<BVUserDefaults> BVUserDefaults::standardUserDefaults() {
    auto paths = BVPaths::sharedInstance();
    return std::make_shared<BVUserDefaults>(paths->userDefaultsFile());
}

namespace {

// A defaults file as last parsed, and what the file was then.
struct ParsedFile {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    struct timespec modified {};
    BVDictionary contents;
    bool damaged = false;
};

struct ParsedFiles {
    std::mutex mutex;  // guards `files` and serialises writes
    std::map<std::string, ParsedFile> files;
};

ParsedFiles& parsedFiles() {
    static auto* files = new ParsedFiles();
    return *files;
}

bool sameFile(const ParsedFile& p, const struct stat& st) {
    return p.device == st.st_dev && p.inode == st.st_ino && p.size == st.st_size &&
           p.modified.tv_sec == st.st_mtim.tv_sec && p.modified.tv_nsec == st.st_mtim.tv_nsec;
}

}  // namespace

BVUserDefaults::BVUserDefaults(std::string filePath) : filePath_(std::move(filePath)) {}

BVDictionary BVUserDefaults::read(bool* damaged) const {
    if (damaged) *damaged = false;
    auto& shared = parsedFiles();
    struct stat st {};
    if (::stat(filePath_.c_str(), &st) != 0) {
        std::lock_guard lock(shared.mutex);
        shared.files.erase(filePath_);
        return {};
    }
    {
        std::lock_guard lock(shared.mutex);
        auto it = shared.files.find(filePath_);
        if (it != shared.files.end() && sameFile(it->second, st)) {
            if (damaged) *damaged = it->second.damaged;
            return it->second.contents;
        }
    }
    std::string error;
    auto value = BVPlistCodec::decodeFile(filePath_, &error);
    ParsedFile parsed{st.st_dev, st.st_ino, st.st_size, st.st_mtim, {}, !value || !value->isDictionary()};
    bool isDamaged = parsed.damaged;
    if (!isDamaged) parsed.contents = value->dictionaryValue();
    if (damaged) *damaged = isDamaged;
    bool first;  // no other thread parsed this same state of the file meanwhile
    BVDictionary contents = parsed.contents;
    {
        std::lock_guard lock(shared.mutex);
        auto it = shared.files.find(filePath_);
        first = it == shared.files.end() || !sameFile(it->second, st);
        shared.files[filePath_] = std::move(parsed);
    }
    if (first && isDamaged)
        BVLogger::error("[defaults] cannot read " + filePath_ + ": " + (value ? "not a dictionary" : error));
    return contents;
}

std::optional<BVValue> BVUserDefaults::objectForKey(const std::string& key) const {
    auto all = read(nullptr);
    auto it = all.find(key);
    if (it == all.end()) return std::nullopt;
    return it->second;
}

bool BVUserDefaults::boolForKey(const std::string& key) const {
    auto v = objectForKey(key);
    return v && v->boolValue(false);
}

BVDictionary BVUserDefaults::dictionaryRepresentation() const { return read(nullptr); }

// Writes in this process take turns (read, change, replace the file) under a lock of their own.
static std::mutex& writeMutex() {
    static auto* m = new std::mutex();
    return *m;
}

bool BVUserDefaults::setObject(const std::string& key, const BVValue& value, std::string* error) {
    std::lock_guard lock(writeMutex());
    bool damaged = false;
    auto all = read(&damaged);
    if (damaged) {
        if (error) *error = "the defaults file " + filePath_ + " is damaged; it is left as it is";
        return false;
    }
    all[key] = value;
    if (!BVFileIO::createDirectories(BVFileIO::parentPath(filePath_), error)) return false;
    return BVPlistCodec::encodeToFile(BVValue(std::move(all)), filePath_, BVPlistCodec::Format::XML, error);
}

bool BVUserDefaults::removeObjectForKey(const std::string& key, std::string* error) {
    std::lock_guard lock(writeMutex());
    bool damaged = false;
    auto all = read(&damaged);
    if (damaged) {
        if (error) *error = "the defaults file " + filePath_ + " is damaged; it is left as it is";
        return false;
    }
    if (all.erase(key) == 0) return true;
    return BVPlistCodec::encodeToFile(BVValue(std::move(all)), filePath_, BVPlistCodec::Format::XML, error);
}

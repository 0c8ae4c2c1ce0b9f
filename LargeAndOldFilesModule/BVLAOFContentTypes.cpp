#include "LargeAndOldFilesModule/BVLAOFContentTypes.h"

#include <algorithm>
#include <map>

namespace {

// Each type with the types it directly conforms to.
const std::map<std::string, std::vector<std::string>>& parents() {
    static const std::map<std::string, std::vector<std::string>> table = {
        {"public.item", {}},
        {"public.content", {}},
        {"public.data", {"public.item"}},
        {"public.directory", {"public.item"}},
        {"public.folder", {"public.directory"}},
        {"com.apple.package", {"public.directory"}},
        {"com.apple.bundle", {"public.directory"}},
        {"com.apple.application-bundle", {"com.apple.bundle", "com.apple.package"}},
        {"com.apple.plugin", {"com.apple.bundle", "com.apple.package"}},
        {"com.apple.framework", {"com.apple.bundle"}},
        {"com.apple.kernel-extension", {"com.apple.bundle", "com.apple.package"}},
        {"com.apple.photos.library", {"com.apple.package"}},
        {"com.apple.migratedphotolibrary", {"com.apple.package"}},
        {"public.composite-content", {"public.content"}},
        {"public.text", {"public.data", "public.content"}},
        {"public.plain-text", {"public.text"}},
        {"com.adobe.pdf", {"public.data", "public.composite-content"}},
        {"com.microsoft.word.doc", {"public.data", "public.composite-content"}},
        {"com.microsoft.excel.xls", {"public.data", "public.composite-content"}},
        {"com.microsoft.powerpoint.ppt", {"public.data", "public.composite-content"}},
        {"org.openxmlformats.openxml", {"public.data"}},
        {"org.openxmlformats.wordprocessingml.document", {"org.openxmlformats.openxml", "public.composite-content"}},
        {"org.openxmlformats.spreadsheetml.sheet", {"org.openxmlformats.openxml", "public.composite-content"}},
        {"org.openxmlformats.presentationml.presentation", {"org.openxmlformats.openxml", "public.composite-content"}},
        // The single-file forms of the office suite's documents are zip archives.
        {"com.apple.iwork.pages.sffpages", {"public.zip-archive", "public.composite-content"}},
        {"com.apple.iwork.numbers.sffnumbers", {"public.zip-archive", "public.composite-content"}},
        {"com.apple.iwork.keynote.sffkey", {"public.zip-archive", "public.composite-content"}},
        {"com.apple.iwork.pages.pages", {"com.apple.package", "public.composite-content"}},
        {"com.apple.iwork.numbers.numbers", {"com.apple.package", "public.composite-content"}},
        {"com.apple.iwork.keynote.key", {"com.apple.package", "public.composite-content"}},
        {"com.apple.iwork.pages.pages-tef", {"public.data", "public.composite-content"}},
        {"com.apple.iwork.numbers.numbers-tef", {"public.data", "public.composite-content"}},
        {"com.apple.iwork.keynote.key-tef", {"public.data", "public.composite-content"}},
        {"public.image", {"public.data", "public.content"}},
        {"public.jpeg", {"public.image"}},
        {"public.png", {"public.image"}},
        {"com.compuserve.gif", {"public.image"}},
        {"public.tiff", {"public.image"}},
        {"public.heic", {"public.image"}},
        {"com.microsoft.bmp", {"public.image"}},
        {"public.camera-raw-image", {"public.image"}},
        {"com.adobe.photoshop-image", {"public.image"}},
        {"public.svg-image", {"public.image", "public.text"}},
        {"org.webmproject.webp", {"public.image"}},
        {"public.audiovisual-content", {"public.data", "public.content"}},
        {"public.movie", {"public.audiovisual-content"}},
        {"public.mpeg-4", {"public.movie"}},
        {"com.apple.quicktime-movie", {"public.movie"}},
        {"public.avi", {"public.movie"}},
        {"public.mpeg", {"public.movie"}},
        {"org.matroska.mkv", {"public.movie"}},
        {"org.webmproject.webm", {"public.movie"}},
        {"com.microsoft.windows-media-wmv", {"public.movie"}},
        {"public.mpeg-2-transport-stream", {"public.movie"}},
        {"public.audio", {"public.audiovisual-content"}},
        {"public.mp3", {"public.audio"}},
        {"public.mpeg-4-audio", {"public.audio"}},
        {"com.microsoft.waveform-audio", {"public.audio"}},
        {"public.aiff-audio", {"public.audio"}},
        {"org.xiph.flac", {"public.audio"}},
        {"org.xiph.ogg-audio", {"public.audio"}},
        {"public.archive", {"public.data"}},
        {"public.zip-archive", {"public.archive"}},
        {"org.gnu.gnu-tar-archive", {"public.archive"}},
        {"org.gnu.gnu-zip-archive", {"public.archive"}},
        {"public.bzip2-archive", {"public.archive"}},
        {"org.tukaani.xz-archive", {"public.archive"}},
        {"org.7-zip.7-zip-archive", {"public.archive"}},
        {"com.rarlab.rar-archive", {"public.archive"}},
        {"com.apple.disk-image", {"public.archive"}},
        {"public.iso-image", {"public.archive"}},
        {"com.apple.installer-package-archive", {"public.archive"}},
        {"org.debian.deb-archive", {"public.archive"}},
        {"com.redhat.rpm-archive", {"public.archive"}},
        {"public.database", {"public.data"}},
        {"public.log", {"public.plain-text"}},
        {"public.virtual-machine-disk", {"public.data"}},
    };
    return table;
}

const std::map<std::string, std::string>& extensions() {
    static const std::map<std::string, std::string> table = {
        {"pdf", "com.adobe.pdf"}, {"doc", "com.microsoft.word.doc"}, {"xls", "com.microsoft.excel.xls"},
        {"ppt", "com.microsoft.powerpoint.ppt"}, {"docx", "org.openxmlformats.wordprocessingml.document"},
        {"xlsx", "org.openxmlformats.spreadsheetml.sheet"}, {"pptx", "org.openxmlformats.presentationml.presentation"},
        {"pages", "com.apple.iwork.pages.sffpages"}, {"numbers", "com.apple.iwork.numbers.sffnumbers"},
        {"key", "com.apple.iwork.keynote.sffkey"}, {"pages-tef", "com.apple.iwork.pages.pages-tef"},
        {"numbers-tef", "com.apple.iwork.numbers.numbers-tef"}, {"key-tef", "com.apple.iwork.keynote.key-tef"},
        {"txt", "public.plain-text"}, {"text", "public.plain-text"}, {"log", "public.log"},
        {"jpg", "public.jpeg"}, {"jpeg", "public.jpeg"}, {"png", "public.png"}, {"gif", "com.compuserve.gif"},
        {"tif", "public.tiff"}, {"tiff", "public.tiff"}, {"heic", "public.heic"}, {"bmp", "com.microsoft.bmp"},
        {"cr2", "public.camera-raw-image"}, {"nef", "public.camera-raw-image"}, {"dng", "public.camera-raw-image"},
        {"arw", "public.camera-raw-image"}, {"psd", "com.adobe.photoshop-image"}, {"svg", "public.svg-image"},
        {"webp", "org.webmproject.webp"},
        {"mp4", "public.mpeg-4"}, {"m4v", "public.mpeg-4"}, {"mov", "com.apple.quicktime-movie"},
        {"avi", "public.avi"}, {"mpg", "public.mpeg"}, {"mpeg", "public.mpeg"}, {"mkv", "org.matroska.mkv"},
        {"webm", "org.webmproject.webm"}, {"wmv", "com.microsoft.windows-media-wmv"},
        {"ts", "public.mpeg-2-transport-stream"}, {"mts", "public.mpeg-2-transport-stream"},
        {"mp3", "public.mp3"}, {"m4a", "public.mpeg-4-audio"}, {"aac", "public.mpeg-4-audio"},
        {"wav", "com.microsoft.waveform-audio"}, {"aif", "public.aiff-audio"}, {"aiff", "public.aiff-audio"},
        {"flac", "org.xiph.flac"}, {"ogg", "org.xiph.ogg-audio"}, {"oga", "org.xiph.ogg-audio"},
        {"zip", "public.zip-archive"}, {"tar", "org.gnu.gnu-tar-archive"}, {"gz", "org.gnu.gnu-zip-archive"},
        {"tgz", "org.gnu.gnu-zip-archive"}, {"bz2", "public.bzip2-archive"}, {"xz", "org.tukaani.xz-archive"},
        {"7z", "org.7-zip.7-zip-archive"}, {"rar", "com.rarlab.rar-archive"}, {"dmg", "com.apple.disk-image"},
        {"iso", "public.iso-image"}, {"pkg", "com.apple.installer-package-archive"}, {"deb", "org.debian.deb-archive"},
        {"rpm", "com.redhat.rpm-archive"}, {"sqlite", "public.database"}, {"db", "public.database"},
        {"vmdk", "public.virtual-machine-disk"}, {"vdi", "public.virtual-machine-disk"},
        {"qcow2", "public.virtual-machine-disk"},
    };
    return table;
}

// Folder extensions that make a folder a bundle or a photo library.
const std::map<std::string, std::string>& folderExtensions() {
    static const std::map<std::string, std::string> table = {
        {"app", "com.apple.application-bundle"}, {"bundle", "com.apple.bundle"}, {"plugin", "com.apple.plugin"},
        {"framework", "com.apple.framework"}, {"kext", "com.apple.kernel-extension"},
        {"photoslibrary", "com.apple.photos.library"}, {"migratedphotolibrary", "com.apple.migratedphotolibrary"},
        {"pages", "com.apple.iwork.pages.pages"}, {"numbers", "com.apple.iwork.numbers.numbers"},
        {"key", "com.apple.iwork.keynote.key"},
    };
    return table;
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

}  // namespace

namespace BVLAOFContentTypes {

std::string pathExtension(const std::string& path) {
    size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) return {};
    return name.substr(dot + 1);
}

std::string contentTypeForExtension(const std::string& extension, bool isDirectory) {
    std::string key = lower(extension);
    const auto& table = isDirectory ? folderExtensions() : extensions();
    auto found = table.find(key);
    if (found != table.end()) return found->second;
    return isDirectory ? "public.folder" : "public.data";
}

std::vector<std::string> contentTypeTree(const std::string& contentType) {
    std::vector<std::string> tree;
    std::vector<std::string> pending{contentType};
    // Breadth first, so nearer types come before the ones they conform to.
    for (size_t i = 0; i < pending.size(); ++i) {
        const std::string type = pending[i];
        if (std::find(tree.begin(), tree.end(), type) != tree.end()) continue;
        tree.push_back(type);
        auto found = parents().find(type);
        if (found != parents().end()) pending.insert(pending.end(), found->second.begin(), found->second.end());
    }
    return tree;
}

}  // namespace BVLAOFContentTypes

// BVCodeSignedLocalizations: whether removing a ".lproj" folder of an application would break
// its code signature. A signed bundle (an application, or a framework or plug-in inside it)
// keeps the seal of its resources in "_CodeSignature/CodeResources" beside its resources
// folder: a property list whose "files2" (older bundles: "files") dictionary names every sealed
// file by its path below the bundle's signed folder. A localisation is sealed when a file in it
// is named there without "optional" set; an optional one may go (the system treats a missing
// optional resource as allowed). The nearest signed folder between the ".lproj" folder and the
// application decides. Seals are read once per signed folder. One application, one thread.
#pragma once

#include <map>
#include <set>
#include <string>

class BVCodeSignedLocalizations {
public:
    explicit BVCodeSignedLocalizations(std::string application) : application_(std::move(application)) {}
    bool isCodesignedLprojFileWithPath(const std::string& lproj);

private:
    // The ".lproj" folders (paths below the signed folder) with a sealed, non-optional file.
    const std::set<std::string>& sealedLocalizations(const std::string& signedFolder);

    std::string application_;
    std::map<std::string, std::set<std::string>> seals_;  // signed folder -> its sealed localisations
};

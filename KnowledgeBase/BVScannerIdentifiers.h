// Scanner identifiers and item types: the two vocabularies of the knowledge base.
//
// A scanner identifier names the scanner a rule applies to; `BVAllScannersIdentifier` stands for
// every scanner and identifiers from 1000000 to 2000000 are groups that normalise to their
// members. Group expansions are memoised process-wide under a lock, so every function here is
// safe from any thread.
#pragma once

#include <cstdint>
#include <set>
#include <string>

using BVScannerIdentifier = uint64_t;
using BVScannerSet = std::set<BVScannerIdentifier>;

inline constexpr BVScannerIdentifier BVAllScannersIdentifier = 9223372036854775807ull;

// The scanners the program's tasks, handles and tables name, each once here; code names them
// by these words, never by their numbers.
enum BVScanner : BVScannerIdentifier {
    BVScannerApplications = 1,
    BVScannerApplicationLeftovers = 2,
    BVScannerLeftovers = 3,
    BVScannerApplicationLocalizations = 5,
    BVScannerBrokenPreferences = 6,
    BVScannerBrokenLoginItems = 7,
    BVScannerCaches = 8,
    BVScannerSystemCaches = 9,
    BVScannerUserCaches = 10,
    BVScannerDeveloperJunk = 11,
    BVScannerLoginItems = 14,
    BVScannerMobileSoftwareUpdates = 20,
    BVScannerPhotoSyncCaches = 22,
    BVScannerLargeAndOldFiles = 24,
    BVScannerLogs = 25,
    BVScannerSystemLogs = 26,
    BVScannerUserLogs = 27,
    BVScannerUniversalBinaries = 30,
    BVScannerMobileDeviceBackups = 36,
    BVScannerMediaLibraryDownloads = 37,
    BVScannerMobileApplications = 38,
    BVScannerSystemLocalizations = 39,
    BVScannerMailAttachments = 40,
    BVScannerDeveloperToolJunk = 61,
    BVScannerLaunchAgents = 65,
    BVScannerMediaLibraryCaches = 66,
    BVScannerPhotoLibraryCaches = 67,
    BVScannerDocumentVersions = 73,
    BVScannerBrokenApplicationUpdates = 74,
    BVScannerUnusedDiskImages = 76,
    BVScannerHungApplications = 77,
    BVScannerMalware = 78,
    BVScannerApplicationUpdates = 79,
};

enum BVKnowledgeBaseItemType : int64_t {
    BVItemTypeQuittingFile = 0,
    BVItemTypeApplicationFile = 1,
    BVItemTypeProtected = 2,
    BVItemTypeBlack = 3,
    BVItemTypeGray = 4,
    BVItemTypeDeepSearch = 5,
    BVItemTypeSystemFile = 6,
    BVItemTypeSelectionMemory = 7,
    BVItemTypeApplicationSuite = 8,
    BVItemTypeGloballyExcluded = 9,
    BVItemTypeStoredStatement = 11,
};

// Ignore scopes: which checks `isIgnoreItem(path, scope)` makes.
enum BVIgnoreScope : uint64_t {
    BVIgnoreScopeSystemFile = 1,
    BVIgnoreScopeProtected = 2,
    BVIgnoreScopeGloballyExcluded = 4,
    BVIgnoreScopeBlack = 8,
    BVIgnoreScopeBlackUser = 16,
};

namespace BVScannerIdentifiers {

bool isGroup(BVScannerIdentifier identifier);
// The identifier itself, or the union of a group's normalised members.
BVScannerSet normalize(BVScannerIdentifier identifier);
BVScannerSet normalize(const BVScannerSet& identifiers);

// The identifiers an old-style scanner bit mask stood for (user databases before "2.0.1").
BVScannerSet identifiersForOldScannerMask(uint64_t mask);

uint64_t defaultScopeByIdentifier(BVScannerIdentifier identifier);

// "(1)" for a set with all scanners, else "(Item.Scanner = ALL OR Item.Scanner = n ...)".
std::string scannerCondition(const BVScannerSet& identifiers);
// The same without the all-scanners term, for removals: "Item.Scanner = n OR ...".
std::string removalScannerCondition(const BVScannerSet& identifiers);

// Module names of the command line and the identifiers their ignore lists use.
bool moduleIdentifierForName(const std::string& module, BVScannerIdentifier& identifier);

}  // namespace BVScannerIdentifiers

// BVKnowledgeBaseBuilder: writes an application knowledge base, encrypted with the program's
// passphrase: the shared tables (Global, FileType, AppType, Application, Item, FileNote,
// AppNote) and the tables only the application database has (compatibility, update feeds,
// malware), filled from rule records. The build uses it to turn KnowledgeBase/Data into
// "info.brkkb"; tests and benchmarks use it for generated knowledge bases. The file is written
// beside its final path and renamed into place, so a reader never sees half a database.
// One builder per thread.
#pragma once

#include <string>
#include <vector>

#include "KnowledgeBase/BVRuleSource.h"
#include "KnowledgeBase/FMDatabase.h"

struct BVUpdateFeedRecord {
    std::string bundleID, feedURL;
};

namespace BVKnowledgeBaseBuilder {
bool build(const std::string& path, const std::string& version, const std::vector<BVTypeRecord>& types,
           const std::vector<BVRuleRecord>& rules, std::string* error,
           const std::vector<BVUpdateFeedRecord>& feeds = {}, const BVMalwareSource& malware = {});
// Inserts the families (ids continue after the highest one present) and their rules; the
// caller holds the transaction. Absent texts are written as NULL.
bool insertMalware(FMDatabase& database, const std::vector<BVMalwareRecord>& families);
}  // namespace BVKnowledgeBaseBuilder

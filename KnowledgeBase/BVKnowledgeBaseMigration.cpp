#include "KnowledgeBase/BVKnowledgeBaseMigration.h"

#include "Foundation/BVLogger.h"

namespace BVKnowledgeBaseMigration {

bool migrateFromPreviousGenerationIfNeeded(BVUserDefaults& defaults, BVKnowledgeBase& knowledgeBase) {
    if (defaults.boolForKey("Migrated settings from BRK3") && !defaults.boolForKey("Always Migrate settings from BRK3"))
        return false;
    bool copied = knowledgeBase.migrateLegacyUserDatabase();
    if (copied && !knowledgeBase.migrateAllBRK3IgnoreInformation())
        BVLogger::warning("The ignore list was taken over without all of its display information");
    std::string error;
    if (!defaults.setObject("Migrated settings from BRK3", true, &error))
        BVLogger::warning(fmt::format("Could not record the knowledge-base migration: {}", error));
    return copied;
}

}  // namespace BVKnowledgeBaseMigration

// The one-time move of the previous product generation's user knowledge base: run at start-up
// by the preferences migrator. When the previous generation's "userInfo.brkkb" exists and this
// generation has none, it is copied over, its gray items become black items and every ignore
// entry is given its display information. The user
// default "Migrated settings from BRK3" records that the step ran; "Always Migrate settings
// from BRK3" makes it run every time. Call from one thread at start-up.
#pragma once

#include "Foundation/BVUserDefaults.h"
#include "KnowledgeBase/BVKnowledgeBase.h"

namespace BVKnowledgeBaseMigration {
// Answers whether a previous generation's database was copied.
bool migrateFromPreviousGenerationIfNeeded(BVUserDefaults& defaults, BVKnowledgeBase& knowledgeBase);
}  // namespace BVKnowledgeBaseMigration

// BVKnowledgeBasedFeedURLProvider: one of the updater's sources of update feeds: the feed the
// knowledge base records for an application's bundle identifier. Safe from any thread.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "KnowledgeBase/BVKnowledgeBase.h"

class BVKnowledgeBasedFeedURLProvider {
public:
    // Without a knowledge base, the shared one.
    explicit BVKnowledgeBasedFeedURLProvider(BVKnowledgeBasePtr knowledgeBase = nullptr)
        : knowledgeBase_(knowledgeBase ? std::move(knowledgeBase) : BVKnowledgeBase::sharedInstance()) {}
    std::optional<std::string> feedURLForApplication(const std::string& bundleID) const {
        return knowledgeBase_->updateFeedURLForApplicationBundleIdentifier(bundleID);
    }

private:
    BVKnowledgeBasePtr knowledgeBase_;
};

// BVNotificationCenter: named notifications with an object and user info, delivered
// synchronously on the posting thread to every observer of that name, in registration order.
// `defaultCenter` is the process-wide centre. Safe from any thread; an observer removed while a
// post is under way may still receive that one post.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Foundation/BVValue.h"

struct BVNotification {
    std::string name;
    std::shared_ptr<void> object;
    BVDictionary userInfo;
};

class BVNotificationCenter {
public:
    using Observer = std::function<void(const BVNotification&)>;
    using Token = uint64_t;

    static BVNotificationCenter& defaultCenter();

    Token addObserver(const std::string& name, Observer observer);
    void removeObserver(Token token);
    void postNotification(const BVNotification& notification);
    void postNotificationName(const std::string& name, BVDictionary userInfo = {});

private:
    std::mutex mutex_;
    Token next_ = 1;
    std::map<Token, std::pair<std::string, std::shared_ptr<Observer>>> observers_;
};

#include "Foundation/BVNotificationCenter.h"

BVNotificationCenter& BVNotificationCenter::defaultCenter() {
    static BVNotificationCenter* center = new BVNotificationCenter();
    return *center;
}

BVNotificationCenter::Token BVNotificationCenter::addObserver(const std::string& name, Observer observer) {
    std::lock_guard lock(mutex_);
    Token token = next_++;
    observers_.emplace(token, std::make_pair(name, std::make_shared<Observer>(std::move(observer))));
    return token;
}

void BVNotificationCenter::removeObserver(Token token) {
    std::lock_guard lock(mutex_);
    observers_.erase(token);
}

void BVNotificationCenter::postNotification(const BVNotification& notification) {
    std::vector<std::shared_ptr<Observer>> matching;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [token, entry] : observers_)
            if (entry.first == notification.name) matching.push_back(entry.second);
    }
    for (const auto& o : matching) (*o)(notification);
}

void BVNotificationCenter::postNotificationName(const std::string& name, BVDictionary userInfo) {
    postNotification(BVNotification{name, nullptr, std::move(userInfo)});
}

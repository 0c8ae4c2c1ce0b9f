#include "ScanningService/CoreScanning/BVScanResult.h"

#include <algorithm>

#include "ScanningService/CoreScanning/BVCannedResults.h"

BVScanResultPtr BVScanResult::resultWithIdentifier(const std::string& identifier, const std::vector<BVEntityPtr>& items) {
    return std::make_shared<BVScanResult>(identifier, items, std::nullopt);
}

BVScanResultPtr BVScanResult::resultWithIdentifier(const std::string& identifier, const BVError& error) {
    return std::make_shared<BVScanResult>(identifier, std::nullopt, error);
}

BVScanResultPtr BVScanResult::emptyResultWithIdentifier(const std::string& identifier) {
    return resultWithIdentifier(identifier, std::vector<BVEntityPtr>{});
}

BVScanResult::BVScanResult(std::string identifier, std::optional<std::vector<BVEntityPtr>> items,
                           std::optional<BVError> error)
    : identifier_(std::move(identifier)), items_(std::move(items)), error_(std::move(error)) {
    if (items_)
        for (const auto& i : *items_) {
            size_ += i->size();
            selectedSize_ += i->autoselectedSize();
        }
}

bool BVScanResult::isEqual(const BVScanResult& other) const {
    auto mine = items();
    if (mine) {
        auto theirs = other.items();
        return theirs && BVEntityListsEqual(*mine, *theirs);
    }
    if (error_) return other.error() && *other.error() == *error_;
    return false;
}

size_t BVScanResult::hash() const {
    if (auto mine = items()) {
        size_t h = mine->size();
        for (const auto& e : *mine) h = h * 31 + e->hash();
        return h;
    }
    if (error_) return error_->hash();
    return std::hash<const void*>{}(this);
}

std::shared_ptr<BVMutableScanResult> BVScanResult::mutableCopy() const {
    auto copy = std::make_shared<BVMutableScanResult>(identifier_);
    if (auto mine = items()) copy->setItems(*mine);
    copy->setError(error_);
    return copy;
}

BVScanResultPtr BVScanResult::fromJSONDictionary(const BVValue& dictionary) {
    std::string identifier = dictionary["identifier"].stringValue();
    if (dictionary.contains("error")) {
        return resultWithIdentifier(identifier,
                                    BVError::withDescription("com.json.scanresult", 0, dictionary["error"].description()));
    }
    std::vector<BVEntityPtr> items;
    for (const auto& element : dictionary["items"].arrayValue()) {
        if (auto entity = BVCannedEntityRegistry::shared().entityFromJSONDictionary(element)) items.push_back(entity);
    }
    return resultWithIdentifier(identifier, items);
}

std::shared_ptr<BVMutableScanResult> BVMutableScanResult::resultWithIdentifier(const std::string& identifier,
                                                                               const std::vector<BVEntityPtr>& items) {
    auto r = std::make_shared<BVMutableScanResult>(identifier);
    r->setItems(items);
    return r;
}

std::shared_ptr<BVMutableScanResult> BVMutableScanResult::resultWithIdentifier(const std::string& identifier,
                                                                               const BVError& error) {
    auto r = std::make_shared<BVMutableScanResult>(identifier);
    r->setError(error);
    return r;
}

std::optional<std::vector<BVEntityPtr>> BVMutableScanResult::items() const {
    if (!items_) return std::vector<BVEntityPtr>{};  // the container exists from first use
    return items_;
}

void BVMutableScanResult::addItem(const BVEntityPtr& item) {
    if (!items_) items_.emplace();
    items_->push_back(item);
    size_ += item->size();
    selectedSize_ += item->autoselectedSize();
}

void BVMutableScanResult::removeItem(const BVEntityPtr& item) {
    if (!items_) return;
    auto before = items_->size();
    items_->erase(std::remove_if(items_->begin(), items_->end(),
                                 [&](const BVEntityPtr& e) { return e == item || e->isEqual(*item); }),
                  items_->end());
    if (items_->size() != before) {
        size_ -= item->size();
        selectedSize_ -= item->autoselectedSize();
    }
}

void BVMutableScanResult::setItems(const std::vector<BVEntityPtr>& items) {
    items_ = items;
    size_ = selectedSize_ = 0;
    for (const auto& i : items) {
        size_ += i->size();
        selectedSize_ += i->autoselectedSize();
    }
}

BVScanResultPtr BVMutableScanResult::copy() const {
    if (error_ && !items_) return BVScanResult::resultWithIdentifier(identifier_, *error_);
    return std::make_shared<BVScanResult>(identifier_, items(), error_);
}

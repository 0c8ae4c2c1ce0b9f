// BVScanResult: the outcome of one scan task: its identifier and either its top-level items
// (entity trees) or an error, with the total and preselected sizes computed at construction.
// Immutable and safe to share between threads once built; BVMutableScanResult is for building.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVError.h"
#include "ScanningService/CoreScanning/BVEntity.h"
#include "ScanningService/CoreScanning/BVScanTask.h"

class BVMutableScanResult;

class BVScanResult {
public:
    static BVScanResultPtr resultWithIdentifier(const std::string& identifier, const std::vector<BVEntityPtr>& items);
    static BVScanResultPtr resultWithIdentifier(const std::string& identifier, const BVError& error);
    static BVScanResultPtr emptyResultWithIdentifier(const std::string& identifier);
    BVScanResult(std::string identifier, std::optional<std::vector<BVEntityPtr>> items, std::optional<BVError> error);
    virtual ~BVScanResult() = default;

    const std::string& identifier() const { return identifier_; }
    virtual std::optional<std::vector<BVEntityPtr>> items() const { return items_; }
    const std::optional<BVError>& error() const { return error_; }
    uint64_t size() const { return size_; }
    uint64_t selectedSize() const { return selectedSize_; }

    // Item lists compare element by element; without items, errors compare; a result with
    // neither equals nothing. Identifiers are not compared.
    bool isEqual(const BVScanResult& other) const;
    size_t hash() const;
    std::shared_ptr<BVMutableScanResult> mutableCopy() const;

    // The canned-result form: {"identifier", "error"} or {"identifier", "items": [...]}.
    static BVScanResultPtr fromJSONDictionary(const BVValue& dictionary);

protected:
    std::string identifier_;
    std::optional<std::vector<BVEntityPtr>> items_;
    std::optional<BVError> error_;
    uint64_t size_ = 0;
    uint64_t selectedSize_ = 0;
};

class BVMutableScanResult : public BVScanResult {
public:
    static std::shared_ptr<BVMutableScanResult> resultWithIdentifier(const std::string& identifier,
                                                                     const std::vector<BVEntityPtr>& items);
    static std::shared_ptr<BVMutableScanResult> resultWithIdentifier(const std::string& identifier, const BVError& error);
    explicit BVMutableScanResult(std::string identifier) : BVScanResult(std::move(identifier), std::nullopt, std::nullopt) {}

    std::optional<std::vector<BVEntityPtr>> items() const override;
    void addItem(const BVEntityPtr& item);
    // Removes every occurrence equal to `item`, subtracting its sizes once.
    void removeItem(const BVEntityPtr& item);
    void setItems(const std::vector<BVEntityPtr>& items);
    void setError(std::optional<BVError> error) { error_ = std::move(error); }
    // An immutable result of the current identifier, items and error.
    BVScanResultPtr copy() const;
};

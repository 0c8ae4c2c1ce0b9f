// The values of privacy entries, as a person reads them: a site with how many records it holds
// ("example.com (3 cookies)"), or one record shown by its name ("report.pdf") while the record
// itself (a database row, a download entry, a network profile) is kept for the clean. Row
// identifiers are never part of what is shown.
//
// A site's count grows while its scan adds records (one scan thread); afterwards it is only read.
// Equality is by the site's name, or by the record, so a count does not make two sites differ.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "Foundation/BVObject.h"

class BVPrivacySiteObject final : public BVObject {
public:
    // `unit` and `units` name one record and several ("cookie", "cookies").
    BVPrivacySiteObject(std::string name, std::string unit, std::string units)
        : name_(std::move(name)), unit_(std::move(unit)), units_(std::move(units)) {}
    const std::string& name() const { return name_; }
    uint64_t count() const { return count_.load(); }
    void setCount(uint64_t count) const { count_.store(count); }

    bool isEqual(const BVObject& other) const override;
    size_t hash() const override { return std::hash<std::string>{}(name_); }
    std::string description() const override;

private:
    std::string name_, unit_, units_;
    mutable std::atomic<uint64_t> count_{0};
};

class BVPrivacyRecordObject final : public BVObject {
public:
    BVPrivacyRecordObject(BVValue record, std::string name) : record_(std::move(record)), name_(std::move(name)) {}
    const BVValue& record() const { return record_; }
    const std::string& name() const { return name_; }

    bool isEqual(const BVObject& other) const override;
    size_t hash() const override { return record_.hash(); }
    std::string description() const override { return name_; }

private:
    BVValue record_;
    std::string name_;
};

// The entries the privacy scans report, common to every client: a site holding a list of
// records (cookies, visits, logins, messages of one contact), one record shown by its name,
// and a file (a form-values file, a session file, a local-storage file). Entries are sized 0 and
// not preselected unless their scan says otherwise; every entry answers how many records it
// stands for. Built on one scan thread, then read; removed on the clean worker.
#pragma once

#include <algorithm>
#include <vector>

#include "Foundation/BVError.h"
#include "PrivacyModule/Sources/BVPrivacyValues.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"

class BVPrivacyGroupModel;

class BVPrivacyEntry {
public:
    virtual ~BVPrivacyEntry() = default;
    // The number of records the entry stands for (the interval does not narrow it).
    virtual uint64_t itemsCountForTimeIntervalSinceNow(double interval) const = 0;
    // The group the entry was listed in (held weakly): a clean of the entry is asked of it.
    std::shared_ptr<BVPrivacyGroupModel> group() const { return group_.lock(); }
    void setGroup(const std::shared_ptr<BVPrivacyGroupModel>& group) { group_ = group; }

private:
    std::weak_ptr<BVPrivacyGroupModel> group_;
};

// The error of an entry whose `remove` is called although its group's clean task removes it.
BVError BVPrivacyRemovedByGroupError(const BVEntity& entity);

// A site (its value) holding records of type `Record`.
template <class Record>
class BVPrivacyRecordsModel : public BVEntity, public BVPrivacyEntry {
public:
    BVPrivacyRecordsModel(const std::string& name, const char* unit, const char* units)
        : BVEntity(std::make_shared<const BVPrivacySiteObject>(name, unit, units), 0, false) {}
    BVPrivacyRecordsModel(BVObjectPtr value, uint64_t size, bool autoselected) : BVEntity(std::move(value), size, autoselected) {}

    std::string name() const { return site() ? site()->name() : value()->description(); }
    const std::vector<Record>& records() const { return records_; }
    void addRecord(Record record) {
        records_.push_back(std::move(record));
        if (auto s = site()) s->setCount(records_.size());
    }
    void removeRecord(const Record& record) {
        records_.erase(std::remove(records_.begin(), records_.end(), record), records_.end());
        if (auto s = site()) s->setCount(records_.size());
    }
    uint64_t itemsCountForTimeIntervalSinceNow(double) const override { return records_.size(); }

    // Removed by the group's clean task, not one by one.
    BVRemovalResultPtr remove() override {
        return BVRemovalResult::failedResultWithModel(shared_from_this(), BVPrivacyRemovedByGroupError(*this));
    }

private:
    const BVPrivacySiteObject* site() const { return dynamic_cast<const BVPrivacySiteObject*>(value().get()); }
    std::vector<Record> records_;
};

// One record, shown by its name.
class BVPrivacyRecordModel : public BVEntity, public BVPrivacyEntry {
public:
    BVPrivacyRecordModel(BVValue record, const std::string& name)
        : BVEntity(std::make_shared<const BVPrivacyRecordObject>(std::move(record), name), 0, false) {}
    BVPrivacyRecordModel(BVObjectPtr value, uint64_t size, bool autoselected) : BVEntity(std::move(value), size, autoselected) {}
    const BVValue& record() const;
    std::string name() const { return value()->description(); }
    uint64_t itemsCountForTimeIntervalSinceNow(double) const override { return 1; }
    BVRemovalResultPtr remove() override {
        return BVRemovalResult::failedResultWithModel(shared_from_this(), BVPrivacyRemovedByGroupError(*this));
    }
};

// A file or folder of a client's that is removed as a whole by the file remover.
class BVPrivacyFileModel : public BVFileModel, public BVPrivacyEntry {
    BV_ENTITY_CLASS(BVPrivacyFileModel)
public:
    BVPrivacyFileModel(BVObjectPtr value, uint64_t size, bool autoselected) : BVFileModel(std::move(value), size, autoselected) {}
    static std::shared_ptr<BVPrivacyFileModel> modelWithPath(const std::string& path, uint64_t size, BVDate date);
    std::string name() const;
    BVDate date() const { return date_; }
    void setDate(BVDate date) { date_ = date; }
    uint64_t itemsCountForTimeIntervalSinceNow(double) const override { return 1; }

private:
    BVDate date_;
};

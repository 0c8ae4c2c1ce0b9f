// BVMailBox: one mailbox of the mail store (its name and folder). This host has no mail
// store of that kind; the mail-information layer hands mailboxes to the scanners (fakes in
// tests). Values: compared by content.
#pragma once

#include "Foundation/BVObject.h"

class BVMailBox : public BVObject {
public:
    virtual std::string name() const = 0;
    virtual std::string folderPath() const = 0;
};

using BVMailBoxPtr = std::shared_ptr<const BVMailBox>;

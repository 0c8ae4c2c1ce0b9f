// BVEntityDetails: what an entity can tell beyond its value and path, for output: a malware
// finding names its family, the family's type and the kind of rule that found it. The command
// line shows the text after the entity's line and puts the dictionary under "details" in JSON.
// Implementations answer from immutable state; any thread.
#pragma once

#include <string>

#include "Foundation/BVValue.h"

class BVEntityDetails {
public:
    virtual ~BVEntityDetails() = default;
    virtual BVDictionary details() const = 0;
    virtual std::string detailsText() const = 0;
};

// BVURLRepresentableModel: implemented by entities that stand for a file-system item, so that
// clean tasks and output can name the item by its path.
#pragma once

#include "Foundation/BVObject.h"

class BVURLRepresentableModel {
public:
    virtual ~BVURLRepresentableModel() = default;
    virtual BVURLPtr fileURL() const = 0;
};

#include "Foundation/BVLoginItemsManager.h"

BVError BVStartupServicesErrorWith(BVStartupServicesError code, const std::string& description) {
    return BVError::withDescription(BVStartupServicesErrorDomain, code, description);
}

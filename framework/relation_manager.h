#pragma once
// A relation manager pairs a file manager with the file's relations to other
// files. The test table has none: the relation manager owns the set-up and
// tear-down of its file manager.

#include <cstdint>
#include <vector>

#include "framework/file_manager.h"

namespace dbprobe::framework {

class RelationManager {
public:
    virtual ~RelationManager() = default;
    virtual void Init(FileManager* file, bool useLogout);
    virtual void Kill();

    // Members in their order.
    FileManager* me = nullptr;
    std::vector<RelationManager*> relations;
    RelationManager* aliasFile = nullptr;
    bool prevUseLogout = false;
    bool useLogout = false;
    std::int32_t logoutTimeout = 0;
    std::int32_t lastTouched = 0;
    bool forcingOpen = false;
    bool deferedRelationsDone = false;
};

}  // namespace dbprobe::framework

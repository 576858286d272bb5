#include "framework/relation_manager.h"

namespace dbprobe::framework {

void RelationManager::Init(FileManager* file, bool logout) {
    me = file;
    relations.clear();
    useLogout = logout;
    logoutTimeout = 2;
    if (me != nullptr) ThreadFileRegistry().Register(me);
}

void RelationManager::Kill() {
    if (me != nullptr) ThreadFileRegistry().Unregister(me);
    relations.clear();
}

}  // namespace dbprobe::framework

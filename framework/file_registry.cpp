#include "framework/file_registry.h"

#include <algorithm>

namespace dbprobe::framework {

FileRegistry& ThreadFileRegistry() {
    thread_local FileRegistry registry;
    return registry;
}

void FileRegistry::Register(FileManager* manager) {
    if (!Registered(manager)) managers_.push_back(manager);
}

void FileRegistry::Unregister(FileManager* manager) {
    managers_.erase(std::remove(managers_.begin(), managers_.end(), manager), managers_.end());
    RemoveUses(manager);
}

bool FileRegistry::Registered(const FileManager* manager) const {
    return std::find(managers_.begin(), managers_.end(), manager) != managers_.end();
}

FileUse& FileRegistry::AddUse(FileManager* manager, const std::string& procedure, int purpose, bool& shared) {
    shared = false;
    for (FileUse& use : uses_)
        if (use.manager == manager && use.procedure == procedure) {
            use.purpose = std::max(use.purpose, purpose);
            return use;
        }
    for (const FileUse& use : uses_)
        if (use.manager == manager) shared = true;
    uses_.push_back({procedure, manager, purpose, 0, {}});
    return uses_.back();
}

void FileRegistry::CountUp(FileManager* manager) {
    for (auto it = uses_.rbegin(); it != uses_.rend(); ++it)
        if (it->manager == manager) {
            ++it->count;
            return;
        }
}

bool FileRegistry::CountDown(FileManager* manager, FileUse& removed) {
    for (auto it = uses_.rbegin(); it != uses_.rend(); ++it)
        if (it->manager == manager) {
            if (--it->count > 0) return false;
            removed = *it;
            uses_.erase(std::next(it).base());
            return true;
        }
    return false;
}

void FileRegistry::RemoveUses(FileManager* manager) {
    uses_.erase(std::remove_if(uses_.begin(), uses_.end(), [manager](const FileUse& u) { return u.manager == manager; }),
                uses_.end());
}

}  // namespace dbprobe::framework

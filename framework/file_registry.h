#pragma once
// The thread's file registry: which procedure uses which file manager, how
// often and for what, so that nested procedures can share a file. A file a
// second procedure uses has its state saved, and restored when that use ends.

#include <string>
#include <vector>

namespace dbprobe::framework {

class FileManager;

struct FileUse {
    std::string procedure;
    FileManager* manager = nullptr;
    int purpose = 0;  // the highest purpose asked for
    int count = 0;
    std::string savedState;  // the file's state when another procedure used it first
};

class FileRegistry {
public:
    void Register(FileManager* manager);
    void Unregister(FileManager* manager);
    bool Registered(const FileManager* manager) const;

    // A use by `procedure`; returns true when another procedure's use came
    // first (the caller then saves the file's state in the entry).
    FileUse& AddUse(FileManager* manager, const std::string& procedure, int purpose, bool& shared);
    // Counts the manager's last entry up or down; an entry counted down to
    // zero is removed and returned (its saved state then goes back).
    void CountUp(FileManager* manager);
    bool CountDown(FileManager* manager, FileUse& removed);
    void RemoveUses(FileManager* manager);
    const std::vector<FileUse>& Uses() const { return uses_; }

private:
    std::vector<FileManager*> managers_;
    std::vector<FileUse> uses_;
};

// This thread's registry.
FileRegistry& ThreadFileRegistry();

}  // namespace dbprobe::framework

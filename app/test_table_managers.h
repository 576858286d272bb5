#pragma once
// The file manager and relation manager of TEST_DAT, one of each per thread,
// and the dictionary initialisation and termination that create and end them.

#include <memory>

#include "framework/file_manager.h"
#include "framework/relation_manager.h"

namespace dbprobe::app {

class TestDatFileManager : public framework::FileManager {
public:
    void Setup() override;
    int Use(int purpose) override;
    void Terminate() override;
};

class TestDatRelationManager : public framework::RelationManager {
public:
    void Init(framework::FileManager* file, bool useLogout) override;
    void Kill() override;

    std::unique_ptr<TestDatFileManager> created;  // the file manager it set up
};

// The process's error manager, which every file manager reports to.
framework::ErrorManager& GlobalErrors();

// This thread's access pointer (the file manager) and relation pointer.
TestDatFileManager* Access();
TestDatRelationManager* Relate();

// Creates both managers for this thread and initialises the relation manager.
void DictionaryInit();
// Terminates and releases them.
void DictionaryKill();

}  // namespace dbprobe::app

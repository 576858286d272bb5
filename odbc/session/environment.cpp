#include "odbc/session/environment.h"

#include <atomic>
#include <cstdlib>

#include "odbc/session/data_source.h"
#include "odbc/session/session.h"
#include "odbc/session/statement.h"
#include "odbc/session/trace_logger.h"

namespace dbprobe::odbc {
namespace {

std::mutex& CreationLock() {
    static std::mutex lock;
    return lock;
}

std::unique_ptr<OdbcEnvironment>& Instance() {
    static std::unique_ptr<OdbcEnvironment> instance;
    return instance;
}

// Every operation asks for the environment; once it exists the answer needs
// no lock.
std::atomic<OdbcEnvironment*>& Current() {
    static std::atomic<OdbcEnvironment*> current{nullptr};
    return current;
}

}  // namespace

OdbcEnvironment* OdbcEnvironment::Existing() { return Current().load(std::memory_order_acquire); }

OdbcEnvironment& OdbcEnvironment::Ensure() {
    if (OdbcEnvironment* existing = Existing()) return *existing;
    std::lock_guard guard(CreationLock());
    std::unique_ptr<OdbcEnvironment>& instance = Instance();
    if (instance) return *instance;
    static bool exitHookSet = false;
    if (!exitHookSet) {
        std::atexit(EndProgram);
        exitHookSet = true;
    }
    instance = std::make_unique<OdbcEnvironment>();
    instance->log = TraceLogger::ForEnvironment();
    if (LoadOdbcApi(instance->api)) {
        instance->loaded = true;
        TraceLogger* log = instance->log->TraceOn() ? instance->log.get() : nullptr;
        const long mark = log != nullptr ? log->StartTimer() : 0;
        // The ODBC 2 allocation, so that the driver manager answers with the
        // ODBC 2 SQLSTATEs the error mapping expects.
        instance->api.AllocEnv(&instance->henv);
        if (log != nullptr) {
            log->WriteHandle("Environment", instance->henv, "Allocating", false);
            log->WriteTimeTaken(mark);
        }
    }
    Current().store(instance.get(), std::memory_order_release);
    return *instance;
}

OdbcEnvironment::~OdbcEnvironment() {
    if (!loaded || henv == SQL_NULL_HENV) return;
    TraceLogger* trace = log != nullptr && log->TraceOn() ? log.get() : nullptr;
    const long mark = trace != nullptr ? trace->WriteHandle("Environment", henv, "Freeing", true) : 0;
    api.FreeEnv(henv);
    if (trace != nullptr) trace->WriteTimeTaken(mark);
}

TraceLogger* EnvironmentLog() {
    OdbcEnvironment* environment = OdbcEnvironment::Existing();
    return environment != nullptr ? environment->log.get() : nullptr;
}

void EndProgram() {
    OdbcEnvironment* environment = OdbcEnvironment::Existing();
    if (environment == nullptr) return;
    std::vector<std::shared_ptr<DataSource>> sources;
    {
        std::lock_guard guard(environment->dataSourcesLock);
        sources.swap(environment->dataSources);
    }
    for (const std::shared_ptr<DataSource>& source : sources) {
        const std::vector<DriverState*> files = source->files;
        for (DriverState* file : files) {
            bool hasStatement = false;
            for (StatementSlot* slot : file->StatementSlots())
                hasStatement = hasStatement || slot->statement != nullptr;
            if (!hasStatement) continue;
            // The work of CLOSE; the state is thrown away before its next use.
            ReleaseStatements(*file);
            file->stateFlags = 0;
            file->invalidated = true;
        }
        {
            std::lock_guard guard(source->connectionsLock);
            std::erase_if(source->connections, [](const std::shared_ptr<Connection>& c) {
                return c->StatementCount() == 0;
            });
        }
        for (DriverState* file : files) file->dataSource.reset();
        source->files.clear();
    }
    sources.clear();
    std::lock_guard guard(CreationLock());
    // The environment's own destructor still reaches it through Existing().
    Instance().reset();
    Current().store(nullptr, std::memory_order_release);
}

}  // namespace dbprobe::odbc

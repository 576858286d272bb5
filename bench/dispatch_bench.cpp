// The cost of one server-free record operation through the dispatcher, with
// the trace log off and with the operation profile on. The allocation counter
// shows that a file without tracing allocates nothing per operation.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "app/test_table.h"
#include "odbc/dispatch/arguments.h"
#include "odbc/dispatch/operation.h"
#include "odbc/session/environment.h"

namespace {

std::atomic<long> g_allocations{0};

}  // namespace

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace dbprobe;

void Run(benchmark::State& bench, const char* driverString) {
    app::TesterVariables vars;
    vars.tableName.Assign("Test_Korvelandix");
    vars.dataSource.Assign("nowhere");
    vars.driverString.Assign(driverString);
    app::TestDat table(vars);
    odbc::Arguments args;
    odbc::CallDriver(odbc::op::STARTRAN, table.File(), args);  // attach and load once
    const long before = g_allocations.load();
    for (auto _ : bench) {
        odbc::CallDriver(odbc::op::STARTRAN, table.File(), args);
    }
    bench.counters["allocations/op"] = benchmark::Counter(
        static_cast<double>(g_allocations.load() - before) / static_cast<double>(bench.iterations()));
}

void TracingOff(benchmark::State& bench) { Run(bench, ""); }
// The log goes to the working directory: a driver string cuts its switches
// at every '/', so LOGFILE names a file without a directory.
void ProfileOn(benchmark::State& bench) {
    std::remove("dbprobe-bench.log");
    Run(bench, "/LOGFILE=dbprobe-bench.log");
}

BENCHMARK(TracingOff);
BENCHMARK(ProfileOn);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    dbprobe::odbc::EndProgram();
    return 0;
}

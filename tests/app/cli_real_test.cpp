// dbprobe-cli as a script runs it: arguments, exit codes, what it prints, its
// report and its trace, against the real data sources.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "tests/support/test_dsns.h"

namespace dbprobe::app {
namespace {

struct Outcome {
    int exitCode = -1;
    std::string output;
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("dbprobe-cli-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // Runs the program with its output into a pipe and its own settings
    // directory. Under the sanitizers the child checks no leaks: the driver
    // manager unloads its installer library, whose cache it never frees, and
    // an unloaded library's allocations cannot be told apart from ours (the
    // test process itself pins it and checks leaks in full).
    Outcome Run(const std::string& arguments) const {
        const std::string command = "ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\" DBPROBE_CONFIG_DIR='" +
                                    dir_.string() + "' '" DBPROBE_CLI "' " + arguments + " 2>&1";
        Outcome outcome;
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) return outcome;
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.output.append(buffer, n);
        const int status = pclose(pipe);
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return outcome;
    }
    std::string File(const char* name) const { return (dir_ / name).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream in(path);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
    nlohmann::json Report() const { return nlohmann::json::parse(Read(File("report.json"))); }

    std::filesystem::path dir_;
};

TEST_F(CliTest, BadArgumentsRunNothing) {
    const char* cases[] = {"", "--on-error maybe --dsn x", "--dsn", "--no-such-option"};
    for (const char* arguments : cases) {
        const Outcome o = Run(arguments);
        EXPECT_EQ(o.exitCode, 2) << arguments << "\n" << o.output;
        EXPECT_EQ(o.output.find("Vytvářím"), std::string::npos) << arguments;
    }
    EXPECT_EQ(Run("--version").exitCode, 0);
    EXPECT_EQ(Run("--help").exitCode, 0);
}

TEST_F(CliTest, StoppingAtTheFirstPromptExitsWithFive) {
    const Outcome o = Run("--dsn NOPE --on-error stop --report " + File("report.json"));
    EXPECT_EQ(o.exitCode, 5) << o.output;
    EXPECT_NE(o.output.find("== Chyba ==\n"
                            "   Při zápisu do databáze NOPE došlo k chybě !\n"
                            "   Číslo chyby: 0x90 --> Data source name not found and no default driver specified\n"
                            "   Zdrojový soubor:Test_Korvelandix\n"
                            "   \n"
                            "   Chcete v testu pokračovat nebo ho ukončit?\n"
                            "   [1] Pokračovat  [2] Ukončit\n"
                            "   -> 2\n"),
              std::string::npos)
        << o.output;
    EXPECT_NE(o.output.find("Test přerušen z důvodu chyby !"), std::string::npos);
    EXPECT_EQ(Report()["verdict"], "stopped");
}

TEST_F(CliTest, GoingOnRecordsEveryErrorAndHidesThePassword) {
    const Outcome o = Run("--dsn NOPE,sa,tajne --on-error continue --trace " + File("trace.log") + " --report " +
                          File("report.json"));
    EXPECT_EQ(o.exitCode, 1) << o.output.substr(0, 2000);
    const nlohmann::json report = Report();
    EXPECT_EQ(report["verdict"], "failed");
    EXPECT_EQ(report["data_source"], "NOPE,sa,********");
    // CREATE, OPEN, each insert, REMOVE.
    ASSERT_EQ(report["errors"].size(), 1003u);
    EXPECT_EQ(report["errors"][0]["step"], "create");
    EXPECT_EQ(report["errors"][0]["code"], 90);
    EXPECT_EQ(report["errors"][0]["file_error_code"], "IM002");
    EXPECT_EQ(report["errors"][2]["step"], "insert");
    EXPECT_EQ(report["errors"][1002]["step"], "remove");
    EXPECT_EQ(report["rows_written"], 0);
    // A failing row's status stands before its messages.
    EXPECT_NE(o.output.find("Zapisuji data do tabulky (2/1000)\n== Chyba při čtení souboru =="), std::string::npos);
    for (const std::string& text : {o.output, Read(File("report.json")), Read(File("trace.log"))})
        EXPECT_EQ(text.find("tajne"), std::string::npos);
}

class CliRealTest : public CliTest, public ::testing::WithParamInterface<const char*> {};

// Every statement text the trace shows, prepared ("Preparing Statement H : sql")
// or executed directly ("Executing Statement H:sql"), each once.
std::set<std::string> Statements(const std::string& trace) {
    std::set<std::string> seen;
    std::istringstream lines(trace);
    std::string line;
    while (std::getline(lines, line)) {
        std::size_t at = line.find("Preparing Statement ");
        std::size_t text = at == std::string::npos ? std::string::npos : line.find(" : ", at);
        if (text != std::string::npos) {
            text += 3;
        } else if ((at = line.find("Executing Statement ")) != std::string::npos) {
            text = line.find(':', at);
            if (text != std::string::npos) ++text;
        }
        if (text == std::string::npos) continue;
        const std::size_t end = line.find(" Time Taken:", text);
        seen.insert(line.substr(text, end == std::string::npos ? std::string::npos : end - text));
    }
    return seen;
}

// The statements the test sends on each backend, each distinct text once.
std::set<std::string> ExpectedStatements(const std::string& dsn) {
    const std::string table = dsn == "dbprobe-maria"
                                  ? "CREATE TABLE Test_Korvelandix (CISLO INTEGER NOT NULL,NAZEV CHAR(255), POZNAMKA LONG VARCHAR)"
                              : dsn == "dbprobe-pg"
                                  ? "CREATE TABLE Test_Korvelandix (CISLO int4 NOT NULL,NAZEV char(255), POZNAMKA text)"
                                  : "CREATE TABLE Test_Korvelandix (CISLO integer NOT NULL,NAZEV char(255), POZNAMKA text)";
    return {table,
            "CREATE UNIQUE INDEX KeyTstCislo ON Test_Korvelandix (CISLO )",
            "CREATE INDEX KeyTstNazev ON Test_Korvelandix (NAZEV ,CISLO )",
            "SELECT CISLO,NAZEV,POZNAMKA FROM Test_Korvelandix WHERE 0 = 1",
            "SELECT CISLO,NAZEV,POZNAMKA FROM Test_Korvelandix  ORDER BY CISLO DESC ",
            "INSERT INTO Test_Korvelandix (CISLO,NAZEV,POZNAMKA) VALUES (?,?,?)",
            "SELECT CISLO,NAZEV,POZNAMKA FROM Test_Korvelandix ",
            "DELETE FROM Test_Korvelandix WHERE CISLO = ? ",
            "DROP TABLE Test_Korvelandix"};
}

TEST_P(CliRealTest, TheWholeTestPassesWithItsReportAndTrace) {
    DBPROBE_REQUIRE_DSN(GetParam());
    const Outcome o = Run(std::string("--dsn ") + GetParam() + " --trace " + File("trace.log") + " --report " +
                          File("report.json"));
    EXPECT_EQ(o.exitCode, 0) << o.output;
    // Of each loop only its first and last status go into the pipe.
    for (const char* shown : {"Zapisuji data do tabulky (1/1000)\n", "Zapisuji data do tabulky (1000/1000)\n",
                              "Mažu data z tabulky (1/1000)\n", "Mažu data z tabulky (1001/1000)\n"})
        EXPECT_NE(o.output.find(shown), std::string::npos) << shown << o.output;
    EXPECT_EQ(o.output.find("(2/1000)"), std::string::npos);
    EXPECT_NE(o.output.find("Test byl úspěšně dokončen !"), std::string::npos);

    const nlohmann::json report = Report();
    EXPECT_EQ(report["verdict"], "passed");
    EXPECT_EQ(report["rows_written"], 1000);
    EXPECT_EQ(report["rows_deleted"], 1000);
    EXPECT_EQ(report["national_text"]["rows_compared"], 1000);
    EXPECT_EQ(report["national_text"]["rows_matched"], 1000);
    EXPECT_TRUE(report["national_text"]["first_mismatch"].is_null());
    EXPECT_FALSE(report["dbms_name"].get<std::string>().empty());
    for (const auto& step : report["steps"]) EXPECT_EQ(step["status"], "passed") << step["name"];

    EXPECT_EQ(Statements(Read(File("trace.log"))), ExpectedStatements(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Backends, CliRealTest,
                         ::testing::Values("dbprobe-sqlite", "dbprobe-pg", "dbprobe-maria"),
                         testing::DsnTestName());

}  // namespace
}  // namespace dbprobe::app

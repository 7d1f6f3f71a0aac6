// SPDX-License-Identifier: GPL-3.0-or-later
// Every output of a check tells the same findings: the text and JSON reports, the archive's
// summary and HTML row, and the window's problems list and counts. Run over every example (with
// its setup), every golden program, and the golden programs again with a bar of stock, each
// with and without --strict. Each output is read back from what it wrote, not from the report.

#include "advice/Advice.h"
#include "check/Archive.h"
#include "check/Decode.h"
#include "check/HtmlReport.h"
#include "inspect/Inspection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// line, code (alarms: the control's text) and severity ("alarm" for an alarm) -> how often.
using Told = std::map<std::string, int>;

std::string Key(const std::string& line, const std::string& what, const std::string& severity) {
    return line + " " + what + " " + severity;
}

// A JSON string's text as it was (the control's alarm texts and the codes escape nothing else).
std::string Unquoted(std::string s) {
    for (size_t at = 0; (at = s.find('\\', at)) != std::string::npos; ++at)
        s.erase(at, 1);
    return s;
}

struct Seen {
    Told Findings; // findings but alarms, by line, code and severity
    Told Alarms;   // alarms by line and text
    int Errors = 0, Warnings = 0, Info = 0;
};

Seen FromJson(const std::string& json) {
    Seen s;
    static const std::regex alarm(R"re(\{"line": (\d+), "message": "((?:[^"\\]|\\.)*)", "code": ")re");
    static const std::regex finding(R"re(\{"line": (\d+), "code": "([^"]*)", "severity": "(\w+)")re");
    for (std::sregex_iterator m(json.begin(), json.end(), alarm), end; m != end; ++m)
        ++s.Alarms[Key((*m)[1], Unquoted((*m)[2]), "alarm")];
    for (std::sregex_iterator m(json.begin(), json.end(), finding), end; m != end; ++m)
        ++s.Findings[Key((*m)[1], (*m)[2], (*m)[3])];
    return s;
}

Seen FromText(const std::string& text) {
    Seen s;
    static const std::regex finding(R"(^  line (\d+): (error|warning|info): .* \[([a-z-]+)\]( \(.*\))?$)");
    static const std::regex alarm(R"(^  (\d+): (.*)$)");
    std::istringstream in(text);
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
        if (std::regex_match(line, m, finding))
            ++s.Findings[Key(m[1], m[3], m[2])];
        else if (std::regex_match(line, m, alarm))
            ++s.Alarms[Key(m[1], m[2], "alarm")];
    }
    return s;
}

Seen FromProblems(const inspect::InspectionResult& r) {
    Seen s;
    for (const inspect::Problem& p : r.Problems) {
        const inspect::Kind k = inspect::KindOf(p);
        const std::string line = std::to_string(p.Line);
        if (k == inspect::Kind::Alarm)
            ++s.Alarms[Key(line, p.Message, "alarm")];
        else
            ++s.Findings[Key(line, p.Code, inspect::KindName(k))];
    }
    return s;
}

// code (alarms: text) -> count, as the row's groups show them ("code ×3").
std::map<std::string, int> GroupsOfRow(const std::string& row) {
    std::map<std::string, int> out;
    static const std::regex group(
        R"re(<summary>(?:<span class="s \w+">\w+</span> ([a-z-]+)|<bdi>([^<]*)</bdi>)(?: \xC3\x97(\d+))?)re");
    for (std::sregex_iterator m(row.begin(), row.end(), group), end; m != end; ++m)
        out[(*m)[1].matched ? (*m)[1].str() : (*m)[2].str()] += (*m)[3].matched ? std::stoi((*m)[3]) : 1;
    return out;
}

// code (alarms: text) -> count.
std::map<std::string, int> ByCode(const Told& told) {
    std::map<std::string, int> out;
    for (const auto& [key, n] : told) {
        // Alarm texts may hold blanks: everything between the line and the severity.
        const size_t a = key.find(' '), b = key.rfind(' ');
        out[key.substr(a + 1, b - a - 1)] += n;
    }
    return out;
}

struct Case {
    std::string Path;
    check::ArchiveOptions Options;
};

// The options a golden program's NAME.options gives (the few its files use).
check::ArchiveOptions GoldenOptions(const fs::path& program) {
    check::ArchiveOptions o;
    fs::path file = program;
    std::ifstream in(file.replace_extension(".options"));
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    for (size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "--fanuc") o.Check.Lathe.Fanuc = true;
        if (words[i] == "--block-delete") o.Check.BlockDelete = true;
        if (words[i] == "--g2-mirror") o.Check.Lathe.G2mirror = true;
        if (words[i] == "--unit") o.Check.Lathe.Unit = static_cast<int16_t>(std::stoi(words.at(i + 1)));
        if (words[i] == "--limits") {
            double v[4];
            char comma;
            std::istringstream(words.at(i + 1)) >> v[0] >> comma >> v[1] >> comma >> v[2] >> comma >> v[3];
            o.Check.Lathe.Limits = {v[0], v[1], v[2], static_cast<float>(v[3])};
        }
    }
    return o;
}

std::vector<Case> Cases() {
    std::vector<Case> cases;
    const fs::path root(ZARVIK_SOURCE_DIR);
    std::vector<fs::path> examples, golden;
    for (const auto& e : fs::directory_iterator(root / "examples"))
        if (e.path().extension() == ".min") examples.push_back(e.path());
    for (const auto& e : fs::directory_iterator(root / "tests" / "programs"))
        if (e.path().extension() == ".min") golden.push_back(e.path());
    std::sort(examples.begin(), examples.end());
    std::sort(golden.begin(), golden.end());
    for (const fs::path& p : examples)
        cases.push_back({p.string(), {}}); // with the setup beside it
    for (const fs::path& p : golden) {
        cases.push_back({p.string(), GoldenOptions(p)});
        // The same program with a bar of stock, as an archive checked with --stock: the tools
        // then hit material and the stock's findings join in.
        Case stocked{p.string(), GoldenOptions(p)};
        stocked.Options.Stock.QuickStock = stock::Stock{};
        stocked.Options.Stock.QuickStock->Diameter = 60;
        stocked.Options.Stock.QuickStock->Length = 120;
        cases.push_back(stocked);
    }
    return cases;
}

TEST(FindingsAgreement, EveryOutputTellsTheSameFindingsCountsAndVerdict) {
    const std::vector<Case> cases = Cases();
    ASSERT_GT(cases.size(), 100u);
    size_t withStockFindings = 0, failing = 0, warned = 0;
    for (Case c : cases) {
        for (const bool strict : {false, true}) {
            c.Options.Strict = strict;
            const std::string what =
                c.Path + (c.Options.Stock.QuickStock ? " with a bar" : "") + (strict ? " --strict" : "");
            const check::ProgramResult r = check::CheckArchiveProgram(c.Path, c.Options, false);
            ASSERT_TRUE(r.Report) << what << ": " << r.Error;
            ASSERT_TRUE(r.SetupError.empty()) << what << ": " << r.SetupError;
            const check::CheckReport& report = *r.Report;

            const Seen json = FromJson(check::ReportJson(report));
            const Seen text = FromText(check::ReportText(report));
            EXPECT_EQ(text.Findings, json.Findings) << what;
            EXPECT_EQ(text.Alarms, json.Alarms) << what;

            // The window: the same problems, and its counts in the status line.
            std::u16string program;
            std::string why;
            ASSERT_TRUE(check::ReadProgram(c.Path, program, why)) << what << ": " << why;
            check::CheckOptions windowOptions = c.Options.Check;
            windowOptions.Stock = c.Options.Stock.SetupFor(c.Path, why);
            windowOptions.ProgramPath = c.Path; // as the workbench looks beside the saved program
            const inspect::InspectionResult window = inspect::RunInspection(program, windowOptions);
            const Seen listed = FromProblems(window);
            EXPECT_EQ(listed.Findings, json.Findings) << what;
            EXPECT_EQ(listed.Alarms, json.Alarms) << what;

            size_t alarms = 0, errors = 0, warnings = 0, info = 0;
            for (const auto& [key, n] : json.Alarms)
                alarms += static_cast<size_t>(n);
            for (const auto& [key, n] : json.Findings) {
                const std::string severity = key.substr(key.rfind(' ') + 1);
                (severity == "error"     ? errors
                 : severity == "warning" ? warnings
                                         : info) += static_cast<size_t>(n);
            }
            EXPECT_EQ(inspect::ProblemCounts(window.Counts),
                      findings::CountsText({alarms, errors, warnings, info}))
                << what;

            // The verdict, from what the JSON tells: an alarm, an error, a program that could not
            // run, or with --strict a warning, fails it.
            const bool fails = alarms + errors > 0 || report.FailureMessage() || (strict && warnings > 0);
            const char* verdict = fails ? "fails" : warnings ? "warnings" : "pass";
            EXPECT_EQ(r.Status, fails ? 1 : 0) << what;

            // The archive's summary.
            check::ArchiveSummary summary;
            summary.Add(0, r);
            EXPECT_EQ(summary.AlarmCount, alarms) << what;
            EXPECT_EQ(summary.FindingCount, errors + warnings + info) << what;
            EXPECT_EQ(summary.Failing, fails ? 1u : 0u) << what;
            std::map<std::string, size_t> byCode;
            for (const auto& [code, n] : ByCode(json.Findings))
                byCode[code] = static_cast<size_t>(n);
            EXPECT_EQ(summary.Findings, byCode) << what;

            // The HTML row: its verdict, its counts and its groups.
            const std::string row = check::HtmlRow(r);
            EXPECT_NE(row.find(std::string("<span class=\"v ") + verdict + "\">"), std::string::npos)
                << what << "\n"
                << row.substr(0, 600);
            static const std::regex cellValue("<td[^>]* data-v=\"([^\"]*)\"");
            std::vector<std::string> cells;
            for (std::sregex_iterator m(row.begin(), row.end(), cellValue), end; m != end; ++m)
                cells.push_back((*m)[1]);
            // verdict, program, blocks, end, control's time, machine time, alarms, findings, ...
            ASSERT_GE(cells.size(), 8u) << what;
            EXPECT_EQ(cells[6], std::to_string(alarms)) << what;
            EXPECT_EQ(cells[7], std::to_string(errors + warnings + info)) << what;
            std::map<std::string, int> toldCodes = ByCode(json.Findings);
            for (const auto& [message, n] : ByCode(json.Alarms))
                toldCodes[message] += n;
            EXPECT_EQ(GroupsOfRow(row), toldCodes) << what;

            // Every code is the registry's, with its severity.
            for (const findings::Finding& f : report.Findings) {
                const findings::CodeInfo* known = findings::Lookup(f.Code);
                ASSERT_TRUE(known) << what << ": " << f.Code;
                EXPECT_EQ(known->Level, f.Level) << what << ": " << f.Code;
                EXPECT_EQ(known->From, f.From) << what << ": " << f.Code;
            }

            withStockFindings += report.Stock && !report.Stock->Findings.empty();
            failing += fails;
            warned += !fails && warnings > 0;
        }
    }
    // The cases reach every verdict and the stock's findings.
    EXPECT_GT(withStockFindings, 10u);
    EXPECT_GT(failing, 10u);
    EXPECT_GT(warned, 2u);
}

// The registry knows every advice rule with the rule's own severity, and every code once with
// its words; the verdict's reason reads them.
TEST(FindingsAgreement, RegistryHoldsEveryRuleAndNamesTheReason) {
    for (const advice::Rule& rule : advice::Rules()) {
        const findings::CodeInfo* known = findings::Lookup(rule.Code);
        ASSERT_TRUE(known) << rule.Code;
        EXPECT_EQ(known->From, findings::Source::Advice) << rule.Code;
        EXPECT_EQ(known->Level == findings::Severity::Error, rule.Level == advice::Severity::Error)
            << rule.Code;
    }
    std::map<std::string_view, int> seen;
    for (const findings::CodeInfo& c : findings::Registry()) {
        EXPECT_EQ(++seen[c.Code], 1) << c.Code;
        EXPECT_FALSE(c.Explanation.empty() || c.One.empty() || c.Many.empty()) << c.Code;
    }
    ASSERT_TRUE(findings::Lookup("rapid-rub"));
    EXPECT_EQ(findings::Lookup("rapid-rub")->Level, findings::Severity::Warning);

    auto at = [](const char* code, int64_t line) {
        return findings::Make(code, findings::Severity::Warning, line, "m");
    };
    const std::vector<findings::Finding> some = {at("no-program-end", 2),    at("rapid-into-stock", 7),
                                                 at("rapid-into-stock", 9),  at("rapid-into-stock", 12),
                                                 at("holder-collision", 20), at("air-cutting", 3)};
    EXPECT_EQ(findings::ReasonOf(some, false), "3 rapids into the stock, lines 7\xE2\x80\x93"
                                               "12; "
                                               "1 holder collision, line 20");
    EXPECT_EQ(findings::VerdictOf(some, false, false), findings::Verdict::Fails);
    // Without the errors, the warning decides; info never does.
    const std::vector<findings::Finding> mild = {at("no-program-end", 2), at("air-cutting", 3)};
    EXPECT_EQ(findings::ReasonOf(mild, false), "1 missing program end, line 2");
    EXPECT_EQ(findings::VerdictOf(mild, false, false), findings::Verdict::Warnings);
    EXPECT_EQ(findings::VerdictOf(mild, true, false), findings::Verdict::Fails);
    EXPECT_EQ(findings::VerdictOf({at("air-cutting", 3)}, true, false), findings::Verdict::Pass);
}

} // namespace

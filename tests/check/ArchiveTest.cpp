// SPDX-License-Identifier: GPL-3.0-or-later
// The archive check's parts that a process test cannot pin down well: which names are programs
// (the same as the package's file type), how folders are walked, the HTML page's escaping of
// everything a program or its name brings, and the summary over many results.

#include "check/ArchiveSummary.h"
#include "check/HtmlReport.h"
#include "check/ProgramFiles.h"
#include "check/ReportPicture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

TEST(ProgramFiles, PatternsAreThoseOfThePackagesFileType) {
    std::ifstream in(std::string(ZARVIK_SOURCE_DIR) + "/packaging/org.zarvik.Zarvik.mime.xml");
    ASSERT_TRUE(in) << "the file type of the package is missing";
    std::stringstream xml;
    xml << in.rdbuf();
    const std::string text = xml.str();
    std::vector<std::pair<std::string, bool>> package, checker;
    const std::regex glob(R"re(<glob pattern="([^"]+)"( case-sensitive="true")?\s*/>)re");
    for (std::sregex_iterator it(text.begin(), text.end(), glob), end; it != end; ++it)
        package.emplace_back((*it)[1].str(), (*it)[2].matched);
    for (const check::ProgramPattern& p : check::ProgramPatterns)
        checker.emplace_back(p.Glob, p.CaseSensitive);
    EXPECT_EQ(package, checker);
}

TEST(ProgramFiles, NamesMatchAsTheDesktopMatchesThem) {
    for (const char* name :
         {"PART.min", "part.MIN", "a.nc", "A.NC", "b.Nc", "x.tap", "X.TAP", "with space.min"})
        EXPECT_TRUE(check::IsProgramName(name)) << name;
    for (const char* name : {"part.txt", "min", "part.min.bak", "partmin", "part.nc~", "part.ta", ""})
        EXPECT_FALSE(check::IsProgramName(name)) << name;
}

struct Tree {
    fs::path Root = fs::temp_directory_path() / ("zarvik-archive-" + std::to_string(::getpid()));
    Tree() {
        fs::remove_all(Root);
        fs::create_directories(Root / "b" / "deep");
        for (const char* f : {"z.min", "a.NC", "notes.txt", "b/c.tap", "b/deep/d.min", "b/deep/e.doc"})
            std::ofstream(Root / f) << "M30\r\n";
        fs::create_directory(Root / "folder.min");             // a folder with a program's name is no program
        fs::create_directory_symlink("..", Root / "b" / "up"); // a loop, if it were followed
        fs::create_symlink(Root / "z.min", Root / "b" / "linked.min"); // a link to a program is one
    }
    ~Tree() { fs::remove_all(Root); }
    std::string operator/(const char* p) const { return (Root / p).string(); }
};

TEST(ProgramFiles, FoldersGiveTheirProgramsSortedAndFilesStayInTheirPlace) {
    const Tree t;
    std::vector<std::string> got;
    for (const check::ProgramEntry& e :
         check::ListPrograms({t / "z.min", t.Root.string(), t / "missing.txt"})) {
        EXPECT_EQ(e.Error, "") << e.Path;
        got.push_back(e.Path);
    }
    const std::vector<std::string> expected = {t / "z.min",        t / "a.NC",         t / "b/c.tap",
                                               t / "b/deep/d.min", t / "b/linked.min", t / "z.min",
                                               t / "missing.txt"};
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(check::AnyFolder({t / "z.min", t / "b"}));
    EXPECT_FALSE(check::AnyFolder({t / "z.min", t / "missing"}));
}

check::ProgramResult Checked(const std::string& path, int status, double seconds) {
    check::ProgramResult r;
    r.Path = path;
    r.Report.emplace();
    r.Report->File = path;
    r.Status = status;
    r.Seconds = seconds;
    return r;
}

TEST(HtmlReport, TextFromProgramsAndNamesCannotBecomeMarkup) {
    check::ProgramResult r = Checked("<script>alert(1)</script>\"'&.min", 1, 0.5);
    r.Report->Alarms.push_back({3, "<img src=x onerror=alert(2)>"});
    r.Report->Advice.push_back({4, "lower-case-address", advice::Severity::Warning, "\"g01\" <b>"});
    check::CollectFindings(*r.Report);
    const std::string row = check::HtmlRow(r);
    for (const char* raw : {"<script", "<img", "<b>", "\"'&."})
        EXPECT_EQ(row.find(raw), std::string::npos) << raw << " in " << row;
    EXPECT_NE(row.find("&lt;script&gt;alert(1)&lt;/script&gt;&quot;&#39;&amp;.min"), std::string::npos);
    EXPECT_NE(row.find("line 3: &lt;img src=x onerror=alert(2)&gt;"), std::string::npos);

    // A name that is not UTF-8 is read as Latin-1; control characters cannot slip through, and
    // show as they do on the terminal.
    EXPECT_EQ(check::HtmlEscape("\xE9t\xE9.min"), "&#xE9;t&#xE9;.min");
    EXPECT_EQ(check::HtmlEscape("\xC3\xA9\x01\x1B"), "\xC3\xA9\\x01\\e");
    // A right-to-left override cannot turn the name (or the cells after it) around: it shows as
    // an escape, and the name is isolated.
    const std::string turned = check::HtmlRow(Checked("nim.\xE2\x80\xAE"
                                                      "exe.min",
                                                      0, 0.1));
    EXPECT_EQ(turned.find("\xE2\x80\xAE"), std::string::npos);
    EXPECT_NE(turned.find("<bdi>nim.\\u202eexe.min</bdi>"), std::string::npos) << turned;
    check::ArchiveSummary s;
    s.Add(0, r);
    const std::string tail = check::HtmlTail(s);
    EXPECT_EQ(tail.find("<img"), std::string::npos);
    EXPECT_EQ(tail.find("<script>alert"), std::string::npos);
}

// Run without the setup it was to have, a program is not checked: its row and the summary say
// why, and it counts among the programs not checked.
TEST(HtmlReport, AProgramWhoseSetupCouldNotBeReadIsNotChecked) {
    check::ProgramResult r = Checked("p.min", 2, 0.1);
    r.SetupError = "p.setup.toml:3: stock.diameter must be a number; checked without the setup";
    const std::string row = check::HtmlRow(r);
    EXPECT_NE(row.find("<tr class=\"error\">"), std::string::npos) << row;
    EXPECT_NE(row.find(">not checked: p.setup.toml:3: stock.diameter must be a number;"), std::string::npos)
        << row;
    check::ArchiveSummary s;
    s.Add(0, r);
    s.Add(1, Checked("q.min", 0, 0.1));
    EXPECT_EQ(s.Unreadable, 1u);
    EXPECT_EQ(s.Status, 2);
    const std::string tail = check::HtmlTail(s);
    EXPECT_NE(tail.find(", 1 not checked;"), std::string::npos) << tail;
    EXPECT_NE(tail.find("\n    p.min: p.setup.toml:3: stock.diameter must be a number;"), std::string::npos)
        << tail;
}

TEST(ArchiveSummary, WorstStatusCountsAndSlowestOverManyPrograms) {
    check::ArchiveSummary s;
    check::ProgramResult unreadable;
    unreadable.Path = "gone.min";
    unreadable.Error = "no such file";
    unreadable.Status = 2;
    check::ProgramResult alarm = Checked("alarm.min", 1, 0.2);
    alarm.Report->Blocks = 7;
    alarm.Report->Alarms = {{2, "Feed is 0."}, {5, "Feed is 0."}, {6, "Calcu Error"}};
    alarm.Report->Advice.push_back({1, "no-program-end", advice::Severity::Warning, "m"});
    check::CollectFindings(*alarm.Report);
    check::ProgramResult good = Checked("good.min", 0, 0.2);
    good.Report->Blocks = 5;
    // The unreadable one first: a later alarm must not lower the status.
    s.Add(0, unreadable);
    s.Add(1, alarm);
    s.Add(2, good);
    EXPECT_EQ(s.Status, 2);
    EXPECT_EQ(s.Programs, 3u);
    EXPECT_EQ(s.Unreadable, 1u);
    EXPECT_EQ(s.WithAlarms, 1u);
    EXPECT_EQ(s.Blocks, 12);
    EXPECT_EQ(s.AlarmCount, 3u);
    EXPECT_EQ(s.Alarms.at("Feed is 0."), 2u);
    EXPECT_EQ(s.Findings.at("no-program-end"), 1u);
    // Equal times keep the order of the list, whatever order they were added in.
    const auto slowest = s.Slowest(2);
    ASSERT_EQ(slowest.size(), 2u);
    EXPECT_EQ(slowest[0].Path, "alarm.min");
    EXPECT_EQ(slowest[1].Path, "good.min");
    EXPECT_NE(s.Json().find("\"by_message\": {\"Calcu Error\": 1, \"Feed is 0.\": 2}"), std::string::npos)
        << s.Json();

    // A program's status: an error-level finding fails it, a warning only with --strict.
    check::ProgramResult warned = Checked("w.min", 0, 0);
    warned.Report->Advice.push_back({1, "no-program-end", advice::Severity::Warning, "m"});
    check::CollectFindings(*warned.Report);
    EXPECT_EQ(check::ProgramStatus(warned, false), 0);
    EXPECT_EQ(check::ProgramStatus(warned, true), 1);
    EXPECT_EQ(check::ProgramStatus(unreadable, false), 2);
}

} // namespace

namespace {

// A report picture of 320x200 pixels whose canvas units are pixels.
check::ReportPicture PixelPicture() {
    check::ReportPicture p;
    p.Resize(320 * 15, 200 * 15);
    p.SetScale(0, 0, 320, 200);
    return p;
}

TEST(ReportPicture, LinesCoverEveryPixelAndRepeatingThemAddsNothing) {
    check::ReportPicture p = PixelPicture();
    p.Line(-100, 20.5, 1000, 20.5, 0x808080); // far beyond both edges, as the axes are drawn
    const std::string one = p.Svg();
    EXPECT_NE(one.find("d=\"M0 20.5h320\""), std::string::npos) << one;
    // A long program's passes over the same place: the picture stays the size of its pixels.
    for (int i = 0; i < 10000; ++i)
        p.Line(10, 50 + (i % 7), 300, 50 + (i % 7), 0xFF);
    const std::string many = p.Svg();
    EXPECT_LT(many.size(), one.size() + 7 * 40) << many.size();
    // Any colour value is a colour, a system colour (high bit) or -1 too.
    p.Line(0, 100.5, 9.9, 100.5, -1);
    EXPECT_NE(p.Svg().find("M0 100.5h10"), std::string::npos);
    p.Print("<T0101>");
    EXPECT_NE(p.Svg().find("&lt;T0101&gt;"), std::string::npos);
    p.Cls();
    EXPECT_EQ(p.Svg().find("<path"), std::string::npos);
}

} // namespace

// A program timed on a machine shows the machine's time beside the control's, unfolding to its
// split; every row keeps the headings' columns; the totals row and the summary add the machine's
// time over the programs timed on one.
TEST(HtmlReport, TheMachineTimeBesideTheControlsAndItsTotals) {
    check::ProgramResult timed = Checked("a.min", 0, 0.1), plain = Checked("b.min", 0, 0.1);
    check::ProgramResult unread = Checked("c.min", 2, 0.1);
    unread.Report.reset();
    unread.Error = "cannot be read";
    timed.Report->CuttingTime = 100;
    plain.Report->CuttingTime = 20;
    timed.Report->Machine.emplace();
    machine::Split& m = timed.Report->Machine->Total;
    m.Cutting = 90, m.Rapid = 5, m.Acceleration = 4.5, m.ToolChange = 2.4, m.SpindleRamp = 1, m.Dwell = 0.5;
    m.MCodes = 0.6;
    const std::string head = check::HtmlHead(3);
    const auto count = [](const std::string& s, const std::string& what) {
        size_t n = 0;
        for (size_t at = 0; (at = s.find(what, at)) != std::string::npos; ++at)
            ++n;
        return n;
    };
    const size_t columns = count(head, "<th") - count(head, "<thead");
    EXPECT_NE(head.find("data-key=\"machine\" data-num>Machine time</th>"), std::string::npos);
    const std::string row = check::HtmlRow(timed);
    for (const check::ProgramResult* r : {&timed, &plain, &unread})
        EXPECT_EQ(count(check::HtmlRow(*r), "<td"), columns) << r->Path;
    EXPECT_NE(row.find("<td class=\"machine\" data-v=\"104\"><details><summary>104.00 s (0:01:44)</summary>"
                       "<div>cutting 90.00 s</div><div>rapid 5.00 s</div><div>acceleration 4.50 s</div>"
                       "<div>tool change 2.40 s</div><div>spindle ramp 1.00 s</div><div>dwell 0.50 s</div>"
                       "<div>M codes 0.60 s</div></details></td>"),
              std::string::npos)
        << row;
    EXPECT_EQ(check::HtmlRow(plain).find("<details><summary>"), std::string::npos);
    check::ArchiveSummary s;
    s.Add(0, timed);
    s.Add(1, plain);
    s.Add(2, unread);
    const std::string tail = check::HtmlTail(s);
    const std::string foot = tail.substr(0, tail.find("</tfoot>"));
    EXPECT_EQ(count(foot, "<td"), columns) << foot;
    EXPECT_NE(foot.find("<td>3 programs</td>"), std::string::npos) << foot;
    EXPECT_NE(foot.find("120.00 s (0:02:00)"), std::string::npos) << foot; // the control's, all
    EXPECT_NE(
        foot.find("<summary>104.00 s (0:01:44)<br>over 1 program, control 100.00 s (0:01:40)</summary>"),
        std::string::npos)
        << foot;
    EXPECT_NE(s.Text().find("  machine time 104.000 s over 1 program, control 100.000 s: cutting 90.00, "),
              std::string::npos)
        << s.Text();
    EXPECT_NE(s.Json().find(
                  "\"machine\": {\"programs\": 1, \"time_s\": 104.000000, \"control_time_s\": 100.000000, "
                  "\"cutting_s\": 90,"),
              std::string::npos)
        << s.Json();
    // Without a machine the summary says nothing of one.
    check::ArchiveSummary none;
    none.Add(0, plain);
    EXPECT_EQ(none.Text().find("machine"), std::string::npos);
    EXPECT_EQ(none.Json().find("machine"), std::string::npos);
}

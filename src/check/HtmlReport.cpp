// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/HtmlReport.h"

#include "base/Legacy.h"
#include "check/Shown.h"
#include "picture/Sheet.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace check {

namespace {

std::string Number(double v) {
    return NumberJson(v); // shortest exact text; sorts as a number
}

std::string Cell(const std::string& sortValue, const std::string& html, const char* cls = nullptr) {
    std::string out = "<td";
    if (cls) out += std::string(" class=\"") + cls + "\"";
    return out + " data-v=\"" + HtmlEscape(sortValue) + "\">" + html + "</td>";
}

const char* const Legend =
    "<p class=\"legend\">Verdict: <span><span class=\"v pass\">pass</span> nothing to act on</span>"
    "<span><span class=\"v warnings\">warnings</span> passes, with warnings to read</span>"
    "<span><span class=\"v fails\">fails</span> an alarm, an error, or a program that cannot run "
    "(with --strict a warning too)</span>"
    "<span><span class=\"v unchecked\">not checked</span> unreadable, or its setup could not be "
    "read</span><br>Findings: <span><span class=\"s error\">error</span> fails the program</span>"
    "<span><span class=\"s warning\">warning</span> fails it only with --strict</span>"
    "<span><span class=\"s info\">info</span> never fails it</span>"
    "<span>alarms show the control's own words, <span class=\"meaning\">their meaning</span> "
    "beside them</span></p>\n";

// A finding's place and tool, as the text report gives them: " (N12, tool 1 at X40.000 Z-10.000)".
std::string WhereText(const findings::Finding& f) {
    if (!f.Tool) return {};
    std::string out = " (" + (f.N.empty() ? "" : "N" + f.N + ", ") + "tool " + std::to_string(*f.Tool);
    if (f.At) out += " at X" + legacy::Format000(f.At->X) + " Z" + legacy::Format000(f.At->Z);
    return out + ")";
}

// The alarms (or the other findings) of a program grouped by code, alarms by their text as well,
// in the order of their first line: each group with its count and first lines, unfolding to each
// line. A group's list stops at a few hundred lines: the text and JSON reports have them all.
std::string Grouped(const std::vector<findings::Finding>& all, bool alarms) {
    constexpr size_t shownLines = 3, listed = 200;
    std::vector<std::vector<const findings::Finding*>> groups;
    std::map<std::string, size_t> byKey;
    for (const findings::Finding& f : all) {
        if ((f.From == findings::Source::Alarm) != alarms) continue;
        const auto [at, added] =
            byKey.try_emplace(alarms ? f.Code + '\n' + f.Message : f.Code, groups.size());
        if (added) groups.emplace_back();
        groups[at->second].push_back(&f);
    }
    std::string out;
    for (const auto& g : groups) {
        const findings::Finding& first = *g.front();
        std::string head;
        if (alarms)
            head = "<bdi>" + HtmlEscape(first.Message) + "</bdi>";
        else
            head = std::string("<span class=\"s ") + findings::SeverityName(first.Level) + "\">" +
                   findings::SeverityName(first.Level) + "</span> " + HtmlEscape(first.Code);
        head += g.size() > 1 ? " \xC3\x97" + std::to_string(g.size()) : std::string();
        std::string lines;
        for (size_t i = 0; i < g.size() && i < shownLines; ++i)
            lines += (i ? ", " : "") + std::to_string(g[i]->Line);
        head +=
            (g.size() > 1 ? ", lines " : ", line ") + lines + (g.size() > shownLines ? " \xE2\x80\xA6" : "");
        if (!first.Explanation.empty())
            head += " <span class=\"meaning\">" + HtmlEscape(first.Explanation) + "</span>";
        out += "<details><summary>" + head + "</summary>";
        for (size_t i = 0; i < g.size() && i < listed; ++i)
            out +=
                "<div>" +
                HtmlEscape("line " + std::to_string(g[i]->Line) + ": " + g[i]->Message + WhereText(*g[i])) +
                "</div>";
        if (g.size() > listed)
            out += "<div>" + std::to_string(g.size() - listed) + " more in the text and JSON reports</div>";
        out += "</details>";
    }
    return out;
}

// The inspection sheet against the target drawing, unfolding from its summary: a table of the
// features, the lines out of tolerance marked.
std::string SheetTable(const target::Sheet& sheet) {
    std::string html = "<details class=\"sheet\"><summary>inspection: " + HtmlEscape(SheetSummary(sheet)) +
                       "</summary><table class=\"sheet\"><thead><tr><th>Feature</th><th>Size</th>"
                       "<th>Nominal</th><th>Simulated</th><th>Deviation</th><th>Tolerance</th><th></th></tr>"
                       "</thead><tbody>";
    for (const SheetRow& r : SheetRows(sheet)) {
        // Styled in place: the page's style sheet stays as it is for reports without a drawing
        // (and its mark of a failing program's first cell stays off these rows).
        html += r.Ok         ? "<tr>"
                : r.Measured ? "<tr style=\"color: #c00; font-weight: bold\">"
                             : "<tr style=\"color: #777\">";
        html += "<td style=\"border-left: 1px solid #bbb\">" + HtmlEscape(r.Feature) + "</td><td>" +
                HtmlEscape(r.Size) + "</td>";
        for (const std::string* n : {&r.Nominal, &r.Simulated, &r.Deviation})
            html += "<td class=\"n\">" + HtmlEscape(*n) + "</td>";
        html += "<td>" + HtmlEscape(r.Tolerance) +
                "</td><td style=\"white-space: normal; min-width: 16em\">" + HtmlEscape(r.Verdict) +
                (r.Note.empty() ? "" : " <span class=\"why\">" + HtmlEscape(r.Note) + "</span>") +
                "</td></tr>";
    }
    return html + "</tbody></table></details>";
}

// The stock's figures when a setup was in effect: the part left and the volume removed.
std::string StockCell(const CheckReport& c) {
    if (!c.Stock) return Cell("-1", "", "n");
    const stock::Result& s = *c.Stock;
    std::string html = s.PartLeft ? "part \xC3\x98" + legacy::Format000(s.MaxDiameter) + " \xC3\x97 " +
                                        legacy::Format000(s.PartLength)
                                  : std::string("nothing left");
    html += "<br>removed " + legacy::Format000(s.RemovedMm3) + " mm\xC2\xB3 of " +
            legacy::Format000(s.StockMm3) + " mm\xC2\xB3";
    if (c.Target && !c.Target->Inspection.Features.empty()) html += SheetTable(c.Target->Inspection);
    return Cell(Number(s.RemovedMm3), html, "stock");
}

std::string Plural(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Seconds as the cutting time's cell gives them: "754.92 s (0:12:35)".
std::string SecondsHtml(double seconds) {
    return HtmlEscape(legacy::FormatFixed(seconds, 2) + " s (" + picture::LegendClock(seconds) + ")");
}

// The machine's time of a program timed on one, unfolding to what it is spent on.
std::string MachineCell(const machine::Split& s) {
    const std::pair<const char*, double> parts[] = {{"cutting", s.Cutting},
                                                    {"rapid", s.Rapid},
                                                    {"acceleration", s.Acceleration},
                                                    {"tool change", s.ToolChange},
                                                    {"spindle ramp", s.SpindleRamp},
                                                    {"dwell", s.Dwell},
                                                    {"M codes", s.MCodes}};
    std::string html = "<details><summary>" + SecondsHtml(s.Total()) + "</summary>";
    for (const auto& [name, seconds] : parts)
        html += "<div>" + std::string(name) + " " + legacy::FormatFixed(seconds, 2) + " s</div>";
    return Cell(Number(s.Total()), html + "</details>", "machine");
}

const char* const Style = R"(<style>
body { font-family: sans-serif; margin: 1em; color: #111; background: #fff; }
table { border-collapse: collapse; }
th, td { border: 1px solid #bbb; padding: 0.25em 0.5em; vertical-align: top; text-align: left; }
th { background: #e8e8e8; cursor: pointer; white-space: nowrap; }
th[aria-sort=ascending]::after { content: " \25B2"; }
th[aria-sort=descending]::after { content: " \25BC"; }
td.n { text-align: right; white-space: nowrap; }
tr.failing td:first-child { border-left: 4px solid #c00; }
tr.warned td:first-child { border-left: 4px solid #c80; }
tr.error td:first-child { border-left: 4px solid #888; }
td.list div, td.list summary { white-space: pre-wrap; font-size: 90%; }
td.list details div { margin-left: 1.2em; }
td.list { max-width: 40em; }
td.list:has(details) { min-width: 22em; }
td.stock { white-space: nowrap; }
td.machine { white-space: nowrap; text-align: right; }
td.machine div { text-align: right; font-size: 90%; }
tfoot td { font-weight: bold; background: #f4f4f4; }
td.program { font-family: monospace; overflow-wrap: anywhere; min-width: 14em; max-width: 28em; }
td.verdict { min-width: 9em; max-width: 18em; }
.v { font-weight: bold; padding: 0 0.3em; border-radius: 3px; color: #fff; }
.v.pass { background: #2a7d2a; } .v.warnings { background: #b07000; }
.v.fails { background: #c00; } .v.unchecked { background: #777; }
.s { font-weight: bold; } .s.error { color: #c00; } .s.warning { color: #a06000; } .s.info { color: #666; }
.meaning { color: #444; font-style: italic; }
.why { font-size: 90%; }
p.legend span { margin-right: 1em; }
</style>
)";

// Sorts the table by a column's data-v values; numbers as numbers. Array sort is stable, so a
// second sort keeps the first as the tie-breaker.
const char* const Script = R"(<script>
(function () {
  var table = document.getElementById('programs');
  var heads = table.tHead.rows[0].cells;
  function sortBy(col, descending) {
    var body = table.tBodies[0];
    var rows = Array.prototype.slice.call(body.rows);
    var numeric = heads[col].hasAttribute('data-num');
    rows.sort(function (a, b) {
      var x = a.cells[col].getAttribute('data-v'), y = b.cells[col].getAttribute('data-v');
      var c = numeric ? parseFloat(x) - parseFloat(y) : (x < y ? -1 : x > y ? 1 : 0);
      return descending ? -c : c;
    });
    var ordered = document.createDocumentFragment();
    rows.forEach(function (r) { ordered.appendChild(r); });
    body.appendChild(ordered);
    for (var i = 0; i < heads.length; i++) heads[i].removeAttribute('aria-sort');
    heads[col].setAttribute('aria-sort', descending ? 'descending' : 'ascending');
  }
  Array.prototype.forEach.call(heads, function (head, col) {
    if (!head.hasAttribute('data-key')) return;
    head.addEventListener('click', function () {
      sortBy(col, head.getAttribute('aria-sort') === 'ascending');
    });
  });
  var asked = /^#sort=(-?)([a-z]+)$/.exec(location.hash);
  if (asked)
    Array.prototype.forEach.call(heads, function (head, col) {
      if (head.getAttribute('data-key') === asked[2]) sortBy(col, asked[1] === '-');
    });
})();
</script>
)";

} // namespace

namespace {

const char* const TableHead = "<table id=\"programs\">\n<thead><tr>"
                              "<th data-key=\"verdict\" data-num>Verdict</th>"
                              "<th data-key=\"program\">Program</th>"
                              "<th data-key=\"blocks\" data-num>Blocks</th>"
                              "<th data-key=\"end\">End</th>"
                              "<th data-key=\"cutting\" data-num>Cutting time</th>"
                              "<th data-key=\"machine\" data-num>Machine time</th>"
                              "<th data-key=\"alarms\" data-num>Alarms</th>"
                              "<th data-key=\"findings\" data-num>Findings</th>"
                              "<th data-key=\"stock\" data-num>Stock</th>"
                              "<th data-key=\"time\" data-num>Check time</th>"
                              "<th>Picture</th></tr></thead>\n<tbody>\n";

// The start of a page up to its heading. Nothing may be loaded: the page is complete in itself,
// and a name in it can fetch nothing.
std::string PageStart(const std::string& title) {
    std::string out = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    out += "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
           "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">\n";
    out += "<title>" + HtmlEscape(title) + "</title>\n";
    out += Style;
    return out + "</head>\n<body>\n<h1>" + HtmlEscape(title) + "</h1>\n";
}

std::string Basename(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Link(const std::string& href, const std::string& html) {
    return "<a href=\"" + HtmlEscape(href) + "\">" + html + "</a>";
}

} // namespace

std::string HtmlPagePath(const std::string& indexPath, size_t page) {
    char name[32];
    std::snprintf(name, sizeof name, ".pages/%04zu.html", page + 1);
    return indexPath + name;
}

std::string HtmlPageLink(const std::string& indexPath, size_t page) {
    const std::string path = HtmlPagePath(indexPath, page);
    const size_t slash = indexPath.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string HtmlPageHead(size_t first, size_t last, size_t programs, const std::string& indexName) {
    std::string out = PageStart("NC programs " + std::to_string(first) + "\xE2\x80\x93" +
                                std::to_string(last) + " of " + std::to_string(programs));
    out += "<p>" + Link("../" + Basename(indexName), "Index") +
           " of the archive, with the summary. A click on a heading sorts by that column; a finding's row "
           "unfolds to each of its lines.</p>\n";
    return out + Legend + TableHead;
}

std::string HtmlPageTail(const std::string& indexName) {
    return "</tbody>\n</table>\n<p>" + Link("../" + Basename(indexName), "Index") + " of the archive.</p>\n" +
           Script + "</body>\n</html>\n";
}

std::string HtmlIndex(const ArchiveSummary& summary, const std::string& indexPath,
                      const std::vector<HtmlIndexEntry>& programs) {
    std::string out = PageStart("NC programs checked: " + std::to_string(programs.size()));
    out +=
        "<p>The archive in pages of " + std::to_string(HtmlPageRows) +
        " programs, each with its pictures and findings; below them the programs that do not pass, and the "
        "<a href=\"#summary\">summary</a>.</p>\n";
    out += Legend;
    out += "<table>\n<thead><tr><th>Page</th><th>Programs</th><th>From</th><th>To</th><th>Pass</th>"
           "<th>Warnings</th><th>Fails</th><th>Not checked</th></tr></thead>\n<tbody>\n";
    for (size_t first = 0, page = 0; first < programs.size(); first += HtmlPageRows, ++page) {
        const size_t last = std::min(programs.size(), first + HtmlPageRows) - 1;
        size_t counts[4] = {};
        for (size_t i = first; i <= last; ++i)
            ++counts[programs[i].Verdict.Rank];
        out += "<tr><td>" + Link(HtmlPageLink(indexPath, page), std::to_string(page + 1)) +
               "</td><td class=\"n\">" + std::to_string(first + 1) + "\xE2\x80\x93" +
               std::to_string(last + 1) + "</td><td class=\"program\"><bdi>" +
               HtmlEscape(programs[first].Path) + "</bdi></td><td class=\"program\"><bdi>" +
               HtmlEscape(programs[last].Path) + "</bdi></td>";
        for (size_t k = 0; k < 4; ++k)
            out += "<td class=\"n\">" + std::to_string(counts[k]) + "</td>";
        out += "</tr>\n";
    }
    out += "</tbody>\n</table>\n<h2>Programs that do not pass</h2>\n<table>\n<thead><tr><th>Verdict</th>"
           "<th>Program</th><th>Page</th></tr></thead>\n<tbody>\n";
    constexpr size_t listed = 1000;
    size_t shown = 0, more = 0;
    for (const HtmlIndexEntry& e : programs) {
        if (e.Verdict.Rank == 0) continue;
        if (shown == listed) {
            ++more;
            continue;
        }
        ++shown;
        const size_t page = e.Index / HtmlPageRows;
        out += "<tr><td class=\"verdict\"><span class=\"v " + std::string(e.Verdict.Class) + "\">" +
               e.Verdict.Word + "</span><div class=\"why\"><bdi>" + HtmlEscape(e.Verdict.Why) +
               "</bdi></div></td><td class=\"program\"><bdi>" + HtmlEscape(e.Path) + "</bdi></td><td>" +
               Link(HtmlPageLink(indexPath, page), std::to_string(page + 1)) + "</td></tr>\n";
    }
    out += "</tbody>\n</table>\n";
    if (more) out += "<p>" + std::to_string(more) + " more on the pages.</p>\n";
    std::string tail = HtmlTail(summary);
    // The summary without the programs' table's end and its sorting script.
    tail = tail.substr(tail.find("<h2 id=\"summary\">"));
    tail = tail.substr(0, tail.find("<script>"));
    return out + tail + "</body>\n</html>\n";
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    AppendShown(out, text, true);
    return out;
}

std::string HtmlPageStart(const std::string& title) {
    return PageStart(title);
}

std::string InlineSvg(const std::string& document) {
    const size_t svg = document.find("<svg");
    return svg == std::string::npos ? std::string() : document.substr(svg);
}

std::string HtmlHead(size_t programs) {
    std::string out = PageStart("NC programs checked: " + std::to_string(programs));
    out += "<p><a href=\"#summary\">Summary</a> below the table. A click on a heading sorts by that "
           "column; a finding's row unfolds to each of its lines.</p>\n";
    return out + Legend + TableHead;
}

HtmlVerdict VerdictOf(const ProgramResult& r) {
    if (r.Subprogram) return {0, "subprogram", "pass", "checked as part of the programs that call it"};
    if (!r.Report) return {3, "not checked", "unchecked", r.Error};
    if (!r.SetupError.empty()) return {3, "not checked", "unchecked", "setup: " + r.SetupError};
    const CheckReport& c = *r.Report;
    // The one rule, with the --strict the archive was checked with.
    const findings::Verdict v = c.Verdict(r.Strict);
    std::string why = findings::ReasonOf(c.Findings, r.Strict);
    if (const char* failure = c.FailureMessage())
        why = why.empty() ? failure : std::string(failure) + "; " + why;
    switch (v) {
    case findings::Verdict::Fails:
        return {2, "fails", "fails", why};
    case findings::Verdict::Warnings:
        return {1, "warnings", "warnings", why};
    case findings::Verdict::Pass:
        break;
    }
    return {0, "pass", "pass", ""};
}

std::string HtmlRow(const ProgramResult& r) {
    const HtmlVerdict v = VerdictOf(r);
    static const char* const rowClass[] = {"passed", "warned", "failing", "error"};
    std::string out = std::string("<tr class=\"") + rowClass[v.Rank] + "\">";
    out += Cell(std::to_string(v.Rank),
                "<span class=\"v " + std::string(v.Class) + "\">" + v.Word + "</span>" +
                    (v.Why.empty() ? "" : "<div class=\"why\"><bdi>" + HtmlEscape(v.Why) + "</bdi></div>"),
                "verdict");
    // A name is isolated from the cells around it, whatever its script's direction.
    // The control it was read with: an archive may hold programs of several.
    const std::string control = !r.Report ? "" : r.Report->Iso ? "ISO" : r.Report->Fanuc ? "FANUC" : "KVZ";
    out += Cell(r.Path,
                "<bdi>" + HtmlEscape(r.Path) + "</bdi>" +
                    (control.empty() ? ""
                                     : "<div class=\"control\">control " + control +
                                           (r.Report->ControlFromSetup ? " (setup)" : "") + "</div>"),
                "program");
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f s", r.Seconds);
    if (!r.Report) {
        const std::string end = r.Subprogram ? "subprogram: M99" : "not checked: " + r.Error;
        out += Cell("-1", "", "n") + Cell(end, HtmlEscape(end)) + Cell("-1", "", "n") + Cell("-1", "", "n") +
               Cell("-1", "", "n") + Cell("-1", "", "n") + Cell("-1", "", "n") +
               Cell(Number(r.Seconds), seconds, "n") + "<td></td></tr>\n";
        return out;
    }
    const CheckReport& c = *r.Report;
    out += Cell(std::to_string(c.Blocks), std::to_string(c.Blocks), "n");
    const std::string end = c.FailureMessage() ? std::string(c.FailureMessage())
                            : c.ProgramEnd     ? EndedAtProgramEnd
                                               : EndedAtEndOfText;
    if (r.SetupError.empty())
        out += Cell(end, HtmlEscape(end));
    else {
        // Run without the setup it was to have: the stock's findings are missing, so the row is
        // not a clean one, and says why before anything else.
        const std::string why = "not checked: " + r.SetupError;
        out += Cell(why, "<div><bdi>" + HtmlEscape(why) + "</bdi></div><div>" + HtmlEscape(end) + "</div>",
                    "list");
    }
    out += Cell(Number(c.CuttingTime), SecondsHtml(c.CuttingTime), "n");
    out += c.Machine ? MachineCell(c.Machine->Total) : Cell("-1", "", "n");
    const findings::Counts counts = findings::CountsOf(c.Findings);
    out += Cell(std::to_string(counts.Alarms), std::to_string(counts.Alarms) + Grouped(c.Findings, true),
                "list");
    const size_t others = counts.Total() - counts.Alarms;
    out += Cell(std::to_string(others), std::to_string(others) + Grouped(c.Findings, false), "list");
    out += StockCell(c);
    out += Cell(Number(r.Seconds), seconds, "n");
    return out + "<td>" + r.Picture + "</td></tr>\n";
}

std::string HtmlTail(const ArchiveSummary& s) {
    // The totals, below the rows the script sorts: the machine's over the programs timed on one.
    std::string out = "</tbody>\n<tfoot><tr><td>Total</td><td>" + Plural(s.Programs, "program", "programs") +
                      "</td><td class=\"n\">" + std::to_string(s.Blocks) + "</td><td></td><td class=\"n\">" +
                      SecondsHtml(s.CuttingSeconds) + "</td>";
    if (s.MachineTimed) {
        std::string cell = MachineCell(s.MachineTime);
        if (s.MachineTimed < s.Programs)
            cell.insert(cell.find("</summary>"), "<br>over " + Plural(s.MachineTimed, "program", "programs") +
                                                     ", control " + SecondsHtml(s.MachineControlSeconds));
        out += cell;
    } else {
        out += "<td></td>";
    }
    out += "<td class=\"n\">" + std::to_string(s.AlarmCount) + "</td><td class=\"n\">" +
           std::to_string(s.FindingCount) + "</td><td></td><td></td><td></td></tr></tfoot>\n</table>\n";
    out += "<h2 id=\"summary\">Summary</h2>\n<pre>";
    // Line by line: the summary's own line breaks stay, any in a name were escaped in its text.
    const std::string text = s.Text();
    for (size_t from = 0; from < text.size();) {
        const size_t end = std::min(text.find('\n', from), text.size());
        out += HtmlEscape(std::string_view(text).substr(from, end - from)) + "\n";
        from = end + 1;
    }
    out += "</pre>\n";
    out += Script;
    return out + "</body>\n</html>\n";
}

} // namespace check

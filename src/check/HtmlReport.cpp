// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/HtmlReport.h"

#include "base/Legacy.h"
#include "check/Shown.h"
#include "picture/Sheet.h"

#include <algorithm>
#include <cstdio>

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

// The lines of a list cell, one a line.
std::string Lines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines)
        out += "<div>" + HtmlEscape(line) + "</div>";
    return out;
}

const char* const Style = R"(<style>
body { font-family: sans-serif; margin: 1em; color: #111; background: #fff; }
table { border-collapse: collapse; }
th, td { border: 1px solid #bbb; padding: 0.25em 0.5em; vertical-align: top; text-align: left; }
th { background: #e8e8e8; cursor: pointer; white-space: nowrap; }
th[aria-sort=ascending]::after { content: " \25B2"; }
th[aria-sort=descending]::after { content: " \25BC"; }
td.n { text-align: right; white-space: nowrap; }
tr.failing td:first-child { border-left: 4px solid #c80; }
tr.error td:first-child { border-left: 4px solid #c00; }
td.list div { white-space: pre-wrap; font-size: 90%; }
td.program { font-family: monospace; overflow-wrap: anywhere; min-width: 14em; max-width: 28em; }
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

std::string HtmlEscape(std::string_view text) {
    std::string out;
    AppendShown(out, text, true);
    return out;
}

std::string InlineSvg(const std::string& document) {
    const size_t svg = document.find("<svg");
    return svg == std::string::npos ? std::string() : document.substr(svg);
}

std::string HtmlHead(size_t programs) {
    std::string out = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    // Nothing may be loaded: the page is complete in itself, and a name in it can fetch nothing.
    out += "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
           "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">\n";
    out += "<title>NC programs checked: " + std::to_string(programs) + "</title>\n";
    out += Style;
    out += "</head>\n<body>\n<h1>NC programs checked: " + std::to_string(programs) + "</h1>\n";
    out += "<p><a href=\"#summary\">Summary</a> below the table. A click on a heading sorts by that "
           "column.</p>\n";
    out += "<table id=\"programs\">\n<thead><tr>"
           "<th data-key=\"program\">Program</th>"
           "<th data-key=\"blocks\" data-num>Blocks</th>"
           "<th data-key=\"end\">End</th>"
           "<th data-key=\"cutting\" data-num>Cutting time</th>"
           "<th data-key=\"alarms\" data-num>Alarms</th>"
           "<th data-key=\"findings\" data-num>Findings</th>"
           "<th data-key=\"time\" data-num>Check time</th>"
           "<th>Picture</th></tr></thead>\n<tbody>\n";
    return out;
}

std::string HtmlRow(const ProgramResult& r) {
    const char* cls = r.Status == 2 ? " class=\"error\"" : r.Status == 1 ? " class=\"failing\"" : "";
    std::string out = std::string("<tr") + cls + ">";
    // A name is isolated from the cells around it, whatever its script's direction.
    out += Cell(r.Path, "<bdi>" + HtmlEscape(r.Path) + "</bdi>", "program");
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f s", r.Seconds);
    if (!r.Report) {
        out += Cell("-1", "", "n") + Cell("not checked: " + r.Error, HtmlEscape("not checked: " + r.Error)) +
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
    out += Cell(Number(c.CuttingTime),
                HtmlEscape(legacy::FormatFixed(c.CuttingTime, 2) + " s (" +
                           picture::LegendClock(c.CuttingTime) + ")"),
                "n");
    std::vector<std::string> alarms, findings;
    for (const Alarm& a : c.Alarms)
        alarms.push_back("line " + std::to_string(a.Line) + ": " + a.Message);
    for (const advice::Finding& f : c.Advice)
        findings.push_back("line " + std::to_string(f.Line) + ": " + advice::SeverityName(f.Level) + ": " +
                           f.Message + " [" + f.Code + "]");
    out += Cell(std::to_string(alarms.size()), std::to_string(alarms.size()) + Lines(alarms), "list");
    out += Cell(std::to_string(findings.size()), std::to_string(findings.size()) + Lines(findings), "list");
    out += Cell(Number(r.Seconds), seconds, "n");
    return out + "<td>" + r.Picture + "</td></tr>\n";
}

std::string HtmlTail(const ArchiveSummary& s) {
    std::string out = "</tbody>\n</table>\n<h2 id=\"summary\">Summary</h2>\n<pre>";
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

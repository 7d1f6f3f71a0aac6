// SPDX-License-Identifier: GPL-3.0-or-later
#include "machine/ProfileFile.h"
#include "input/SafePath.h"
#include "stock/SetupValueText.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace machine {

namespace {

// One number of the table: its key, where it goes, its range and what it means in messages.
struct NumberKey {
    const char* Key;
    double Profile::*Field; // or null: an axis value
    double Axis::*AxisField;
    char AxisName; // 'x' or 'z' with AxisField
    double Min, Max;
};

// clang-format off
const NumberKey Numbers[] = {
    {"x_rapid", nullptr, &Axis::RapidMmMin, 'x', 100, 200000},
    {"x_accel", nullptr, &Axis::AccelMmS2, 'x', 10, 100000},
    {"x_jerk", nullptr, &Axis::JerkMmS3, 'x', 0, 1e9},
    {"x_max_feed", nullptr, &Axis::MaxFeedMmMin, 'x', 10, 200000},
    {"z_rapid", nullptr, &Axis::RapidMmMin, 'z', 100, 200000},
    {"z_accel", nullptr, &Axis::AccelMmS2, 'z', 10, 100000},
    {"z_jerk", nullptr, &Axis::JerkMmS3, 'z', 0, 1e9},
    {"z_max_feed", nullptr, &Axis::MaxFeedMmMin, 'z', 10, 200000},
    {"block_time", &Profile::BlockTimeS, nullptr, 0, 0, 1},
    {"in_position_time", &Profile::InPositionS, nullptr, 0, 0, 5},
    {"blend_tolerance", &Profile::BlendToleranceMm, nullptr, 0, 0, 5},
    {"tool_change_time", &Profile::ToolChangeS, nullptr, 0, 0, 120},
    {"spindle_max_rpm", &Profile::SpindleMaxRpm, nullptr, 0, 10, 100000},
    {"spindle_accel", &Profile::SpindleAccelRpmS, nullptr, 0, 1, 100000},
    {"chuck_max_rpm", &Profile::ChuckMaxRpm, nullptr, 0, 10, 100000},
    {"css_max_rpm", &Profile::CssMaxRpm, nullptr, 0, 0, 100000},
    {"m_code_time", &Profile::MCodeS, nullptr, 0, 0, 600},
    {"optional_stop_time", &Profile::OptionalStopS, nullptr, 0, 0, 3600},
    {"thread_run_in_leads", &Profile::ThreadRunInLeads, nullptr, 0, 0, 100},
    {"time_factor", &Profile::TimeFactor, nullptr, 0, 0.1, 10},
    {"spindle_base_rpm", &Profile::SpindleBaseRpm, nullptr, 0, 0, 100000},
    {"gear_change_time", &Profile::GearChangeS, nullptr, 0, 0, 120},
    {"tool_change_station_time", &Profile::ToolStationS, nullptr, 0, 0, 60},
};
// clang-format on

std::string Show(const toml::node& n) {
    return stock::ValueText(n);
}

std::string Range(double lo, double hi) {
    std::ostringstream s;
    s << lo << " to " << hi;
    return s.str();
}

class TableReader {
  public:
    TableReader(const std::string& file, ProfileError& error) : File(file), Error(error) {}

    bool Fail(const toml::node* at, const std::string& message) {
        Error.File = File;
        Error.Line = at ? static_cast<int64_t>(at->source().begin.line) : 0;
        Error.Message = message;
        return false;
    }

    // A finite number within [lo, hi].
    bool Number(const toml::node& n, const std::string& key, double lo, double hi, double& out) {
        const std::optional<double> v = n.value<double>();
        if (!v || !std::isfinite(*v)) return Fail(&n, "machine." + key + " must be a number, not " + Show(n));
        if (*v < lo || *v > hi)
            return Fail(&n, "machine." + key + " must lie from " + Range(lo, hi) + ": " + Show(n));
        out = *v;
        return true;
    }

    bool Read(const toml::table& t, Profile& p) {
        std::vector<std::string> given;
        for (auto&& [key, node] : t) {
            const std::string k(key.str());
            given.push_back(k);
            if (k == "look_ahead") {
                double v = 0;
                if (!Number(node, k, 1, 1000, v)) return false;
                if (v != std::floor(v))
                    return Fail(&node, "machine.look_ahead must be a whole number: " + Show(node));
                p.LookAheadBlocks = static_cast<int>(v);
                continue;
            }
            if (k == "m_codes") {
                if (!ReadMCodes(node, p)) return false;
                continue;
            }
            if (k == "gear_ranges") {
                if (!ReadGears(node, p)) return false;
                continue;
            }
            if (k == "spindle_ramp") {
                if (!ReadRamp(node, p)) return false;
                continue;
            }
            if (k == "turret_stations") {
                double v = 0;
                if (!Number(node, k, 0, 1000, v)) return false;
                if (v != std::floor(v))
                    return Fail(&node, "machine.turret_stations must be a whole number: " + Show(node));
                p.TurretStations = static_cast<int>(v);
                continue;
            }
            const NumberKey* known = nullptr;
            for (const NumberKey& n : Numbers)
                if (k == n.Key) known = &n;
            if (!known) return Fail(&node, "unknown key machine." + k);
            double v = 0;
            if (!Number(node, k, known->Min, known->Max, v)) return false;
            if (known->Field)
                p.*(known->Field) = v;
            else {
                Axis& axis = known->AxisName == 'x' ? p.X : p.Z;
                axis.*(known->AxisField) = v;
            }
        }
        for (const auto* a : {"x_jerk", "z_jerk"}) {
            const toml::node* n = t.get(a);
            double v = 0;
            if (n && n->value<double>()) v = *n->value<double>();
            if (v != 0 && v < 100)
                return Fail(n,
                            std::string("machine.") + a + " must be 0 (none) or at least 100: " + Show(*n));
        }
        p.Assumed.clear();
        for (const std::string& k : ProfileKeys())
            if (std::find(given.begin(), given.end(), k) == given.end()) p.Assumed.push_back(k);
        return true;
    }

  private:
    // A list of one to `most` [a, b] pairs of numbers within their ranges, each handed with its
    // node to `take`, which checks it against those before.
    template <class Take>
    bool ReadPairs(const toml::node& node, const std::string& key, size_t most, const std::string& shape,
                   const double (&a)[2], const double (&b)[2], Take&& take) {
        const toml::array* list = node.as_array();
        if (!list || list->empty() || list->size() > most) return Fail(&node, shape + Show(node));
        for (const toml::node& n : *list) {
            const toml::array* pair = n.as_array();
            if (!pair || pair->size() != 2) return Fail(&n, shape + Show(n));
            double first = 0, second = 0;
            if (!Number(*pair->get(0), key, a[0], a[1], first) ||
                !Number(*pair->get(1), key, b[0], b[1], second))
                return false;
            if (!take(n, first, second)) return false;
        }
        return true;
    }
    static std::string Pair(double a, double b) {
        std::ostringstream s;
        s << "[" << a << ", " << b << "]";
        return s.str();
    }

    // gear_ranges = [[20, 800], [600, 4000]]: each range's lowest and highest rpm, by increasing
    // speed, at most four (M41 to M44).
    bool ReadGears(const toml::node& node, Profile& p) {
        p.Gears.clear();
        return ReadPairs(node, "gear_ranges", 4,
                         "machine.gear_ranges must be a list of up to four [lowest, highest] rpm pairs, by "
                         "increasing speed, e.g. [[20, 800], [600, 4000]], not ",
                         {0, 100000}, {1, 100000}, [&](const toml::node& n, double lo, double hi) {
                             if (lo >= hi)
                                 return Fail(&n, "machine.gear_ranges: a range's lowest speed must be below "
                                                 "its highest: " +
                                                     Pair(lo, hi));
                             if (!p.Gears.empty() && hi <= p.Gears.back().MaxRpm)
                                 return Fail(
                                     &n, "machine.gear_ranges must go by increasing speed: " + Pair(lo, hi) +
                                             " after " + Pair(p.Gears.back().MinRpm, p.Gears.back().MaxRpm));
                             p.Gears.push_back({lo, hi});
                             return true;
                         });
    }

    // spindle_ramp = [[1000, 0.9], [4000, 5.2]]: seconds from rest to each speed, as measured;
    // speeds and seconds both increasing, at most 32 points.
    bool ReadRamp(const toml::node& node, Profile& p) {
        p.Ramp.clear();
        return ReadPairs(node, "spindle_ramp", 32,
                         "machine.spindle_ramp must be a list of up to 32 [rpm, seconds from rest] pairs, by "
                         "increasing speed, e.g. [[1000, 0.9], [4000, 5.2]], not ",
                         {1, 100000}, {0.001, 600}, [&](const toml::node& n, double rpm, double seconds) {
                             const RampPoint last = p.Ramp.empty() ? RampPoint{} : p.Ramp.back();
                             if (!p.Ramp.empty() && (rpm <= last.Rpm || seconds <= last.Seconds))
                                 return Fail(&n, "machine.spindle_ramp must go by increasing speed and "
                                                 "seconds: " +
                                                     Pair(rpm, seconds) + " after " +
                                                     Pair(last.Rpm, last.Seconds));
                             p.Ramp.push_back({rpm, seconds});
                             return true;
                         });
    }

    // m_codes = { 8 = 0.5, 10 = 2 }: seconds of single M codes.
    bool ReadMCodes(const toml::node& node, Profile& p) {
        const toml::table* codes = node.as_table();
        if (!codes)
            return Fail(&node, "machine.m_codes must be a table of M numbers and seconds, not " + Show(node));
        for (auto&& [key, value] : *codes) {
            const std::string k(key.str());
            int code = 0;
            bool digits = !k.empty() && k.size() <= 4;
            for (char c : k) {
                digits = digits && c >= '0' && c <= '9';
                code = code * 10 + (c - '0');
            }
            if (!digits) return Fail(&value, "machine.m_codes: \"" + k + "\" is no M number (0 to 9999)");
            double v = 0;
            if (!Number(value, "m_codes." + k, 0, 600, v)) return false;
            p.MCodes[code] = v;
        }
        return true;
    }

    const std::string& File;
    ProfileError& Error;
};

bool ReadText(const std::string& path, std::string& bytes, ProfileError& error) {
    std::string why;
    if (!input::ReadSmallFile(path, 1 << 20, bytes, why)) {
        if (why.rfind("not a plain file", 0) == 0)
            why = "is no plain file of at most 1 MB";
        else if (why.find("is a link of another user") == std::string::npos)
            why = "cannot be read: " + why;
        error = {path, 0, why};
        return false;
    }
    if (bytes.find('\0') != std::string::npos) {
        error = {path, 0, "is no text (NUL bytes)"};
        return false;
    }
    return true;
}

std::optional<toml::table> Parse(std::string_view text, const std::string& file, ProfileError& error) {
    try {
        return toml::parse(text, file);
    } catch (const toml::parse_error& e) {
        error = {file, static_cast<int64_t>(e.source().begin.line), std::string(e.description())};
        return std::nullopt;
    }
}

std::optional<Profile> FromTable(const toml::table& doc, const std::string& file, ProfileError& error) {
    const toml::node* m = doc.get("machine");
    const toml::table* t = m ? m->as_table() : nullptr;
    if (!t) {
        error = {file, m ? static_cast<int64_t>(m->source().begin.line) : 0,
                 "the file has no [machine] table"};
        return std::nullopt;
    }
    Profile p;
    TableReader r(file, error);
    if (!r.Read(*t, p)) return std::nullopt;
    return p;
}

} // namespace

const std::vector<std::string>& ProfileKeys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> k;
        for (const NumberKey& n : Numbers)
            k.push_back(n.Key);
        k.insert(k.begin() + 11, "look_ahead");
        k.push_back("m_codes");
        k.push_back("gear_ranges");
        k.push_back("turret_stations");
        k.push_back("spindle_ramp");
        return k;
    }();
    return keys;
}

Profile DefaultProfile() {
    Profile p;
    p.Assumed = ProfileKeys();
    return p;
}

std::string ValueText(const Profile& p, const std::string& key) {
    std::ostringstream s;
    s << key << " = ";
    if (key == "look_ahead") {
        s << p.LookAheadBlocks << " blocks";
        return s.str();
    }
    // A list of pairs as the file writes it.
    const auto pairs = [&s](const auto& list, auto first, auto second, const char* unit) {
        s << "[";
        for (size_t i = 0; i < list.size(); ++i)
            s << (i ? ", [" : "[") << list[i].*first << ", " << list[i].*second << "]";
        s << "] " << unit;
        return s.str();
    };
    if (key == "gear_ranges")
        return p.Gears.empty() ? s.str() + "none (one range)"
                               : pairs(p.Gears, &GearRange::MinRpm, &GearRange::MaxRpm, "rpm");
    if (key == "spindle_ramp")
        return p.Ramp.empty() ? s.str() + "none (spindle_accel and spindle_base_rpm)"
                              : pairs(p.Ramp, &RampPoint::Rpm, &RampPoint::Seconds, "rpm, s");
    if (key == "turret_stations") {
        if (p.TurretStations == 0) return s.str() + "not known";
        s << p.TurretStations << " stations";
        return s.str();
    }
    if (key == "m_codes") {
        s << "{";
        for (const auto& [code, seconds] : p.MCodes)
            s << (code == p.MCodes.begin()->first ? " " : ", ") << code << " = " << seconds;
        s << " } s";
        return s.str();
    }
    for (const NumberKey& n : Numbers)
        if (key == n.Key) {
            const double v = n.Field ? p.*(n.Field) : (n.AxisName == 'x' ? p.X : p.Z).*(n.AxisField);
            const std::string k(n.Key);
            const char* unit = k.ends_with("rapid") || k.ends_with("feed") ? " mm/min"
                               : k.ends_with("accel") && k[0] != 's'       ? " mm/s2"
                               : k.ends_with("jerk")                       ? " mm/s3"
                               : k == "spindle_accel"                      ? " rpm/s"
                               : k.ends_with("rpm")                        ? " rpm"
                               : k.ends_with("time")                       ? " s"
                               : k == "blend_tolerance"                    ? " mm"
                               : k == "time_factor"                        ? ""
                                                                           : " leads";
            s << v << unit;
        }
    return s.str();
}

std::string ProfileError::Text() const {
    if (Line > 0) return File + ":" + std::to_string(Line) + ": " + Message;
    return File + ": " + Message;
}

std::optional<Profile> ParseMachineOf(std::string_view text, const std::string& file, bool& found,
                                      ProfileError& error) {
    found = false;
    std::optional<toml::table> doc = Parse(text, file, error);
    if (!doc) {
        found = true; // a setup that cannot be read gives no machine either
        return std::nullopt;
    }
    const toml::node* m = doc->get("machine");
    if (!m) return std::nullopt;
    found = true;
    if (m->is_table()) return FromTable(*doc, file, error);
    const std::optional<std::string> name = m->value<std::string>();
    if (!name) {
        error = {file, static_cast<int64_t>(m->source().begin.line),
                 "machine must be a [machine] table or the name of a machine file in double quotes, not " +
                     Show(*m)};
        return std::nullopt;
    }
    const std::string path = input::FileBeside(file, *name);
    if (path.empty()) {
        error = {file, static_cast<int64_t>(m->source().begin.line),
                 "machine names a file beside the setup, without a folder or \"..\": \"" + *name + "\""};
        return std::nullopt;
    }
    return ReadMachineFile(path, error);
}

std::optional<Profile> MachineOfSetup(const std::string& path, bool& found, ProfileError& error) {
    std::string bytes;
    found = false;
    if (!ReadText(path, bytes, error)) {
        found = true;
        return std::nullopt;
    }
    return ParseMachineOf(bytes, path, found, error);
}

std::optional<Profile> ReadMachineFile(const std::string& path, ProfileError& error) {
    std::string bytes;
    if (!ReadText(path, bytes, error)) return std::nullopt;
    std::optional<toml::table> doc = Parse(bytes, path, error);
    if (!doc) return std::nullopt;
    for (auto&& [key, node] : *doc)
        if (key.str() != "machine") {
            error = {path, static_cast<int64_t>(node.source().begin.line),
                     "unknown key " + std::string(key.str()) + ": a machine file holds one [machine] table"};
            return std::nullopt;
        }
    return FromTable(*doc, path, error);
}

std::string MachineFileNamedBy(const std::string& setupPath) {
    std::string bytes;
    ProfileError ignored;
    if (!ReadText(setupPath, bytes, ignored)) return {};
    ProfileError e;
    std::optional<toml::table> doc = Parse(bytes, setupPath, e);
    if (!doc) return {};
    const toml::node* m = doc->get("machine");
    const std::optional<std::string> name = m ? m->value<std::string>() : std::nullopt;
    return name ? input::FileBeside(setupPath, *name) : std::string();
}

} // namespace machine

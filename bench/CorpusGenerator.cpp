// SPDX-License-Identifier: GPL-3.0-or-later
// zarvik-corpus: writes the benchmark programs, lathe programs of 10k, 100k and 1M blocks in the
// KVZ dialect, CR LF, about 19 bytes a block. Deterministic: the same seed gives the same bytes
// on every machine (the random numbers come from a fixed generator, mapped without the standard
// distributions, whose results differ between libraries).
//
//   zarvik-corpus OUTDIR [SEED]   writes OUTDIR/bench_10k.min, bench_100k.min, bench_1m.min
//   zarvik-corpus --archive OUTDIR COUNT BLOCKS [SEED]
//                                 writes a program archive: OUTDIR/archive/NN/NNNNN.min, COUNT
//                                 programs of BLOCKS blocks, a hundred to a folder, and
//                                 OUTDIR/archive_joined.min, one program of COUNT x BLOCKS blocks

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace {

// xorshift64*: tiny, fast and the same on every machine.
class Random {
  public:
    explicit Random(uint64_t seed) : State(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    uint64_t Next() {
        State ^= State >> 12;
        State ^= State << 25;
        State ^= State >> 27;
        return State * 0x2545F4914F6CDD1Dull;
    }
    // Whole number in [lo, hi].
    int Between(int lo, int hi) { return lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1)); }
    bool Chance(int percent) { return Between(1, 100) <= percent; }

  private:
    uint64_t State;
};

// A length in thousandths of a millimetre written as a program number: "45.", "45.2", "-3.125".
std::string Mm(int thousandths) {
    const bool negative = thousandths < 0;
    const int v = negative ? -thousandths : thousandths;
    std::string text = (negative ? "-" : "") + std::to_string(v / 1000) + ".";
    int frac = v % 1000;
    if (frac) {
        char buf[4];
        std::snprintf(buf, sizeof buf, "%03d", frac);
        std::string f = buf;
        while (!f.empty() && f.back() == '0')
            f.pop_back();
        text += f;
    }
    return text;
}

// Writes the blocks of one program; every block ends in CR LF.
class Writer {
  public:
    Writer(std::ostream& out, int64_t blocks, uint64_t seed) : Out(out), Limit(blocks), Rng(seed) {}

    void Program() {
        Block("%");
        Block("O4711 (BENCH SHAFT)");
        Block("G50 S2500");
        int part = 0;
        // Leave room for the closing blocks.
        while (Count < Limit - 3)
            Part(part++);
        Closing("G00 X200. Z100.");
        Closing("M30");
        Closing("%");
    }

  private:
    // The body stops three blocks short of the limit: the closing blocks always fit.
    void Block(const std::string& text) {
        if (Count >= Limit - 3) return;
        Out << text << "\r\n";
        ++Count;
        // A comment every hundred blocks, as CAM output marks its passes.
        if (Count % 100 == 99 && Count < Limit - 3) {
            Out << "(PASS " << Count / 100 << ")\r\n";
            ++Count;
        }
    }
    // A canned cycle and the block that ends its modal code: a comment block in between would
    // run the cycle once more without its words.
    void CycleBlock(const std::string& cycle, const std::string& next) {
        if (Count >= Limit - 4) return;
        Out << cycle << "\r\n";
        ++Count;
        Block(next);
    }
    void Closing(const std::string& text) {
        Out << text << "\r\n";
        ++Count;
    }
    std::string Seq() { return "N" + std::to_string(++Sequence) + " "; }
    bool Room(int64_t n) const { return Count + n < Limit - 3; }

    void ToolChange(int tool, const std::string& name, const std::string& speed) {
        Block(Seq() + "G00 X200. Z100.");
        char t[16];
        std::snprintf(t, sizeof t, "T%02d%02d", tool, tool);
        Block(std::string(t) + " (" + name + ")");
        Block(speed);
    }

    // One part: roughing passes with shoulders, a finishing contour, now and then a groove,
    // a thread and a drilled centre.
    void Part(int part) {
        const int stock = 60000 + 2000 * Rng.Between(0, 40);  // stock diameter
        const int length = 40000 + 1000 * Rng.Between(0, 60); // turned length
        Roughing(stock, length);
        if (Room(40)) Finishing(stock, length);
        if (part % 3 == 1 && Room(12)) Groove(stock, length);
        if (part % 4 == 2 && Room(12)) Thread(stock);
        if (part % 9 == 5 && Room(12)) Drill();
    }

    void Roughing(int stock, int length) {
        ToolChange(1, "OD ROUGH R0.8", "G96 S180 M03");
        Block("G00 X" + Mm(stock + 2000) + " Z2. M08");
        const int finish = stock / 2;
        const int depth = 1200 + Rng.Between(0, 800);
        int z = -length;
        for (int d = stock - depth; d > finish && Room(6); d -= depth) {
            const int r = 100 * Rng.Between(4, 20);
            Block(Seq() + "G00 X" + Mm(d));
            Block("G01 Z" + Mm(z + r) + " F0.25");
            // The shoulder of each pass ends in a fillet of the next diameter.
            Block((Rng.Chance(50) ? "G02 X" : "G03 X") + Mm(d + 2 * r) + " Z" + Mm(z) + " R" + Mm(r));
            Block("G00 X" + Mm(d + 2 * r + 1000));
            Block("G00 Z2.");
            z += Rng.Between(500, 4000);
            if (z > -5000) z = -5000;
        }
    }

    void Finishing(int stock, int length) {
        ToolChange(2, "OD FINISH R0.4", "G96 S220 M03");
        int x = stock / 2 - 4000, z = 0;
        Block("G00 X" + Mm(x) + " Z2.");
        Block("G01 Z0. F0.1");
        while (z > -length + 6000 && x < stock - 6000 && Room(6)) {
            const int step = Rng.Between(2000, 8000), rise = Rng.Between(250, 3000);
            const int r = 100 * Rng.Between(5, 20);
            z -= step;
            Block("G01 Z" + Mm(z));
            Block("G02 X" + Mm(x + 2 * r) + " Z" + Mm(z - r) + " R" + Mm(r));
            x += 2 * r;
            z -= r;
            Block("G01 X" + Mm(x + rise) + " Z" + Mm(z - rise / 2) + " F0.12");
            x += rise;
            z -= rise / 2;
            if (Rng.Chance(40)) {
                Block("G03 X" + Mm(x + 2 * r) + " Z" + Mm(z - r) + " R" + Mm(r));
                Block("G01 X" + Mm(x + 2 * r));
                x += 2 * r;
                z -= r;
            }
        }
        Block("G01 X" + Mm(stock + 1000));
        Block("G00 Z2.");
    }

    void Groove(int stock, int length) {
        ToolChange(3, "GROOVE W3", "G97 S600 M03");
        const int z = -length / 2;
        Block("G00 X" + Mm(stock + 2000) + " Z" + Mm(z + 4000));
        CycleBlock("G73 X" + Mm(stock - 8000) + " Z" + Mm(z) + " I2. F0.08",
                   "G00 X" + Mm(stock + 2000) + " Z" + Mm(z - 3000));
        Block("G01 X" + Mm(stock - 6000) + " F0.05");
        CycleBlock("G04 U0.5", "G00 X" + Mm(stock + 2000));
    }

    void Thread(int stock) {
        ToolChange(4, "THREAD P1.5", "G97 S500 M03");
        Block("G00 X" + Mm(stock + 2000) + " Z5.");
        CycleBlock("G71 X" + Mm(stock - 1840) + " Z-21. D0.25 H0.92 F1.5",
                   "G00 X" + Mm(stock + 4000) + " Z10. M09");
    }

    void Drill() {
        ToolChange(5, "DRILL D10", "G97 S1000 M03");
        Block("G00 X0. Z5.");
        CycleBlock("G181 X0. Z-30. K3. F0.1 M136", "G180");
    }

    std::ostream& Out;
    int64_t Limit;
    int64_t Count = 0;
    int Sequence = 0;
    Random Rng;
};

} // namespace

// Writes one program of `blocks` blocks; false when it cannot be written.
bool WriteProgram(const std::filesystem::path& path, int64_t blocks, uint64_t seed) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    Writer(out, blocks, seed).Program();
    out.close();
    if (!out) std::cerr << "zarvik-corpus: cannot write " << path << "\n";
    return static_cast<bool>(out);
}

// The archive: many programs of one length, and all their blocks as one program.
int WriteArchive(const std::filesystem::path& dir, int64_t count, int64_t blocks, uint64_t seed) {
    std::filesystem::remove_all(dir / "archive");
    for (int64_t i = 0; i < count; ++i) {
        char folder[32], name[32];
        std::snprintf(folder, sizeof folder, "%02lld", static_cast<long long>(i / 100));
        std::snprintf(name, sizeof name, "%05lld.min", static_cast<long long>(i));
        const auto sub = dir / "archive" / folder;
        std::filesystem::create_directories(sub);
        if (!WriteProgram(sub / name, blocks, seed + static_cast<uint64_t>(i))) return 1;
    }
    if (!WriteProgram(dir / "archive_joined.min", count * blocks, seed)) return 1;
    std::cout << (dir / "archive").string() << ": " << count << " programs of " << blocks << " blocks; "
              << (dir / "archive_joined.min").string() << ": " << count * blocks << " blocks\n";
    return 0;
}

int main(int argc, char** argv) {
    if (argc >= 5 && std::string(argv[1]) == "--archive") {
        const long long count = std::stoll(argv[3]), blocks = std::stoll(argv[4]);
        if (count < 1 || blocks < 10) {
            std::cerr << "zarvik-corpus: --archive needs COUNT >= 1 and BLOCKS >= 10\n";
            return 2;
        }
        return WriteArchive(argv[2], count, blocks, argc > 5 ? std::stoull(argv[5]) : 20240501);
    }
    if (argc < 2) {
        std::cerr << "usage: zarvik-corpus OUTDIR [SEED]\n"
                     "       zarvik-corpus --archive OUTDIR COUNT BLOCKS [SEED]\n";
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const uint64_t seed = argc > 2 ? std::stoull(argv[2]) : 20240501;
    std::filesystem::create_directories(dir);
    const struct {
        const char* name;
        int64_t blocks;
    } files[] = {{"bench_10k.min", 10000}, {"bench_100k.min", 100000}, {"bench_1m.min", 1000000}};
    for (const auto& f : files) {
        const auto path = dir / f.name;
        if (!WriteProgram(path, f.blocks, seed + static_cast<uint64_t>(f.blocks))) return 1;
        const auto bytes = std::filesystem::file_size(path);
        std::cout << path.string() << ": " << f.blocks << " blocks, " << bytes << " bytes ("
                  << static_cast<double>(bytes) / static_cast<double>(f.blocks) << " bytes a block)\n";
    }
    return 0;
}

// Runs a fuzz target without libFuzzer: the seeds (files, or folders of them), then
// -mutations=N deterministic mutations of them.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
uint64_t state = 0x4F52564E;
size_t Below(size_t n) {  // SplitMix64
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return n == 0 ? 0 : (z ^ (z >> 31)) % n;
}
void Run(const std::string& s) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}
}  // namespace

int main(int argc, char** argv) {
    long mutations = 4000;
    std::set<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.starts_with("-mutations="))
            mutations = std::stol(arg.substr(11));
        else if (!std::filesystem::is_directory(arg))
            files.insert(arg);
        else
            for (const auto& entry : std::filesystem::directory_iterator(arg))
                if (entry.is_regular_file()) files.insert(entry.path());
    }
    std::vector<std::string> seeds, pieces;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        if (!in) return std::fprintf(stderr, "cannot read %s\n", file.c_str()), 2;
        seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        Run(seeds.back());
    }
    if (seeds.empty()) return std::fprintf(stderr, "no seeds\n"), 2;
    // Pieces of the targets' syntax and UTF-8 that random bytes rarely form (case pairs, Siddham,
    // a byte-order mark, malformed sequences), '|'-separated.
    const std::string syntax =
        "*|?|#|[|]|!|-|\t|\r\n|\\|\\t|\\n|aa|.r|A-_|a-Z|\xC4\x81|\xC4\x80|\xE1\xB9\x83|"
        "\xE2\x84\xAA|\xC5\xBF|\xEF\xBB\xBF|\xF0\x91\x96\x8E|\xF0\x91\x96\xB8|\xFF|\xC3|"
        "\xED\xA0\x80|\n";
    for (size_t at = 0, bar = 0; bar < syntax.size(); at = bar + 1) {
        bar = std::min(syntax.find('|', at), syntax.size());
        pieces.push_back(syntax.substr(at, bar - at));
    }
    for (long n = 0; n < mutations; ++n) {
        std::string s = seeds[Below(seeds.size())];
        for (size_t steps = 1 + Below(4); steps > 0; --steps) {
            // Drop a run, or insert a byte, a piece, a run of this or another seed; or flip a bit.
            const size_t op = Below(5), at = Below(s.size() + 1);
            const std::string other = Below(2) ? s : seeds[Below(seeds.size())];
            const size_t drop = op == 0 ? 1 + Below(4) : 0;
            s.replace(at, drop,
                      op == 1   ? std::string(1, static_cast<char>(Below(256)))
                      : op == 2 ? pieces[Below(pieces.size())]
                      : op == 3 ? other.substr(Below(other.size() + 1), Below(16))
                                : std::string());
            if (op == 4 && !s.empty()) s[Below(s.size())] ^= static_cast<char>(1 << Below(8));
        }
        s.resize(std::min<size_t>(s.size(), 1024));
        Run(s);
    }
    std::fprintf(stderr, "ran %zu seeds and %ld mutations\n", seeds.size(), mutations);
}

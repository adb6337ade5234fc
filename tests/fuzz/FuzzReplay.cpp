// Runs a fuzz target without libFuzzer: every seed file named on the command
// line (or found in a named folder), then deterministic mutations of them.
//
//   fuzz_<name> [-mutations=N] SEED_FILE_OR_DIR...
//
// The mutations come from a fixed pseudo-random sequence, so a failure
// repeats. A target that finds a fault says what and aborts; with
// ORV_FUZZ_VERBOSE set every input is printed (as hex) before it runs.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Input = std::string;

// SplitMix64: small, fast and the same everywhere.
struct Random {
    uint64_t state;
    uint64_t Next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t Below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(Next() % n); }
};

// Pieces worth inserting: the syntax of the targets' inputs and UTF-8 that
// random bytes rarely form (case pairs, Siddham, a byte-order mark, a
// character outside the BMP, malformed sequences).
constexpr std::string_view kPieces[] = {"*",
                                        "?",
                                        "#",
                                        "[",
                                        "]",
                                        "!",
                                        "-",
                                        "\t",
                                        "\n",
                                        "\r\n",
                                        "\\",
                                        "\\t",
                                        "\\n",
                                        "\\\\",
                                        "aa",
                                        ".r",
                                        "\xC4\x81",
                                        "\xC4\x80",
                                        "\xE1\xB9\x83",
                                        "\xE2\x84\xAA",
                                        "\xC5\xBF",
                                        "\xEF\xBB\xBF",
                                        "\xF0\x91\x96\x8E",
                                        "\xF0\x91\x96\xB8",
                                        "\xFF",
                                        "\xC3",
                                        "\xED\xA0\x80",
                                        "A-_",
                                        "a-Z",
                                        "0-Z"};

constexpr size_t kMaxLength = 1024;

Input Mutate(const std::vector<Input>& seeds, Random& r) {
    Input s = seeds[r.Below(seeds.size())];
    const size_t steps = 1 + r.Below(4);
    for (size_t k = 0; k < steps; ++k) {
        const size_t at = r.Below(s.size() + 1);
        switch (r.Below(6)) {
            case 0:  // flip a bit
                if (!s.empty()) s[r.Below(s.size())] ^= static_cast<char>(1u << r.Below(8));
                break;
            case 1:  // any byte
                s.insert(at, 1, static_cast<char>(r.Below(256)));
                break;
            case 2:  // drop a run
                if (!s.empty()) s.erase(r.Below(s.size()), 1 + r.Below(4));
                break;
            case 3:  // a piece of syntax or UTF-8
                s.insert(at, kPieces[r.Below(std::size(kPieces))]);
                break;
            case 4: {  // repeat a run
                if (s.empty()) break;
                const size_t from = r.Below(s.size());
                s.insert(at, s.substr(from, 1 + r.Below(8)));
                break;
            }
            default: {  // splice in part of another seed
                const Input& other = seeds[r.Below(seeds.size())];
                const size_t from = r.Below(other.size() + 1);
                s.insert(at, other.substr(from, r.Below(other.size() - from + 1)));
                break;
            }
        }
    }
    if (s.size() > kMaxLength) s.resize(kMaxLength);
    return s;
}

void Show(const char* what, const Input& input) {
    std::fprintf(stderr, "%s (%zu bytes):", what, input.size());
    for (const unsigned char c : input) std::fprintf(stderr, " %02x", c);
    std::fprintf(stderr, "\n");
}

void Run(const Input& input) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

}  // namespace

int main(int argc, char** argv) {
    long mutations = 4000;
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.starts_with("-mutations=")) {
            mutations = std::strtol(argv[i] + 11, nullptr, 10);
        } else if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg))
                if (entry.is_regular_file()) files.push_back(entry.path());
        } else {
            files.emplace_back(arg);
        }
    }
    std::sort(files.begin(), files.end());
    std::vector<Input> seeds;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", file.c_str());
            return 2;
        }
        seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        std::fprintf(stderr, "seed %s\n", file.c_str());
        Run(seeds.back());
    }
    if (seeds.empty()) {
        std::fprintf(stderr, "no seeds: name seed files or folders\n");
        return 2;
    }
    Random random{0x4F52564Eull};
    for (long n = 0; n < mutations; ++n) {
        const Input input = Mutate(seeds, random);
        // Printing every input would drown the log: only when asked.
        if (std::getenv("ORV_FUZZ_VERBOSE")) Show("input", input);
        Run(input);
    }
    std::fprintf(stderr, "ran %zu seeds and %ld mutations\n", seeds.size(), mutations);
    return 0;
}

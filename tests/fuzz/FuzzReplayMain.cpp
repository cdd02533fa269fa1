// Runs a fuzzing target without libFuzzer, as a plain test: every seed file of the folder given,
// then a fixed series of mutations of them (bit flips, insertions, cuts, splices),
// the same series on every run. An input that breaks the target is written to
// <target>-failure.bin in the working folder; given a file instead of a folder, the target runs
// that one input (a failure or a libFuzzer crash file) and no mutations.
#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
using Bytes = std::vector<uint8_t>;

const Bytes* g_current = nullptr;
char g_failurePath[4096];

// Only async-signal-safe calls: the process may be in any state.
void subSaveCurrentAndDie(int sig)
{
    if (g_current) {
        const int fd = open(g_failurePath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            ssize_t written = write(fd, g_current->data(), g_current->size());
            (void)written;
            close(fd);
        }
        const char note[] = "\nThe input is in ";
        ssize_t w = write(STDERR_FILENO, note, sizeof note - 1);
        w = write(STDERR_FILENO, g_failurePath, strlen(g_failurePath));
        w = write(STDERR_FILENO, "\n", 1);
        (void)w;
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void subRun(const Bytes& input)
{
    g_current = &input;
    LLVMFuzzerTestOneInput(input.data(), input.size());
    g_current = nullptr;
}

// Bytes that separate or quote things in the readers' formats, besides random ones.
constexpr char szSyntax[] = "\r\n\t ;:=\"'{}<>&/\\[]%-.,0123456789";

Bytes fncMutation(std::mt19937& rng, const std::vector<Bytes>& seeds)
{
    const auto below = [&rng](size_t n) { return n == 0 ? size_t(0) : size_t(rng() % n); };
    Bytes in = seeds[below(seeds.size())];
    for (int step = 1 + int(below(4)); step > 0; --step) {
        const size_t at = below(in.size() + 1);
        const Bytes& other = seeds[below(seeds.size())];
        const size_t from = below(other.size() + 1);
        switch (below(4)) {
        case 0: // flip one bit
            if (!in.empty())
                in[below(in.size())] ^= uint8_t(1u << below(8));
            break;
        case 1: // insert a random or a syntax byte
            in.insert(in.begin() + at,
                below(2) ? uint8_t(rng()) : uint8_t(szSyntax[below(sizeof szSyntax - 1)]));
            break;
        case 2: // cut a range out, up to the end
            in.erase(in.begin() + at, in.begin() + at + below(in.size() - at + 1));
            break;
        default: // splice in a piece of a seed (this one too: a repeat)
            in.insert(in.begin() + at, other.begin() + from,
                other.begin() + from + below(other.size() - from + 1));
            break;
        }
    }
    if (in.size() > 65536)
        in.resize(65536);
    return in;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <seed folder> [mutations] | <input file>\n", argv[0]);
        return 2;
    }
    const bool blnOneFile = std::filesystem::is_regular_file(argv[1]);
    const long lngMutations = blnOneFile ? 0 : argc > 2 ? std::atol(argv[2]) : 3000;
    std::snprintf(g_failurePath, sizeof g_failurePath, "%s-failure.bin",
        std::filesystem::path(argv[0]).filename().c_str());
    for (int sig : { SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL })
        std::signal(sig, subSaveCurrentAndDie);

    std::vector<std::filesystem::path> files;
    if (blnOneFile)
        files.push_back(argv[1]);
    else
        for (const auto& entry : std::filesystem::directory_iterator(argv[1]))
            if (entry.is_regular_file())
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::vector<Bytes> seeds;
    for (const auto& path : files) {
        std::ifstream file(path, std::ios::binary);
        seeds.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    if (seeds.empty()) {
        std::fprintf(stderr, "no seed files in %s\n", argv[1]);
        return 2;
    }

    for (const Bytes& seed : seeds)
        subRun(seed);
    std::mt19937 rng(20250101);
    for (long i = 0; i < lngMutations; ++i)
        subRun(fncMutation(rng, seeds));
    std::printf("%zu seeds and %ld mutations ran without a finding\n", seeds.size(), lngMutations);
    return 0;
}

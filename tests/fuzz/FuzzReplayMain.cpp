// Runs a fuzzing target without libFuzzer, as a plain test: every file of the seed folder given
// (or the one file given, such as a libFuzzer crash file) is fed to the target once. Finding
// new inputs is the job of `make fuzz`.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seed folder> | <input file>\n", argv[0]);
        return 2;
    }
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_regular_file(argv[1]))
        files.emplace_back(argv[1]);
    else
        for (const auto& entry : std::filesystem::directory_iterator(argv[1]))
            if (entry.is_regular_file())
                files.push_back(entry.path());
    if (files.empty()) {
        std::fprintf(stderr, "no input files in %s\n", argv[1]);
        return 2;
    }
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
        // Named first, so that the input which breaks the target is the last one printed.
        std::printf("%s\n", path.c_str());
        std::fflush(stdout);
        std::ifstream file(path, std::ios::binary);
        const std::vector<uint8_t> input { std::istreambuf_iterator<char>(file),
            std::istreambuf_iterator<char>() };
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    return 0;
}

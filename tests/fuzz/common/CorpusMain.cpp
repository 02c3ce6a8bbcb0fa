// Runs a fuzz target over saved inputs without libFuzzer, for the normal compiler: every file
// of the folders (or the files) named on the command line goes through LLVMFuzzerTestOneInput
// once, in name order. A broken rule traps, so a failing input fails the test.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

std::vector<std::filesystem::path> InputFiles(int argc, char** argv)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg = argv[i];
        if (!fs::is_directory(arg)) {
            files.push_back(fs::absolute(arg));
            continue;
        }
        std::vector<fs::path> inFolder;
        for (const auto& entry : fs::directory_iterator(arg))
            if (entry.is_regular_file())
                inFolder.push_back(fs::absolute(entry.path()));
        std::sort(inFolder.begin(), inFolder.end());
        files.insert(files.end(), inFolder.begin(), inFolder.end());
    }
    return files;
}

}  // namespace

int main(int argc, char** argv)
{
    // Read before the target's initialisation, which may change the working directory.
    const auto files = InputFiles(argc, argv);
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", file.c_str());
            return 1;
        }
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::fprintf(stderr, "%s (%zu bytes)\n", file.filename().c_str(), bytes.size());
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    // An empty or misnamed corpus must not pass unnoticed.
    if (files.empty()) {
        std::fprintf(stderr, "no inputs\n");
        return 1;
    }
    std::printf("%zu inputs ran, every rule held\n", files.size());
    return 0;
}

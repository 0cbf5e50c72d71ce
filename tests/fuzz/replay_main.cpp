// Runs every file of the seed corpus folders named on the command line
// through the fuzz entry point once, so the normal build replays each input
// the fuzzers ever needed. Files go in name order for a stable log.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

namespace {

bool ReadFile(const fs::path& path, std::vector<uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    if (fs::is_directory(argv[i], ec)) {
      for (const auto& entry : fs::directory_iterator(argv[i], ec))
        if (entry.is_regular_file()) files.push_back(entry.path());
    } else if (fs::is_regular_file(argv[i], ec)) {
      files.emplace_back(argv[i]);
    } else {
      std::fprintf(stderr, "no such corpus: %s\n", argv[i]);
      return 1;
    }
  }
  // An empty corpus would make the test pass without checking anything.
  if (files.empty()) {
    std::fprintf(stderr, "no corpus files given\n");
    return 1;
  }
  std::sort(files.begin(), files.end());
  std::vector<uint8_t> bytes;
  for (const auto& f : files) {
    if (!ReadFile(f, bytes)) {
      std::fprintf(stderr, "cannot read %s\n", f.c_str());
      return 1;
    }
    std::printf("%s (%zu bytes)\n", f.filename().c_str(), bytes.size());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::printf("%zu inputs replayed\n", files.size());
  return 0;
}

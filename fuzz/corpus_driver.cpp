// Runs a fuzz target over the files of the folders (or the files) named on
// the command line, the way libFuzzer replays a corpus.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void RunOne(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  int inputs = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path arg(argv[i]);
    if (!std::filesystem::is_directory(arg)) {
      RunOne(arg);
      ++inputs;
      continue;
    }
    for (const auto& entry : std::filesystem::directory_iterator(arg)) {
      if (!entry.is_regular_file()) continue;
      RunOne(entry.path());
      ++inputs;
    }
  }
  printf("%d inputs ran\n", inputs);
  // A corpus folder that lost its files would otherwise pass silently.
  return inputs > 0 ? 0 : 1;
}

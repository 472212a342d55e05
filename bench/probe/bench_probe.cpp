// Probes every file named on the command line with the encoder driver and prints the time
// per probe. Used by run.sh, which compares it with `ffmpeg -i` run from a shell loop.
//   bench_probe [--ffmpeg PATH] [--rounds N] FILE...

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "encoder/ffmpeg_tools.h"

int main(int argc, char** argv) {
  std::vector<std::string> files;
  int rounds = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--ffmpeg" && i + 1 < argc) {
      encoder_path = argv[++i];
    } else if (a == "--rounds" && i + 1 < argc) {
      rounds = std::stoi(argv[++i]);
    } else {
      files.push_back(a);
    }
  }
  if (files.empty()) {
    std::fputs("usage: bench_probe [--ffmpeg PATH] [--rounds N] FILE...\n", stderr);
    return 2;
  }
  int failed = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int r = 0; r < rounds; ++r) {
    for (const auto& f : files) {
      media_info info;
      if (!Ffmpeg_Probe(f, info) || !(info.video.present || info.audio.present)) ++failed;
    }
  }
  const double ns = static_cast<double>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
          .count());
  const long probes = static_cast<long>(files.size()) * rounds;
  const std::string line = "probes=" + std::to_string(probes) +
                           " failed=" + std::to_string(failed) +
                           " total_ns=" + std::to_string(static_cast<long long>(ns)) + "\n";
  std::fputs(line.c_str(), stdout);
  return failed == 0 ? 0 : 1;
}

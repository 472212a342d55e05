// Writing and reading a configuration tree must cost the same per node at 10,000 and at
// 100,000 nodes (within 1.5x): the text is built in one growing buffer and scanned once.
// Usage: config_bench [repeats]   exit status 1 when the ratio is above 1.5
#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/kest_config.h"

namespace {

// Groups of ten nodes: a container and nine values of every kind, as saved profiles look.
void Build(config_list& list, int nodes) {
  list.Clear();
  list.AddChild("CustomProfiles");
  for (int made = 1; made + 10 <= nodes; made += 10) {
    list.AddChild("Profile" + std::to_string(made / 10 + 1));
    list.AddValue("Name", std::string("Profile <") + std::to_string(made) + "> #x",
                  config_kind::str);
    list.AddValue("Description", std::string("Video for the web, 720p & stereo"), config_kind::str);
    list.AddValue("BaseId", std::int64_t{made % 43}, config_kind::integer);
    list.AddValue("Width", std::int64_t{1280}, config_kind::integer);
    list.AddValue("Height", std::int64_t{-1}, config_kind::integer);
    list.AddValue("FrameRate", 29.97, config_kind::real);
    list.AddValue("Volume", 1.25, config_kind::real);
    list.AddValue("TwoPass", made % 2 == 0, config_kind::boolean);
    list.AddValue("Extra", kest_bytes(24, static_cast<std::uint8_t>(made)), config_kind::bin);
    list.GoUp();
  }
}

struct timing {
  double write_ns = 1e300;  // per node, best of the repeats
  double read_ns = 1e300;
  std::size_t bytes = 0;
};

// CPU time of this thread: other processes on the machine do not count.
double Now() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

timing Measure(int nodes, int repeats) {
  timing t;
  config_list list("Config");
  Build(list, nodes);
  for (int r = 0; r < repeats; ++r) {
    // Freeing the previous tree is not part of reading: every round reads into a new list.
    config_list back("Config");
    const double t0 = Now();
    const std::string text = list.SaveToText();
    const double t1 = Now();
    back.LoadFromText(text);
    const double t2 = Now();
    t.bytes = text.size();
    t.write_ns = std::min(t.write_ns, (t1 - t0) / nodes);
    t.read_ns = std::min(t.read_ns, (t2 - t1) / nodes);
    if (back.root()->ChildCount() != 1) {
      std::fprintf(stderr, "read back a different tree\n");
      std::exit(2);
    }
  }
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  // Keep freed memory in the process, so that later rounds do not pay the kernel again for
  // fresh pages: the program's own cost per node is what is measured.
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  const int sizes[] = {10000, 100000};
  timing results[2];
  for (int i = 0; i < 2; ++i) {
    results[i] = Measure(sizes[i], repeats);
    std::printf("%7d nodes  %9zu bytes  write %7.1f ns/node  read %7.1f ns/node\n", sizes[i],
                results[i].bytes, results[i].write_ns, results[i].read_ns);
  }
  const double write_ratio = results[1].write_ns / results[0].write_ns;
  const double read_ratio = results[1].read_ns / results[0].read_ns;
  const double total_ratio =
      (results[1].write_ns + results[1].read_ns) / (results[0].write_ns + results[0].read_ns);
  std::printf("per-node time 100,000 / 10,000: write %.2fx  read %.2fx  both %.2fx (limit 1.5x)\n",
              write_ratio, read_ratio, total_ratio);
  const bool ok = write_ratio <= 1.5 && read_ratio <= 1.5;
  std::printf("%s\n", ok ? "linear: PASS" : "linear: FAIL");
  return ok ? 0 : 1;
}

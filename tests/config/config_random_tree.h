#pragma once
// Random configuration trees that the text form must carry unchanged: every kind, nesting,
// names from the name characters, strings with every byte 1..255, binary values of any length.
#include <charconv>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "config/kest_config.h"

class random_tree {
 public:
  explicit random_tree(std::uint32_t seed) : rng_(seed) {}

  // Fills `root` (a container) with 1..width children, nested up to `depth` levels.
  void Fill(config_node& root, int depth, int width) {
    const int count = Uniform(1, width);
    for (int i = 0; i < count; ++i) {
      // Containers only above the deepest level; each holds at least one value.
      if (depth > 0 && Uniform(0, 3) == 0) {
        config_node* c = root.AppendChild(std::make_unique<config_node>(Name()));
        Fill(*c, depth - 1, width);
      } else {
        root.AppendChild(Leaf());
      }
    }
  }

  std::unique_ptr<config_node> Leaf() {
    switch (Uniform(1, 5)) {
      case 1:
        return std::make_unique<config_node>(Name(), Uniform(0, 1) == 1, config_kind::boolean);
      case 2:
        return std::make_unique<config_node>(Name(), Int(), config_kind::integer);
      case 3:
        return std::make_unique<config_node>(Name(), Real(), config_kind::real);
      case 4:
        return std::make_unique<config_node>(Name(), Str(), config_kind::str);
      default:
        return std::make_unique<config_node>(Name(), Bytes(), config_kind::bin);
    }
  }

  std::string Name() {
    static constexpr char chars[] =
        "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_";
    std::string s(static_cast<std::size_t>(Uniform(1, 12)), ' ');
    for (auto& c : s) c = chars[Uniform(0, sizeof chars - 2)];
    return s;
  }

  std::int64_t Int() {
    switch (Uniform(0, 3)) {
      case 0:
        return Uniform(-1000, 1000);
      case 1:
        return Uniform(0, 1) ? std::numeric_limits<std::int64_t>::min()
                             : std::numeric_limits<std::int64_t>::max();
      default:
        return std::uniform_int_distribution<std::int64_t>(
            std::numeric_limits<std::int64_t>::min(),
            std::numeric_limits<std::int64_t>::max())(rng_);
    }
  }

  // Decimals of up to 15 significant digits: the precision the text form keeps.
  double Real() {
    const auto mantissa = std::uniform_int_distribution<std::int64_t>(0, 999999999999999)(rng_);
    std::string text = (Uniform(0, 1) ? "-" : "") + std::to_string(mantissa) + "e" +
                       std::to_string(Uniform(-40, 40));
    double v = 0;
    std::from_chars(text.data(), text.data() + text.size(), v);
    return v;
  }

  // Never empty: an empty str value is not recreated on reading.
  std::string Str() {
    std::string s(static_cast<std::size_t>(Uniform(1, 40)), ' ');
    for (auto& c : s) c = static_cast<char>(Uniform(1, 255));
    if (Uniform(0, 20) == 0) {
      s.clear();
      for (int b = 1; b < 256; ++b) s += static_cast<char>(b);
    }
    return s;
  }

  kest_bytes Bytes() {
    kest_bytes b(static_cast<std::size_t>(Uniform(0, 3) == 0 ? Uniform(60, 200) : Uniform(1, 20)));
    for (auto& x : b) x = static_cast<std::uint8_t>(Uniform(0, 255));
    return b;
  }

  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

 private:
  std::mt19937 rng_;
};

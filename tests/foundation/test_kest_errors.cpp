#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "foundation/kest_errors.h"

namespace {

// Collects what would be shown; restores the previous handler afterwards.
class shown_errors {
 public:
  std::vector<std::string> texts;
  shown_errors() {
    previous_ = SetErrorShowHandler([this](const std::string& t) { texts.push_back(t); });
  }
  ~shown_errors() { SetErrorShowHandler(previous_); }

 private:
  error_show_handler previous_;
};

template <class Throw>
std::string Report(bool show, std::string_view fn, std::string_view file, std::string_view line,
                   Throw raise) {
  std::string message = "stale";
  try {
    raise();
  } catch (...) {
    ReportError(show, fn, file, message, line);
  }
  return message;
}

TEST(ErrorReport, MessageLayoutAndDescription) {
  struct row {
    const char* fn;
    const char* file;
    const char* line;
    std::string expected;
  };
  shown_errors shown;
  const auto runtime = [] { throw std::runtime_error("disk full"); };
  const row rows[] = {
      {"Convert", "", "",
       "Fn=\"Convert\", File=\"\", Line=\r\nException std::runtime_error: disk full."},
      {"File_Load", "os_utils.pas", "12",
       "Fn=\"File_Load\", File=\"os_utils\", Line=12\r\nException std::runtime_error: disk full."},
      {"f", "src/a.b/file", "",
       "Fn=\"f\", File=\"src/a.b/file\", Line=\r\nException "
       "std::runtime_error: disk full."},
      {"f", "x.tar.gz", "",
       "Fn=\"f\", File=\"x.tar\", Line=\r\nException std::runtime_error: disk full."},
  };
  for (const row& r : rows) EXPECT_EQ(Report(false, r.fn, r.file, r.line, runtime), r.expected);
  EXPECT_TRUE(shown.texts.empty());  // show false: nothing visible

  EXPECT_EQ(Report(false, "f", "", "", [] { throw std::out_of_range("ends with dot."); }),
            "Fn=\"f\", File=\"\", Line=\r\nException std::out_of_range: ends with dot.");
  EXPECT_EQ(Report(false, "f", "", "", [] { throw 42; }),
            "Fn=\"f\", File=\"\", Line=\r\nException int.");
  struct custom {};
  EXPECT_NE(Report(false, "f", "", "", [] { throw custom{}; }).find("custom."), std::string::npos);
}

TEST(ErrorReport, DescriptionIsCutTo1024BytesOnACharacterBoundary) {
  std::string what(2000, 'a');
  what.replace(1020, 2, "\xc3\xa9");  // an e-acute across a naive cut at 1024
  std::string description;
  try {
    throw std::runtime_error("x" + what);
  } catch (...) {
    description = Error_Describe();
  }
  EXPECT_LE(description.size(), 1024u);
  EXPECT_GE(description.size(), 1020u);
  EXPECT_NE(static_cast<unsigned char>(description.back()) & 0xC0, 0xC0);  // no lone lead byte
  EXPECT_EQ(Error_Describe(), "");                                         // outside a catch block
}

TEST(ErrorReport, ShowGoesThroughTheHandlerAndNeverRaises) {
  shown_errors shown;
  const std::string message =
      Report(true, "Convert", "", "", [] { throw std::logic_error("bad state"); });
  ASSERT_EQ(shown.texts.size(), 1u);
  EXPECT_EQ(shown.texts[0], message);

  // A handler that fails does not turn reporting into a failure.
  SetErrorShowHandler([](const std::string&) { throw std::runtime_error("no display"); });
  EXPECT_NO_THROW(Report(true, "f", "", "", [] { throw 1; }));

  // With no window provider the error box belongs to the desktop.
  EXPECT_EQ(GetTopWindowHandle(), nullptr);
  int window = 0;
  SetTopWindowProvider([&window] { return static_cast<window_handle>(&window); });
  EXPECT_EQ(GetTopWindowHandle(), &window);
  SetTopWindowProvider(nullptr);
  EXPECT_EQ(GetTopWindowHandle(), nullptr);
}

}  // namespace

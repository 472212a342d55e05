#include "foundation/kest_errors.h"

#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <typeinfo>
#include <utility>

namespace {

error_show_handler& ShowHandler() {
  static error_show_handler handler;
  return handler;
}

std::function<window_handle()>& TopWindowProvider() {
  static std::function<window_handle()> provider;
  return provider;
}

std::string TypeName(const std::type_info* type) {
  if (!type) return "unknown";
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(
      abi::__cxa_demangle(type->name(), nullptr, nullptr, &status), std::free);
  return status == 0 && name ? std::string(name.get()) : std::string(type->name());
}

constexpr std::size_t kMaxDescription = 1024;

// Cuts to at most `max` bytes without splitting a UTF-8 sequence.
void CutUtf8(std::string& s, std::size_t max) {
  if (s.size() <= max) return;
  std::size_t end = max;
  while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
  s.resize(end);
}

}  // namespace

std::string Error_Describe() {
  std::exception_ptr current = std::current_exception();
  if (!current) return {};
  std::string text = "Exception " + TypeName(abi::__cxa_current_exception_type());
  try {
    std::rethrow_exception(current);
  } catch (const std::exception& e) {
    const char* what = e.what();
    if (what && *what) {
      text += ": ";
      text += what;
    }
  } catch (...) {
  }
  if (text.back() != '.') text += '.';
  CutUtf8(text, kMaxDescription);
  return text;
}

void ReportError(bool show, std::string_view fn, std::string_view file, std::string& message,
                 std::string_view line) {
  try {
    // The source file without its extension; a dot in a folder name is no extension.
    const std::size_t dot = file.rfind('.');
    const std::size_t slash = file.find_last_of("/\\");
    if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash))
      file = file.substr(0, dot);
    message.clear();
    message.append("Fn=\"").append(fn).append("\", File=\"").append(file);
    message.append("\", Line=").append(line).append("\r\n");
    message += Error_Describe();
    if (show) DvlShowError(message);
  } catch (...) {
    // Reporting never raises.
  }
}

void DvlShowError(const std::string& text) {
  if (const error_show_handler& handler = ShowHandler()) {
    handler(text);
    return;
  }
  std::fprintf(stderr, "Error: %s\n", text.c_str());
  std::fflush(stderr);
}

error_show_handler SetErrorShowHandler(error_show_handler handler) {
  return std::exchange(ShowHandler(), std::move(handler));
}

window_handle GetTopWindowHandle() {
  const auto& provider = TopWindowProvider();
  return provider ? provider() : nullptr;
}

void SetTopWindowProvider(std::function<window_handle()> provider) {
  TopWindowProvider() = std::move(provider);
}

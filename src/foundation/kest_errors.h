#pragma once
// One way to describe a caught exception: "Fn=…, File=…, Line=…", CR LF, and the exception's
// own description; optionally shown to the user through a replaceable handler.
#include <functional>
#include <string>
#include <string_view>

// Call inside a catch block. Builds the message for the exception being handled into `message`
// and, when `show` is set, shows it with DvlShowError. `file` loses its extension. Never throws.
void ReportError(bool show, std::string_view fn, std::string_view file, std::string& message,
                 std::string_view line);

// The description of the exception being handled: its type and message, ending in ".", at most
// 1024 bytes (cut at a character boundary). Empty outside a catch block.
std::string Error_Describe();

using error_show_handler = std::function<void(const std::string&)>;
// Shows `text` as an error through the installed handler (standard error by default) and
// returns when the user has seen it.
void DvlShowError(const std::string& text);
// Installs the handler that shows errors (an empty one restores the default) and returns the
// previous one. The GUI installs a modal "Error" box owned by GetTopWindowHandle().
error_show_handler SetErrorShowHandler(error_show_handler handler);

// The window that owns error boxes: whatever the installed provider returns; null stands for
// the desktop (no owner window), which is also the answer before a GUI installs a provider.
using window_handle = void*;
window_handle GetTopWindowHandle();
void SetTopWindowProvider(std::function<window_handle()> provider);

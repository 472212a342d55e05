#pragma once
// Window-system helpers: busy cursor, screen work area, window sizes, enabling groups of
// controls, copying a control's look onto its replacement, and platform colour codes.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <cstdint>

class QWidget;

// The "default colour" code: the control's own default background (button face).
constexpr std::uint32_t kx_colour_default = 0x20000000u;
// A system colour code: 0x80000000 plus the system colour index (15 is the button face).
constexpr std::uint32_t Colour_System(std::uint32_t index) {
  return 0x80000000u | index;
}
constexpr std::uint32_t kx_colour_window = Colour_System(5);
constexpr std::uint32_t kx_colour_window_text = Colour_System(8);
constexpr std::uint32_t kx_colour_highlight = Colour_System(13);
constexpr std::uint32_t kx_colour_highlight_text = Colour_System(14);
constexpr std::uint32_t kx_colour_button_face = Colour_System(15);
constexpr std::uint32_t kx_colour_button_shadow = Colour_System(16);
constexpr std::uint32_t kx_colour_gray_text = Colour_System(17);
constexpr std::uint32_t kx_colour_button_text = Colour_System(18);
constexpr std::uint32_t kx_colour_info_text = Colour_System(23);
constexpr std::uint32_t kx_colour_info_back = Colour_System(24);

// A plain colour for a system or default code from the application palette; plain colours
// come back unchanged. Only the low three bytes of a resolved code carry the colour.
std::uint32_t Colour_Resolve(std::uint32_t colour);
// Colour_Contrast on resolved colours, top byte cleared.
std::uint32_t Colour_ContrastTo(std::uint32_t colour, std::uint32_t reference,
                                std::int32_t distance);
// The resolved colour with alpha 255.
std::uint32_t Colour_Opaque(std::uint32_t colour);
// Background of an edit box: the default code when enabled, a window/button-face mix when not.
std::uint32_t Colour_Edit(bool enabled);

// Application-wide busy or normal cursor; each returns the cursor that was shown before.
Qt::CursorShape Cursor_Busy();
Qt::CursorShape Cursor_Normal();
// The mouse position in screen coordinates, (0, 0) when it cannot be read.
void Cursor_Position(QPoint& out);
// Work area (screen without panels and docks) of the screen nearest the control's top-left.
void Screen_WorkArea(const QWidget* control, QRect& out);
// Size of the window with its frame, and the frame's share of it.
void Window_OuterSize(const QWidget* window, QSize& out);
void Window_FrameSize(const QWidget* window, QSize& out);
// Containers (plain panels, themed panels, group boxes, scroll areas) pass the call on to
// their children; every other control is enabled or disabled, edit boxes also recoloured.
void Control_SetEnabled(QWidget* control, bool enabled);
// Position, size, parent, layout place, visibility, enabled state, hints, cursor, context
// menu and name of `source` onto `target`; the tab order too when both take the focus.
void Control_CopyLook(QWidget* source, QWidget* target);

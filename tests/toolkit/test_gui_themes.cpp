#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "toolkit/gui_themes.h"

TEST(GuiThemes, Placeholder) { EXPECT_EQ(Theme_Hex(0x112233), 0xFF332211u); }

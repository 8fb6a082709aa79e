#pragma once

#include <gtest/gtest.h>

#include "support/TestFrame.h"

// A gtest fixture on a fresh TestFrame for every test. `f` is the short name the unit
// tests give the frame.
struct FrameTest : ::testing::Test, TestFrame {
    CMainFrame& f = frame;
};

// Base fixture of the end-to-end tests that run the built program in a window
// on an X server of its own (tests may run in parallel). Skipped when no X
// display is set (run under xvfb-run).
#pragma once

#include <memory>

#include <gtest/gtest.h>

#include "support/desktop_program.h"
#include "support/x_window.h"

class PrivateXProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveXDisplay()) GTEST_SKIP() << "no X display (run under xvfb-run)";
    xserver_.reset(new PrivateXServer());
    ASSERT_TRUE(xserver_->ok()) << "Xvfb did not start";
    ASSERT_TRUE(program_.ok());
  }

  std::unique_ptr<PrivateXServer> xserver_;  // outlives the program
  DesktopProgram program_;
};

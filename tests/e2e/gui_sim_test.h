// GUI suites that share one orvelle-cloudsim: started before the first test
// when a display is there, stopped after the last; each test skips without
// a display.
#pragma once

#include <gtest/gtest.h>

#include "e2e/gui_support.h"
#include "sim_server.h"

namespace orv::e2e {

class GuiSimTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!have_display) return;
    server = new test::SimServer;
    ASSERT_TRUE(server->Start());
    server->Use();
  }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }
  void SetUp() override { ORV_REQUIRE_DISPLAY(); }

  static inline test::SimServer* server = nullptr;
};

}  // namespace orv::e2e

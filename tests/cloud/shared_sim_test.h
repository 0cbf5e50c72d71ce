// A test suite sharing one orvelle-cloudsim: started before the suite's first
// test, stopped after its last, and every test points the client at it.
#pragma once

#include <gtest/gtest.h>

#include "sim_server.h"

namespace orv::test {

class SharedSimTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new SimServer;
    ASSERT_TRUE(server_->Start());
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(server_, nullptr);
    server_->Use();
  }

  static inline SimServer* server_ = nullptr;
};

}  // namespace orv::test

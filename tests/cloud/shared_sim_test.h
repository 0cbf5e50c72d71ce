// A test suite sharing one orvelle-cloudsim: started before the suite's first
// test, stopped after its last, and every test points the client at it.
#pragma once

#include <gtest/gtest.h>

#include "sim_server.h"

namespace orv::test {

// `Base` is the suite's other test base, so a suite of another kind (the
// device tests) can share one service too.
template <class Base = ::testing::Test>
class SharedSim : public Base {
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

using SharedSimTest = SharedSim<>;

}  // namespace orv::test

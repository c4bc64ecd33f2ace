// The stand-in tax authority run from a thread of the test's own process,
// for the tests of the stand-in and of the NFC-e back end alike.
#pragma once

#include "sefazsim/server.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <utility>

namespace qv::test {

// A stand-in authority serving from a thread of this process until destroyed.
class RunningSefaz {
  public:
    explicit RunningSefaz(sefazsim::Options options) : server_(std::move(options)) {
        std::string error;
        started_ = server_.start(&error);
        EXPECT_TRUE(started_) << error;
        if (started_) thread_ = std::thread([this] { server_.serve(); });
    }
    RunningSefaz(const RunningSefaz&) = delete;
    RunningSefaz& operator=(const RunningSefaz&) = delete;
    ~RunningSefaz() {
        server_.stop();
        if (thread_.joinable()) thread_.join();
    }
    int port() const { return server_.port(); }

  private:
    sefazsim::Server server_;
    bool started_ = false;
    std::thread thread_;
};

} // namespace qv::test

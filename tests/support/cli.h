// clipwright-cli as the CLI tests run it: its path, one run with captured
// output, and a fixture that skips when the program is not built.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/process.h"

namespace cw::test {

std::string cliPath();

// Runs clipwright-cli with `args` (the command first), capturing stdout and,
// with `mergeStderr`, stderr as well.
CommandResult runCli(std::vector<std::string> args, bool mergeStderr = false);

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override;
};

}  // namespace cw::test

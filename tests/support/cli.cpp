#include "support/cli.h"

#include "support/corpus.h"

namespace cw::test {

std::string cliPath() { return binaryPath("clipwright-cli"); }

CommandResult runCli(std::vector<std::string> args, bool mergeStderr) {
  args.insert(args.begin(), cliPath());
  return runProgram(args, mergeStderr);
}

void CliTest::SetUp() {
  if (!isExecutable(cliPath())) FAIL() << cliPath() << " not built";
}

}  // namespace cw::test

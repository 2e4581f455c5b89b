// A file past 3 GiB: a real stream at its head and at its tail, a sparse
// hole between. Classification and the head/tail analysis must use 64-bit
// positions all the way to the command line's output.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>

#include "support/cli.h"
#include "support/corpus.h"
#include "support/json.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace cw::test {
namespace {

constexpr std::int64_t kHole = std::int64_t{3} << 30;

TEST(LargeFile, ProbesAndAnalysesPastThreeGiB) {
  const std::string sample = readFile(testDataPath("sample_vcd.mpg"));
  ASSERT_GT(sample.size(), 100000u);
  TempDir dir("cw-large");
  const std::string big = dir.file("big.mpg");
  {
    std::ofstream out(big, std::ios::binary);
    out.write(sample.data(), static_cast<std::streamsize>(sample.size()));
    out.seekp(kHole);
    out.write(sample.data(), static_cast<std::streamsize>(sample.size()));
    ASSERT_TRUE(out.good());
  }
  const auto length = static_cast<double>(kHole + static_cast<std::int64_t>(sample.size()));

  const CommandResult r = runCli({"probe", "--json", big});
  ASSERT_EQ(r.exitCode, 0) << r.out;
  Json json;
  ASSERT_TRUE(Json::parse(r.out, json)) << r.out;
  EXPECT_EQ(json["ShopFileType"].asNumber(), 0);
  EXPECT_EQ(json["ShopFileBytelenD"].asNumber(), length);
  EXPECT_EQ(json["ShopFileMuxrate"].asNumber(), 176400);
  // The tail is the sample's own tail: the duration spans from the head's
  // first picture to the tail's last, both inside the sample's clock.
  const double duration = json["ShopFileTimelenD"].asNumber();
  EXPECT_GT(duration, 4.0);
  EXPECT_LT(duration, 6.0);

  const CommandResult a = runCli({"probe", "--analyse", big});
  ASSERT_EQ(a.exitCode, 0) << a.out;
  // The tail positions are printed as whole byte offsets beyond 3 GiB.
  const auto at = a.out.find("Video tail:");
  ASSERT_NE(at, std::string::npos) << a.out;
  const auto digits = a.out.find_first_of("0123456789", at);
  ASSERT_NE(digits, std::string::npos);
  EXPECT_GT(std::stoll(a.out.substr(digits)), kHole) << a.out;
}

}  // namespace
}  // namespace cw::test

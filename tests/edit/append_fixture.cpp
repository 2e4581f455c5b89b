#include "append_fixture.h"

#include "engine/edit/append_crop.h"
#include "engine/edit/entry_crop.h"
#include "support/corpus.h"
#include "support/temp_dir.h"

namespace cw::test {

bool JoinFixture::makeRecord(const std::string& name, double in, double out, int mode) {
  if (!useCorpusSource(name)) {
    ADD_FAILURE() << "cannot describe " << name;
    return false;
  }
  const int rc = crop(in, out, mode);
  EXPECT_EQ(rc, 0) << ctx.error.message;
  return rc == 0;
}

int JoinFixture::append(const std::string& name, double in, double out) {
  if (!useCorpusSource(name)) return -1;
  ctx.sourceMarkIn = in;
  ctx.sourceMarkOut = out;
  progress.clear();
  return AppendCrop(ctx);
}

int JoinFixture::entry(const std::string& name, double in, double out, double at) {
  if (!useCorpusSource(name)) return -1;
  ctx.sourceMarkIn = in;
  ctx.sourceMarkOut = out;
  ctx.recordMarkEntry = at;
  progress.clear();
  return EntryCrop(ctx);
}

std::string JoinFixture::recordBytes() const { return readFile(ctx.recordFileName); }
std::string JoinFixture::undoBytes() const { return readFile(ctx.undoFileName); }
std::string JoinFixture::redoBytes() const { return readFile(ctx.redoFileName); }

std::int64_t JoinFixture::journalOffset(const std::string& journal) {
  if (journal.size() < 8) return -1;
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(journal[i]);
  return static_cast<std::int64_t>(v);
}

JoinFixture::Snapshot JoinFixture::snapshot() const {
  return Snapshot{recordBytes(), record, ctx.history};
}

void JoinFixture::restore(const Snapshot& s) {
  ASSERT_TRUE(writeFile(ctx.recordFileName, s.bytes));
  record = s.record;
  ctx.history = s.history;
}

}  // namespace cw::test

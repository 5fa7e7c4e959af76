#include "archive/compress.h"
#include "archive/compress_workers.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace kv::archive {
namespace {

constexpr std::size_t kKiB = 1024;

// Text-like data that deflates well, or random bytes that do not.
std::string Data(std::size_t size, bool random) {
  std::string s(size, '\0');
  std::mt19937 gen(static_cast<unsigned>(size));
  for (std::size_t i = 0; i < size; ++i)
    s[i] = random ? static_cast<char>(gen()) : "Lorem ipsum dolor sit amet, \n"[(i * 7 + i / 29) % 29];
  return s;
}

std::string InflateRaw(const std::string& data) {
  z_stream z{};
  EXPECT_EQ(inflateInit2(&z, -MAX_WBITS), Z_OK);
  std::string out;
  char buf[65536];
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  int rc;
  do {
    z.next_out = reinterpret_cast<Bytef*>(buf);
    z.avail_out = sizeof buf;
    rc = inflate(&z, Z_NO_FLUSH);
    out.append(buf, sizeof buf - z.avail_out);
  } while (rc == Z_OK);
  EXPECT_EQ(rc, Z_STREAM_END) << "raw deflate data does not end the stream";
  EXPECT_EQ(z.avail_in, 0u) << "bytes after the end of the deflate stream";
  inflateEnd(&z);
  return out;
}

// What the member must hold: each block deflated by a raw stream of its own, primed with the
// 32 KiB before it, sync flush but the last with finish.
std::string BlockByBlock(const std::string& data, int level, std::size_t block) {
  std::string out;
  std::vector<char> buf(2 * block + 1024);
  for (std::size_t pos = 0; pos < data.size(); pos += block) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    const std::size_t primed = std::min<std::size_t>(pos, 32 * kKiB);
    if (primed > 0)
      deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(data.data() + pos - primed), static_cast<uInt>(primed));
    const std::size_t n = std::min(block, data.size() - pos);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + pos));
    z.avail_in = static_cast<uInt>(n);
    z.next_out = reinterpret_cast<Bytef*>(buf.data());
    z.avail_out = static_cast<uInt>(buf.size());
    deflate(&z, pos + n == data.size() ? Z_FINISH : Z_SYNC_FLUSH);
    out.append(buf.data(), buf.size() - z.avail_out);
    deflateEnd(&z);
  }
  return out;
}

struct CompressRun {
  std::vector<std::string> writes;
  CompressOutcome outcome;
  std::string All() const {
    std::string s;
    for (const auto& w : writes) s += w;
    return s;
  }
};

CompressRun Compress(const std::string& source, int mode, bool deflate, CompressWorkers* workers = nullptr) {
  CompressRun run;
  std::size_t pos = 0;
  CompressIo io;
  io.read = [&](char* buffer, std::size_t n) {
    n = std::min(n, source.size() - pos);
    std::memcpy(buffer, source.data() + pos, n);
    pos += n;
    return n;
  };
  io.write = [&](const char* data, std::size_t n) {
    run.writes.emplace_back(data, n);
    return true;
  };
  run.outcome = CompressStream(source.size(), mode, deflate, io, workers);
  return run;
}

TEST(CompressionBlockSize, FollowsTheMode) {
  constexpr std::size_t expected[] = {1024, 512, 512, 512, 1024, 1024, 1024, 1536, 1536, 1536};
  for (int mode = 0; mode <= 9; ++mode) EXPECT_EQ(CompressionBlockSize(mode), expected[mode] * kKiB) << mode;
}

struct Case {
  const char* name;
  std::size_t size;
  int mode;
  bool deflate;
  bool random;
  std::size_t blocks;
};

constexpr Case kCases[] = {
    {"Empty", 0, 1, true, false, 0},
    {"OneByte", 1, 1, true, false, 1},
    {"ExactlyOneBlock", 512 * kKiB, 1, true, false, 1},
    {"OneBlockAndOneByte", 512 * kKiB + 1, 1, true, false, 2},
    {"ThreeBlocksLastOfOneByte", 1024 * kKiB + 1, 1, true, false, 3},
    {"Incompressible", 1024 * kKiB + 1, 1, true, true, 3},
    {"Level6", 2 * 1024 * kKiB + 5, 6, true, false, 3},
    {"Level9Incompressible", 1536 * kKiB + 3, 9, true, true, 2},
    {"StoredCopiesUnchanged", 1024 * kKiB + 1, 0, false, true, 2},
    {"NoCompressionAtLevelOne", 700 * kKiB, 1, false, false, 2},
};

class CompressCases : public ::testing::TestWithParam<Case> {};

TEST_P(CompressCases, WritesOneOutputPerBlockWithTheRightBytesAndCrc) {
  const Case& c = GetParam();
  const std::string source = Data(c.size, c.random);
  const CompressRun run = Compress(source, c.mode, c.deflate);
  const std::string all = run.All();
  EXPECT_TRUE(run.outcome.complete);
  EXPECT_EQ(run.outcome.bytes_read, c.size);
  EXPECT_EQ(run.outcome.bytes_written, all.size());
  EXPECT_EQ(run.outcome.crc32, crc32(0, reinterpret_cast<const Bytef*>(source.data()), static_cast<uInt>(c.size)));
  EXPECT_EQ(run.writes.size(), c.blocks);
  if (!c.deflate) {
    EXPECT_EQ(all, source);
    return;
  }
  if (c.size == 0) {
    EXPECT_TRUE(all.empty());
    return;
  }
  EXPECT_EQ(all, BlockByBlock(source, c.mode, CompressionBlockSize(c.mode)));
  EXPECT_EQ(InflateRaw(all), source);
  for (std::size_t i = 0; i + 1 < run.writes.size(); ++i) {
    EXPECT_EQ(run.writes[i].substr(run.writes[i].size() - 4), std::string("\0\0\xff\xff", 4)) << "block " << i;
  }
  if (c.random) {
    EXPECT_GT(all.size(), source.size()) << "incompressible data stays deflated";
  }
}

TEST_P(CompressCases, WorkersGiveTheSameWritesAsTheCallingThreadAlone) {
  const Case& c = GetParam();
  const std::string source = Data(c.size, c.random);
  const CompressRun alone = Compress(source, c.mode, c.deflate);
  for (std::size_t threads : {1u, 2u, 8u}) {
    CompressWorkers workers(threads);
    const CompressRun run = Compress(source, c.mode, c.deflate, &workers);
    EXPECT_EQ(run.writes, alone.writes) << threads << " threads";
    EXPECT_EQ(run.outcome.crc32, alone.outcome.crc32) << threads << " threads";
    EXPECT_EQ(run.outcome.bytes_written, alone.outcome.bytes_written) << threads << " threads";
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, CompressCases, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// How a run that stops early is reported: only whole blocks that were written count.
TEST(CompressStream, StopsOnShortReadRefusedWriteOrCancelCountingOnlyWrittenBlocks) {
  const std::string source = Data(1536 * kKiB, false);
  enum Stop { kShortRead, kRefusedWrite, kCancel, kNone };
  CompressWorkers workers(2);
  for (Stop stop : {kShortRead, kRefusedWrite, kCancel})
  for (CompressWorkers* with : {static_cast<CompressWorkers*>(nullptr), &workers}) {
    std::size_t pos = 0;
    int writes = 0;
    CompressIo io;
    io.read = [&](char* buffer, std::size_t n) {
      if (stop == kShortRead && pos >= 512 * kKiB) n = 100;  // the file shrank
      std::memcpy(buffer, source.data() + pos, n);
      pos += n;
      return n;
    };
    io.write = [&](const char*, std::size_t) { return !(stop == kRefusedWrite && ++writes == 2); };
    io.before_block = [&](std::uint64_t done) { return !(stop == kCancel && done == 1024 * kKiB); };
    const CompressOutcome outcome = CompressStream(source.size(), 1, true, io, with);
    EXPECT_FALSE(outcome.complete) << stop;
    EXPECT_EQ(outcome.bytes_read, stop == kCancel ? 1024 * kKiB : 512 * kKiB) << stop << (with ? " workers" : "");
  }
}

TEST(CompressStream, AnExceptionFromTheWriterPassesThrough) {
  const std::string source = Data(600 * kKiB, false);
  std::size_t pos = 0;
  CompressIo io;
  io.read = [&](char* buffer, std::size_t n) {
    std::memcpy(buffer, source.data() + pos, n);
    pos += n;
    return n;
  };
  io.write = [](const char*, std::size_t) -> bool { throw std::runtime_error("disk full"); };
  EXPECT_THROW(CompressStream(source.size(), 1, true, io), std::runtime_error);
  pos = 0;
  CompressWorkers workers(2);
  EXPECT_THROW(CompressStream(source.size(), 1, true, io, &workers), std::runtime_error);
}

}  // namespace
}  // namespace kv::archive

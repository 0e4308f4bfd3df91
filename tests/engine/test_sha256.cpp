// The streaming SHA-256, with and without the processor's SHA instructions.
#include <gtest/gtest.h>

#include <QByteArray>

#include "sbHashBehind.h"
#include "sbSha256.h"

TEST(Sha256Test, KnownDigestsWhateverTheSplitAndPath) {
  const QByteArray million(1000000, 'a');
  struct Case {
    QByteArray input;
    const char* hex;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",  // 56 bytes: the length goes in a block of its own
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {million, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const bool accelerated : {false, true}) {
    for (const Case& c : cases) {
      for (const qsizetype piece : {qsizetype(1), qsizetype(63), qsizetype(64), qsizetype(4096)}) {
        TsbSha256 hash(accelerated);
        for (qsizetype at = 0; at < c.input.size(); at += piece)
          hash.Add(c.input.constData() + at, size_t(std::min(piece, c.input.size() - at)));
        EXPECT_EQ(hash.HexResult(), QByteArray(c.hex)) << "accelerated " << accelerated << ", pieces of " << piece;
      }
    }
  }
}

// Hashing a chunk behind the reader: every byte reaches the hash once, in order,
// across chunk borders, and an early end waits for the chunk being hashed.
TEST(Sha256Test, HashingBehindTheReaderSeesEveryByteInOrder) {
  constexpr size_t chunk = TsbHashBehind::kChunkBytes;
  QByteArray data(qsizetype(3 * chunk + 5), Qt::Uninitialized);
  for (qsizetype i = 0; i < data.size(); ++i) data[i] = char((i * 131) ^ (i >> 11));
  for (const size_t total : {size_t(0), size_t(1), chunk - 1, chunk, chunk + 1, size_t(data.size())}) {
    for (const size_t piece : {size_t(7), size_t(65536)}) {
      TsbSha256 direct, behind;
      direct.Add(data.constData(), total);
      TsbHashBehind hashing([&behind](const char* d, size_t n) { behind.Add(d, n); });
      for (size_t at = 0; at < total; at += piece) hashing.Add(data.constData() + at, std::min(piece, total - at));
      hashing.Finish();
      EXPECT_EQ(behind.HexResult(), direct.HexResult()) << total << " bytes in pieces of " << piece;
    }
  }
  size_t seen = 0;
  {
    TsbHashBehind left([&seen](const char*, size_t n) { seen += n; });
    left.Add(data.constData(), chunk + 10);  // one chunk handed over, then the reader gives up
  }
  EXPECT_EQ(seen, chunk);
}

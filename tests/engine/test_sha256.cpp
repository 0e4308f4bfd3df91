// The streaming SHA-256, with and without the processor's SHA instructions.
#include <gtest/gtest.h>

#include <QByteArray>

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

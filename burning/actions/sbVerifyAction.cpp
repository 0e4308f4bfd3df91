#include "sbVerifyAction.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "sbBurner.h"
#include "sbCallbacks.h"
#include "sbErrors.h"
#include "sbHashBehind.h"
#include "sbLibraryCall.h"
#include "sbLogging.h"
#include "sbSha256.h"
#include "sbUiHooks.h"
#include "Discwright.h"
#include "sbDeviceOpen.h"

namespace {


constexpr uint64_t kSector = DISCWRIGHT_SECTOR_SIZE;

QString Mismatch(uint64_t offset) {
  return QCoreApplication::translate("sbVerifyAction",
                                     "Verification failed: the disc differs from the image at byte %1")
      .arg(offset);
}

}  // namespace

void TsbVerifyAction::Fail(const QString& text) {
  Burner().LastMessage = text;
  LogDiagnostic(text);
  throw TsbError(text);
}

void TsbVerifyAction::StopCancelled() {
  Report(QCoreApplication::translate("sbVerifyAction", "Verification cancelled"), litWarning);
  Eject();
}

bool TsbVerifyAction::Pause(std::chrono::milliseconds duration) {
  const auto until = std::chrono::steady_clock::now() + duration;
  for (auto now = std::chrono::steady_clock::now(); now < until; now = std::chrono::steady_clock::now()) {
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kWaitSlice, until - now));
    ProcessMessages();
    if (Burner().Cancelled) return false;
  }
  return true;
}

bool TsbVerifyAction::WaitUntilReady() {
  TsbBurner& b = Burner();
  const auto deadline = std::chrono::steady_clock::now() + ReadyTimeout;
  for (;;) {
    if (SB_CALL(b, Discwright_CdvdBurnerGrabber_TestUnitReady)) return true;
    if (std::chrono::steady_clock::now() >= deadline) Fail(b.LastFailureText());
    if (!Pause(ReadyPoll)) return false;
  }
}

bool TsbVerifyAction::NothingAfterTestBurn() {
  if (!Burner().BurnSettings.TestWrite) return false;
  Report(QCoreApplication::translate("sbVerifyAction", "Nothing to verify after a test burn"), litInfo);
  Eject();  // the burn left the disc in for this check
  return true;
}

void TsbVerifyAction::Execute(TsbActionItem* item) {
  TsbAction::Execute(item);
  Sha256.clear();
  TsbBurner& b = Burner();
  if (NothingAfterTestBurn()) return;
  Report(QCoreApplication::translate("sbVerifyAction", "Verifying disc"), litInfo);
  // The burn left the disc in the drive for this read-back: it comes out however the check ends.
  struct EjectOnFailure {
    TsbVerifyAction& action;
    int failures = std::uncaught_exceptions();
    ~EjectOnFailure() {
      if (std::uncaught_exceptions() <= failures) return;
      try {
        action.Eject();
      } catch (...) {
        // The failure on its way is the one to report.
      }
    }
  } ejectOnFailure{*this};

  // The disc is in the drive after the burn; a tray opened in between is pulled in again.
  if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_CloseTray))
    Fail(b.LastFailureText());
  if (!WaitUntilReady()) return StopCancelled();

  // The image was burned as the last track of the disc.
  DiscwrightDiscInformation disc{};
  if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_GetDiscInformation, &disc))
    Fail(b.LastFailureText());
  if (disc.Tracks == 0)
    Fail(QCoreApplication::translate("sbVerifyAction", "Verification failed: the disc holds no track"));
  DiscwrightTrackInformation track{};
  if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_GetTrackInformation, disc.Tracks, &track))
    Fail(b.LastFailureText());

  const QString fileName = ActionList->Source.FileName;
  // A burn of files and folders has no image file: the tree produces the same
  // image bytes again, so the disc is compared with them, block for block.
  const bool fromTree = fileName.isEmpty() && b.FileTree != 0;
  QFile image(fileName);
  uint64_t size = 0;
  if (fromTree) {
    if (!SB_TREE_CALL(b, Discwright_ISO9660JolietFileTree_GetSizeInUCHARs, &size)) Fail(b.LastFailureText());
    if (!SB_TREE_CALL(b, Discwright_ISO9660JolietFileTree_SeekToBegin)) Fail(b.LastFailureText());
  } else {
    if (!image.open(QIODevice::ReadOnly))
      Fail(QCoreApplication::translate("sbVerifyAction", "Cannot read the image file \"%1\": %2")
               .arg(fileName, image.errorString()));
    size = uint64_t(image.size());
  }
  auto readImage = [&](char* data, uint64_t bytes) {
    if (fromTree) {
      if (!SB_TREE_CALL(b, Discwright_ISO9660JolietFileTree_Read, uint32_t(bytes), data)) Fail(b.LastFailureText());
    } else if (image.read(data, qint64(bytes)) != qint64(bytes)) {
      Fail(QCoreApplication::translate("sbVerifyAction", "Cannot read the image file \"%1\": %2")
               .arg(fileName, image.errorString()));
    }
  };
  // A tree that continues the disc's files lies at the block it was built for: on a disc
  // that grows (no sessions) that is past the start of its only track.
  uint32_t startBlock = track.StartBlock;
  if (fromTree) {
    DiscwrightTreeOrigin origin{};
    if (!SB_TREE_CALL(b, Discwright_ISO9660JolietFileTree_GetOrigin, &origin)) Fail(b.LastFailureText());
    if (origin.FromDisc) startBlock = origin.NextWritable;
  }
  const uint64_t blocks = (size + kSector - 1) / kSector;
  const uint64_t trackEnd = uint64_t(track.StartBlock) + track.SizeBlocks;
  const uint64_t onDisc = trackEnd > startBlock ? trackEnd - startBlock : 0;
  // A shorter track lacks the image's tail: the first missing byte is where they differ.
  if (track.SizeBlocks != 0 && onDisc < blocks) Fail(Mismatch(onDisc * kSector));

  // What was read back, so that the user can compare it with a published checksum.
  TsbSha256 sha256;
  TsbHashBehind hashing([&sha256](const char* data, size_t size) { sha256.Add(data, size); });
  constexpr size_t kReadBytes = size_t(kSectorsPerRead) * kSector;
  std::vector<char> fromDiscBuffer(kReadBytes);
  std::vector<char> fromImage(kReadBytes);
  int lastPercent = 0;
  for (uint64_t block = 0; block < blocks;) {
    const auto count = uint32_t(std::min<uint64_t>(kSectorsPerRead, blocks - block));
    char* const fromDisc = fromDiscBuffer.data();
    if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_ReadSectors, startBlock + uint32_t(block), count, fromDisc))
      Fail(b.LastFailureText());

    const uint64_t offset = block * kSector;
    const uint64_t imageBytes = std::min<uint64_t>(uint64_t(count) * kSector, size - offset);
    readImage(fromImage.data(), imageBytes);
    if (std::memcmp(fromImage.data(), fromDisc, imageBytes) != 0) {
      const auto at = std::mismatch(fromImage.data(), fromImage.data() + imageBytes, fromDisc).first;
      Fail(Mismatch(offset + uint64_t(at - fromImage.data())));
    }
    // The medium holds whole blocks: the tail of the last one must be zeros.
    char* const discEnd = fromDisc + uint64_t(count) * kSector;
    const char* const nonZero = std::find_if(fromDisc + imageBytes, discEnd, [](char c) { return c != 0; });
    if (nonZero != discEnd) Fail(Mismatch(offset + uint64_t(nonZero - fromDisc)));
    hashing.Add(fromDisc, imageBytes);

    block += count;
    const int percent = int(block * 100 / blocks);
    if (percent != lastPercent) {
      lastPercent = percent;
      GlobalCallBackEventer().DoProgress(percent);
    }
    ProcessMessages();
    if (b.Cancelled) return StopCancelled();
  }
  hashing.Finish();
  if (lastPercent != 100) GlobalCallBackEventer().DoProgress(100);

  if (!EarlierFiles.empty() && !CheckEarlierFiles()) return StopCancelled();
  Sha256 = QString::fromLatin1(sha256.HexResult());
  Report(QCoreApplication::translate("sbVerifyAction", "Verification passed (SHA-256 %1)").arg(Sha256), litInfo);
  Eject();
}

bool TsbVerifyAction::CheckEarlierFiles() {
  TsbBurner& b = Burner();
  Report(QCoreApplication::translate("sbVerifyAction", "Checking the %1 files of the earlier sessions").arg(EarlierFiles.size()),
         litInfo);
  // The new directory as a reader sees it: a disc left open is read again; a closed one
  // (no further session to read for) was compared block by block above, which covers it.
  TsbCallTriple triple;
  DiscwrightHandle tree = 0;
  triple.code = Discwright_ISO9660JolietFileTree_CreateFromDisc(&tree, triple.text, DISCWRIGHT_TEXT_SIZE,
                                                                &triple.status, b.Grabber, nullptr, nullptr);
  struct Tree {
    DiscwrightHandle& handle;
    ~Tree() {
      if (handle) Discwright_Destroy(&handle);
    }
  } owner{tree};
  if (triple.code == DW_E_OK) {
    std::vector<TsbDiscFile> now;
    if (Discwright_ISO9660JolietFileTree_ForEachDiscFile(tree, triple.text, DISCWRIGHT_TEXT_SIZE, &triple.status,
                                                         CollectDiscFile, &now) != DW_E_OK)
      Fail(QString::fromUtf8(triple.text));
    SortByPath(now);
    for (const TsbDiscFile& earlier : EarlierFiles) {
      const auto found = std::lower_bound(now.begin(), now.end(), earlier,
                                          [](const TsbDiscFile& x, const TsbDiscFile& y) { return x.Path < y.Path; });
      if (found == now.end() || found->Path != earlier.Path || found->Extents != earlier.Extents)
        Fail(QCoreApplication::translate("sbVerifyAction",
                                         "Verification failed: the new directory does not lead to \"%1\" of the "
                                         "earlier sessions where its bytes are")
                 .arg(earlier.Path));
    }
  }
  // Every byte of the earlier files, read where the new directory says it is.
  uint64_t total = 0, done = 0;
  for (const TsbDiscFile& file : EarlierFiles)
    for (const auto& [block, bytes] : file.Extents) total += (uint64_t(bytes) + kSector - 1) / kSector;
  std::vector<char> buffer(size_t(kSectorsPerRead) * kSector);
  int lastPercent = -1;
  for (const TsbDiscFile& file : EarlierFiles) {
    for (const auto& [first, bytes] : file.Extents) {
      const uint64_t blocks = (uint64_t(bytes) + kSector - 1) / kSector;
      for (uint64_t block = 0; block < blocks;) {
        const auto count = uint32_t(std::min<uint64_t>(kSectorsPerRead, blocks - block));
        if (!SB_CALL(b, Discwright_CdvdBurnerGrabber_ReadSectors, first + uint32_t(block), count, buffer.data()))
          Fail(QCoreApplication::translate("sbVerifyAction", "Verification failed: \"%1\" of the earlier sessions "
                                                             "cannot be read: %2")
                   .arg(file.Path, b.LastFailureText()));
        block += count;
        done += count;
        if (const int percent = int(done * 100 / std::max<uint64_t>(total, 1)); percent != lastPercent) {
          lastPercent = percent;
          GlobalCallBackEventer().DoProgress(percent);
        }
        ProcessMessages();
        if (b.Cancelled) return false;
      }
    }
  }
  Report(QCoreApplication::translate("sbVerifyAction", "The %1 files of the earlier sessions read back through the new "
                                                       "directory")
             .arg(EarlierFiles.size()),
         litInfo);
  return true;
}

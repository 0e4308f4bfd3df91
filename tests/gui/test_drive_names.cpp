// Drive letters named as the device list names drives, and drive events that a
// source hands on by itself (the window system's messages) instead of a descriptor.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "sbDriveWatch.h"
#include "sbOpticalDriveNames.h"

TEST(OpticalDriveNames, OpticalDrivesAreNumberedInTheOrderOfTheirLetters) {
  struct Case {
    const char* letters;
    char letter;
    const char* name;
  } cases[] = {
      {"D", 'D', "CdRom0"}, {"FDE", 'D', "CdRom0"}, {"FDE", 'E', "CdRom1"}, {"FDE", 'F', "CdRom2"},
      {"de", 'E', "CdRom1"}, {"DE", 'e', "CdRom1"}, {"DE", 'C', ""},        {"", 'D', ""},
      {"DDE", 'E', "CdRom1"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(OpticalDriveName(QString::fromLatin1(c.letters), QLatin1Char(c.letter)), QString::fromLatin1(c.name))
        << c.letters << " " << c.letter;
}

TEST(OpticalDriveNames, UnitMasksAndTheNamesThatMoveWhenADriveComesOrGoes) {
  EXPECT_EQ(LettersOfUnitMask(0), QString());
  EXPECT_EQ(LettersOfUnitMask(1u << 3), QStringLiteral("D"));
  EXPECT_EQ(LettersOfUnitMask((1u << 0) | (1u << 4) | (1u << 25)), QStringLiteral("AEZ"));
  struct Case {
    const char* before;
    const char* after;
    QStringList moved;
  } cases[] = {
      {"E", "DE", {"CdRom0", "CdRom1"}},  // a new D: comes before E:
      {"D", "DE", {"CdRom1"}},
      {"DEF", "DF", {"CdRom1", "CdRom2"}},
      {"DE", "DE", {}},
      {"", "G", {"CdRom0"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(OpticalDriveNamesMoved(QString::fromLatin1(c.before), QString::fromLatin1(c.after)), c.moved)
        << c.before << " -> " << c.after;
}

namespace {

// A source that hands its events on itself, as the window system's messages arrive.
class PushedSource final : public TsbDriveEventSource {
 public:
  int Descriptor() const override { return -1; }
  std::optional<TsbDriveEvent> Receive() override { return std::nullopt; }
  void DeliverTo(Delivery deliver) override { deliver_ = std::move(deliver); }
  void Send(const TsbDriveEvent& event) {
    if (deliver_) deliver_(event);
  }
  bool Delivering() const { return bool(deliver_); }

 private:
  Delivery deliver_;
};

}  // namespace

TEST(DriveWatch, EventsHandedOnByTheSourceAreReportedByName) {
  auto* source = new PushedSource;
  {
    TsbDriveWatch watch{std::unique_ptr<TsbDriveEventSource>(source)};
    ASSERT_TRUE(source->Delivering());
    QSignalSpy changed(&watch, &TsbDriveWatch::DriveChanged);
    source->Send({"change", "CdRom1", {}});
    source->Send({"add", "CdRom0", {}});
    source->Send({"change", "D:", {}});          // not a device name
    source->Send({"bind", "CdRom0", {}});        // not an event of a drive
    source->Send({"remove", "/dev/sr2", {}});
    ASSERT_EQ(changed.size(), 3);
    EXPECT_EQ(changed[0].value(0).toString(), QStringLiteral("CdRom1"));
    EXPECT_EQ(changed[1].value(0).toString(), QStringLiteral("CdRom0"));
    EXPECT_EQ(changed[2].value(0).toString(), QStringLiteral("CdRom2"));
  }
}

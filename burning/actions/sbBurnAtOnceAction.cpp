#include "sbBurnAtOnceAction.h"

#include <QCoreApplication>

#include <optional>
#include <vector>

#include "sbBurner.h"
#include "sbCallbacks.h"
#include "sbErrors.h"
#include "sbLogging.h"

namespace {

bool BurnsFromFile(TsbBurnMode mode) { return mode >= bmDaoPqFromFile && mode <= bmSaoFromFile; }
bool IsTrackAtOnce(TsbBurnMode mode) { return mode == bmTaoFromTree || mode == bmTaoFromFile; }

// Adds the rows to the track event for one burn, after whatever a window bound to it,
// and puts that back however the burn ends.
class TrackRows {
 public:
  explicit TrackRows(TsbCallBackEventer::TrackEvent rows) : before_(GlobalCallBackEventer().OnTrack) {
    GlobalCallBackEventer().OnTrack = [before = before_, rows = std::move(rows)](TsbCallBackEventer* sender, int number,
                                                                                 int count) {
      if (before) before(sender, number, count);
      rows(sender, number, count);
    };
  }
  ~TrackRows() { GlobalCallBackEventer().OnTrack = before_; }
  TrackRows(const TrackRows&) = delete;
  TrackRows& operator=(const TrackRows&) = delete;

 private:
  TsbCallBackEventer::TrackEvent before_;
};

// Track-at-once writes nothing in the lead-in but the table of contents, and drives
// refuse text for it: the layout's CD-TEXT is left out while it burns, and put back
// afterwards for the user's next choice. The library burns a copy taken at the start.
class CdTextSetAside {
 public:
  explicit CdTextSetAside(DiscwrightHandle layout) : layout_(layout) {
    Check(Discwright_TrackLayout_GetDisc(layout_, text_, sizeof text_, &status_, &disc_));
    for (uint32_t n = 1; n <= disc_.Tracks; ++n) {
      DiscwrightLayoutTrack& track = tracks_.emplace_back();
      Check(Discwright_TrackLayout_GetTrack(layout_, text_, sizeof text_, &status_, n, &track));
    }
    Apply(true);
  }
  ~CdTextSetAside() {
    try {
      Apply(false);
    } catch (const TsbError& e) {
      LogDiagnostic(e.Message());  // the burn's own outcome is what the user reads
    }
  }
  CdTextSetAside(const CdTextSetAside&) = delete;
  CdTextSetAside& operator=(const CdTextSetAside&) = delete;

 private:
  void Check(uint8_t code) const {
    if (code != DW_E_OK) throw TsbError(QString::fromUtf8(text_));
  }
  // Without text (blank) or as it was.
  void Apply(bool blank) {
    DiscwrightLayoutDisc disc = disc_;
    if (blank) disc.Title[0] = disc.Performer[0] = '\0';
    Check(Discwright_TrackLayout_SetDisc(layout_, text_, sizeof text_, &status_, &disc));
    for (uint32_t n = 1; n <= tracks_.size(); ++n) {
      DiscwrightLayoutTrack track = tracks_[n - 1];
      if (blank) track.Title[0] = track.Performer[0] = '\0';
      Check(Discwright_TrackLayout_SetTrack(layout_, text_, sizeof text_, &status_, n, &track));
    }
  }

  DiscwrightHandle layout_;
  char text_[DISCWRIGHT_TEXT_SIZE] = {};
  uint32_t status_ = 0;
  DiscwrightLayoutDisc disc_{};
  std::vector<DiscwrightLayoutTrack> tracks_;
};

}  // namespace

QString WritingTrackText(int number, int count, const QString& title) {
  const QString text = QCoreApplication::translate("sbBurnAtOnceAction", "Writing track %1 of %2").arg(number).arg(count);
  return title.isEmpty() ? text : text + QStringLiteral(": ") + title;
}

QString TrackAtOnceNote() {
  return QCoreApplication::translate("sbBurnAtOnceAction", "Track-at-once: pauses of 2 seconds and no CD-TEXT");
}

QStringList TsbBurnAtOnceToCDDVDAction::LayoutTitles() const {
  const TsbBurner& b = Burner();
  QStringList titles;
  char text[DISCWRIGHT_TEXT_SIZE] = {};
  uint32_t status = 0;
  DiscwrightLayoutDisc disc{};
  if (Discwright_TrackLayout_GetDisc(b.Layout, text, sizeof text, &status, &disc) != DW_E_OK)
    throw TsbError(QString::fromUtf8(text));
  for (uint32_t n = 1; n <= disc.Tracks; ++n) {
    DiscwrightLayoutTrack track{};
    if (Discwright_TrackLayout_GetTrack(b.Layout, text, sizeof text, &status, n, &track) != DW_E_OK)
      throw TsbError(QString::fromUtf8(text));
    titles << QString::fromUtf8(track.Title);
  }
  return titles;
}

void TsbBurnAtOnceToCDDVDAction::Execute(TsbActionItem* item) {
  TsbStagedAction::Execute(item);
  TsbBurner& b = Burner();
  const TsbBurnMode mode = b.BurnSettings.Mode;
  const bool layout = b.Layout != 0 && BurnsFromFile(mode);

  std::optional<TrackRows> rows;
  std::optional<CdTextSetAside> withoutText;
  if (layout) {
    const QStringList titles = LayoutTitles();
    if (IsTrackAtOnce(mode)) {
      DoMessage(TrackAtOnceNote(), litInfo);
      withoutText.emplace(b.Layout);
    }
    // Reported from the burn thread, as the burner's own rows are.
    rows.emplace([&b, titles](TsbCallBackEventer*, int number, int count) {
      b.DoMessage(&b, WritingTrackText(number, count, titles.value(number - 1)), litInfo);
    });
  } else if (BurnsFromFile(mode) && UseSourceFile) {
    const QString& fileName = ActionList->Source.FileName;
    // Refuses a name that does not fit the table before anything is changed or burned.
    b.SetSingleTrack(fileName);
    b.SourceFiles = QStringList{fileName};
    if (mode == bmSaoFromFile) b.SessionLayoutFromSourceFiles();  // the same check for the session layout
    GlobalLogger().WriteLog(QStringLiteral("Source file name: ") + fileName, 0);
  }

  // The first report of this burn must pass even if it equals the last one of a previous burn.
  LastReportedPercent = 0;
  b.Burn();
  rows.reset();
  withoutText.reset();
  if (!b.LastMessage.isEmpty()) throw TsbError(b.LastMessage);

  // A test burn writes nothing, so there is no session to close; a layout's burn closes the disc.
  if (IsTrackAtOnce(mode) && !b.BurnSettings.TestWrite && !layout) CloseSession();
  // A drive that cannot pull its tray back in (slot-loading, laptops) could not
  // read an ejected disc: the read-back ejects it when it is done.
  if (!ActionList->DiscIsReadAfter(item)) Eject();
  DoMessage(QCoreApplication::translate("sbBurnAtOnceAction", "Burning completed"), litInfo);
}

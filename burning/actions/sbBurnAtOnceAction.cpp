#include "sbBurnAtOnceAction.h"

#include <QCoreApplication>

#include <optional>

#include "sbBurner.h"
#include "sbCallbacks.h"
#include "sbErrors.h"
#include "sbLogging.h"

namespace {

bool BurnsFromFile(TsbBurnMode mode) { return mode >= bmDaoPqFromFile && mode <= bmSaoFromFile; }
bool IsTrackAtOnce(TsbBurnMode mode) { return mode == bmTaoFromTree || mode == bmTaoFromFile; }

// Unbinds the track event however the burn ends.
struct TrackRows {
  explicit TrackRows(TsbCallBackEventer::TrackEvent event) { GlobalCallBackEventer().OnTrack = std::move(event); }
  ~TrackRows() { GlobalCallBackEventer().OnTrack = nullptr; }
  TrackRows(const TrackRows&) = delete;
  TrackRows& operator=(const TrackRows&) = delete;
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
  if (layout) {
    if (IsTrackAtOnce(mode)) DoMessage(TrackAtOnceNote(), litInfo);
    // Reported from the burn thread, as the burner's own rows are.
    rows.emplace([&b, titles = LayoutTitles()](TsbCallBackEventer*, int number, int count) {
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
  if (!b.LastMessage.isEmpty()) throw TsbError(b.LastMessage);

  // A test burn writes nothing, so there is no session to close; a layout's burn closes the disc.
  if (IsTrackAtOnce(mode) && !b.BurnSettings.TestWrite && !layout) CloseSession();
  // A drive that cannot pull its tray back in (slot-loading, laptops) could not
  // read an ejected disc: the read-back ejects it when it is done.
  if (!ActionList->DiscIsReadAfter(item)) Eject();
  DoMessage(QCoreApplication::translate("sbBurnAtOnceAction", "Burning completed"), litInfo);
}

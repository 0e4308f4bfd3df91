#include "sbBurnAtOnceAction.h"

#include <QCoreApplication>

#include "sbBurner.h"
#include "sbCallbacks.h"
#include "sbErrors.h"
#include "sbLogging.h"

namespace {

bool BurnsFromFile(TsbBurnMode mode) { return mode >= bmDaoPqFromFile && mode <= bmSaoFromFile; }
bool IsTrackAtOnce(TsbBurnMode mode) { return mode == bmTaoFromTree || mode == bmTaoFromFile; }

}  // namespace

void TsbBurnAtOnceToCDDVDAction::Execute(TsbActionItem* item) {
  TsbStagedAction::Execute(item);
  TsbBurner& b = Burner();
  const TsbBurnMode mode = b.BurnSettings.Mode;

  if (BurnsFromFile(mode) && UseSourceFile) {
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
  if (!b.LastMessage.isEmpty()) throw TsbError(b.LastMessage);

  // A test burn writes nothing, so there is no session to close.
  if (IsTrackAtOnce(mode) && !b.BurnSettings.TestWrite) CloseSession();
  // A drive that cannot pull its tray back in (slot-loading, laptops) could not
  // read an ejected disc: the read-back ejects it when it is done.
  if (!ActionList->DiscIsReadAfter(item)) Eject();
  DoMessage(QCoreApplication::translate("sbBurnAtOnceAction", "Burning completed"), litInfo);
}

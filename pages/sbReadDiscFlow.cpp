#include "sbReadDiscFlow.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QStandardPaths>
#include <QStringList>

#include <vector>

#include "sbDeviceList.h"
#include "sbDeviceTypes.h"
#include "sbDialogs.h"
#include "sbDiscToCueSheet.h"
#include "sbDiscToImage.h"
#include "sbErrors.h"
#include "sbTrayAndDisc.h"
#include "ufrmOperationProgress.h"

namespace {

bool HoldsDataToRead(const TsbDeviceItem& record) {
  return record.Unusable.isEmpty() && record.DiscProblem.isEmpty() && record.DiscType != DISC_TYPE_NO_MEDIA &&
         record.DiscInformation.DiscStatus != DW_DISC_BLANK;
}

QString Describe(const TsbDeviceItem& record) {
  QString text = QStringLiteral("%1: %2, %3, %4").arg(record.DeviceName, record.Product.trimmed(),
                                                      DiscTypeName(record.DiscType, true), DiscSizeText(record, true));
  if (!record.DiscLabel.isEmpty()) text += QStringLiteral(", \"%1\"").arg(record.DiscLabel);
  return text;
}

}  // namespace

TsbDiscReadResult ReadDiscIntoImage(QWidget* parent, const QString& destinationDrive) {
  TsbDiscReadResult result;
  TsbDeviceFinder finder;
  finder.TransportType = ttSpti;
  finder.ProgressViewFactory = MakeOperationProgressView;
  finder.Refresh(true);
  std::vector<const TsbDeviceItem*> discs;
  QStringList names;
  for (int i = 0; i < finder.Devices.Count(); ++i)
    if (TsbDeviceItem& record = finder.Devices.Items(i); HoldsDataToRead(record)) {
      UpdateDiscSpace(record);  // the scan leaves the size to whoever shows it
      discs.push_back(&record);
      names << Describe(record);
    }
  if (discs.empty()) {
    Dialogs().ApplicationError(QCoreApplication::translate(
        "sbReadDiscFlow", "No drive holds a written disc to read. Insert the disc to copy into a drive, then choose "
                          "Read from a disc again"));
    return result;
  }
  const int chosen = Dialogs().ChooseItem(QCoreApplication::translate("sbReadDiscFlow", "The disc to save as an image:"), names);
  if (chosen < 0) return result;
  const TsbDeviceItem& source = *discs[size_t(chosen)];

  TsbFileDialogRequest request;
  request.Caption = QCoreApplication::translate("sbReadDiscFlow", "Save the disc as an image");
  request.Filter = QCoreApplication::translate("sbReadDiscFlow", "ISO image (*.iso *.ISO)");
  // A CD may also be saved whole, every track with its pauses and titles, as BIN/CUE.
  const bool cd = !IsDVDDiscType(source.DiscType) && !IsBDDiscType(source.DiscType) && !IsHDDVDDiscType(source.DiscType);
  if (cd)
    request.Filter += QStringLiteral(";;") +
                      QCoreApplication::translate("sbReadDiscFlow", "CD image with cue sheet (*.cue *.CUE)");
  request.DefaultSuffix = QStringLiteral("iso");
  const QString name = source.DiscLabel.trimmed().isEmpty() ? QCoreApplication::translate("sbReadDiscFlow", "disc") : source.DiscLabel.trimmed();
  request.Proposal = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                         .filePath(QString(name).replace(QLatin1Char('/'), QLatin1Char('_')) + QStringLiteral(".iso"));
  const QString target = Dialogs().SaveFileName(request);
  if (target.isEmpty()) return result;

  const bool cueSheet = cd && target.endsWith(QStringLiteral(".cue"), Qt::CaseInsensitive);
  TsbDiscToImage read;
  read.Device = source;
  read.DeviceLabel = source.DeviceName;
  read.Target = target;
  TsbDiscToCueSheet readCue;
  readCue.Device = source;
  readCue.DeviceLabel = source.DeviceName;
  readCue.CueSheet = target;
  bool cancel = false;
  read.CancelRequested = readCue.CancelRequested = [&cancel] { return cancel; };
  TfrmOperationProgress progress(parent ? parent->window() : nullptr);
  // A long path would not fit the small window: on a line of its own, shortened
  // to that line (a wrap inside it would cut it anywhere), whole in the tool tip.
  const QString info = QCoreApplication::translate("sbReadDiscFlow", "Reading the disc in %1 into\n\"%2\"")
                           .arg(source.DeviceName, progress.ElidedPath(target));
  progress.Show(QCoreApplication::translate("sbReadDiscFlow", "Reading disc"), info, [&cancel] { cancel = true; });
  progress.lblInfo->setToolTip(target);
  progress.SetPercent(0);
  read.OnProgress = readCue.OnProgress = [&progress](int percent) { progress.SetPercent(percent); };
  try {
    if (cueSheet)
      result.Image = readCue.Run() ? target : QString();
    else
      result.Image = read.Run();
  } catch (const TsbError& error) {
    progress.Hide();
    Dialogs().ApplicationError(error.Message());
    return result;
  }
  progress.Hide();
  if (result.Image.isEmpty()) return result;
  result.Image = target;

  if (source.DeviceName.compare(destinationDrive, Qt::CaseInsensitive) == 0) {
    // One drive for both: the copied disc makes room for the blank one.
    try {
      SetDiscInserted(source.DeviceName, false);
    } catch (const TsbError& error) {
      Dialogs().ApplicationError(error.Message());
    }
    result.DestinationDiscOut = true;
    Dialogs().Warning(kApplicationTitle, QCoreApplication::translate("sbReadDiscFlow", "The disc is saved as \"%1\". Take it out of %2 "
                                                                     "and insert a blank disc to burn the image on.")
                                             .arg(target, source.DeviceName));
  }
  return result;
}

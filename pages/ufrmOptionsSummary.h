// Wizard page 6, the last before burning: every choice the burn will use, as
// a read-only text, and the hint that Next starts the burn.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>

#include "sbDockForm.h"

class QLabel;
class QPlainTextEdit;
class TsbTrackLayout;

// The choices of the options page the eight lines do not name; each changes the disc.
struct TsbSummaryChoices {
  bool Verify = false;
  bool Eject = true;
  int Copies = 1;
  bool LeaveOpen = false;  // the disc takes further sessions after this one
  int64_t BytesLeft = -1;  // free after this burn, when known
  int AddsSession = 0;     // files added to a disc left open: the number of the new session
  int DiscFiles = 0;       // and the files the disc listed before it
  // The tracks of an audio CD or a cue sheet, burned instead of the image.
  const TsbTrackLayout* Layout = nullptr;  // not owned
};

class TfrmOptionsSummary : public TsbDockForm {
  Q_OBJECT

 public:
  explicit TfrmOptionsSummary(QWidget* parent = nullptr);
  ~TfrmOptionsSummary() override;

  QLabel* lblName;
  QPlainTextEdit* edtSummary;
  QLabel* lblNextAction;

  // Replaces the text with SummaryLines, one line each.
  void ShowSummary(const TsbBurner& burner, const QString& imageFileName, const std::optional<TsbSummaryChoices>& choices = {});
};

// The summary of a burn: drive, transport, disc type, image file, speed, OPC,
// burning mode and test write; then, when given, the volume label of a burn of
// files, the verify choice, "Eject the disc when done: No" when it is off, and
// the number of copies; last, the warning of an image that is not ISO 9660.
// For tracks the source line is "Audio CD: 12 tracks, 58:31" (or the cue sheet),
// followed by what the disc gets of their titles.
QStringList SummaryLines(const TsbBurner& burner, const QString& imageFileName,
                         const std::optional<TsbSummaryChoices>& choices = {});

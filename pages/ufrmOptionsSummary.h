// Wizard page 6, the last before burning: every choice the burn will use, as
// a read-only text, and the hint that Next starts the burn.
#pragma once

#include <QString>
#include <QStringList>

#include "sbDockForm.h"

class QLabel;
class QPlainTextEdit;

class TfrmOptionsSummary : public TsbDockForm {
  Q_OBJECT

 public:
  explicit TfrmOptionsSummary(QWidget* parent = nullptr);
  ~TfrmOptionsSummary() override;

  QLabel* lblName;
  QPlainTextEdit* edtSummary;
  QLabel* lblNextAction;

  // Replaces the text with SummaryLines, one line each.
  void ShowSummary(const TsbBurner& burner, const QString& imageFileName, bool verify, int copies = 1);
};

// The summary of a burn: drive, transport, disc type, image file, speed, OPC,
// burning mode and test write, plus "Verify written data: Yes" when verify.
QStringList SummaryLines(const TsbBurner& burner, const QString& imageFileName, bool verify, int copies = 1);

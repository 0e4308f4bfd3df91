#include "ufrmOptionsSummary.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPalette>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "sbBurner.h"
#include "sbDeviceTypes.h"
#include "sbDiscSpeeds.h"
#include "sbErrors.h"
#include "sbHelpers.h"
#include "sbIsoInfo.h"
#include "sbPageStyle.h"
#include "sbPageText.h"
#include "sbStrings.h"
#include "sbTrackLayout.h"
#include "ufrmSourceFileSelection.h"

namespace {

QString Line(TsbStringId id, const QStringList& args) { return FillPlaceholders(ResStr(id), QStringLiteral("%s"), args); }

// The four file modes the burning mode page offers.
QString BurningModeText(TsbBurnMode mode) {
  switch (mode) {
    case bmDaoPqFromFile:
    case bmDaoPqFromTree: return QStringLiteral("Disc-At-Once PQ");
    case bmDaoRawFromFile:
    case bmDaoRawFromTree: return QStringLiteral("Disc-At-Once Raw PW");
    case bmTaoFromFile:
    case bmTaoFromTree: return QStringLiteral("Track-At-Once");
    case bmSaoFromFile:
    case bmSaoFromTree: return QStringLiteral("Session-At-Once");
    default:
      return QCoreApplication::translate("ufrmOptionsSummary", "mode %1")
          .arg(int(mode));  // never offered; shown rather than hidden
  }
}

// Titles the packs cannot hold are refused by the burn itself, with the reason; until
// then the summary names no CD-TEXT it could not make.
bool HasCdText(const TsbTrackLayout& layout) {
  try {
    return layout.HasCdText();
  } catch (const TsbError&) {
    return false;
  }
}

bool IsTreeMode(TsbBurnMode mode) {
  return mode == bmTaoFromTree || mode == bmSaoFromTree || mode == bmDaoPqFromTree || mode == bmDaoRawFromTree;
}

}  // namespace

QStringList SummaryLines(const TsbBurner& burner, const QString& imageFileName,
                         const std::optional<TsbSummaryChoices>& choices) {
  const TsbBurnSettings& settings = burner.BurnSettings;
  QStringList lines = {
      Line(sSummaryDrive,
           {burner.DeviceInfo.Product, burner.DeviceInfo.Vendor, burner.DeviceInfo.ProductRevisionLevel}),
      Line(sSummaryTransport, {burner.Transport == ttAspi ? QStringLiteral("ASPI") : QStringLiteral("SPTI")}),
      Line(sSummaryDiscType, {DiscTypeName(burner.DiscType, true)}),
      // A burn of files and folders gets its source line ("Source: 2 files, ...") as it is.
      IsTreeMode(settings.Mode) ? imageFileName : Line(sSummaryImageFile, {imageFileName}),
      Line(sSummarySpeed, {SpeedText(settings.SpeedFactor, settings.WriteSpeed, true)}),
      Line(sSummarySendOpc, {BoolToYesNo(settings.SendOPC, true)}),
      Line(sSummaryBurningMode, {BurningModeText(settings.Mode)}),
      Line(sSummaryTestWrite, {BoolToYesNo(settings.TestWrite, true)}),
  };
  const TsbTrackLayout* layout = choices ? choices->Layout : nullptr;
  if (layout) {
    const QString tracks = TfrmSourceFileSelection::TracksText(*layout);
    lines[3] = layout->CueSheet().isEmpty()
                   ? QCoreApplication::translate("ufrmOptionsSummary", "Audio CD: %1").arg(tracks)
                   : QCoreApplication::translate("ufrmOptionsSummary", "Cue sheet: %1 (%2)").arg(layout->CueSheet(), tracks);
    // Track-at-once writes each track on its own: the drive puts its own pauses and no CD-TEXT.
    if (settings.Mode == bmTaoFromFile || settings.Mode == bmTaoFromTree)
      lines << QCoreApplication::translate("ufrmOptionsSummary", "Track-at-once: pauses of 2 seconds and no CD-TEXT");
    else if (HasCdText(*layout))
      lines << QCoreApplication::translate("ufrmOptionsSummary", "CD-TEXT: album and track titles");
  }
  if (choices) {
    if (choices->AddsSession > 0)
      lines << QCoreApplication::translate("ufrmOptionsSummary", "Adds session %1 to the %2 files on the disc")
                   .arg(choices->AddsSession)
                   .arg(choices->DiscFiles);
    if (IsTreeMode(settings.Mode))
      lines << QCoreApplication::translate("ufrmOptionsSummary", "Volume label: %1").arg(burner.VolumeLabel);
    if (!choices->LeaveOpen)
      lines << QCoreApplication::translate("ufrmOptionsSummary", "Leave the disc open for more sessions: No (the disc is closed)");
    else if (choices->BytesLeft >= 0)
      lines << QCoreApplication::translate("ufrmOptionsSummary",
                                           "Leave the disc open for more sessions: Yes (about %1 left after this one)")
                   .arg(LocaleMegabytes(choices->BytesLeft));
    else
      lines << QCoreApplication::translate("ufrmOptionsSummary", "Leave the disc open for more sessions: Yes");
    lines << Line(sSummaryVerify, {BoolToYesNo(choices->Verify, true)});
    // On is what a user expects of a burner; only its absence needs saying.
    if (!choices->Eject)
      lines << QCoreApplication::translate("ufrmOptionsSummary", "Eject the disc when done: %1").arg(BoolToYesNo(false, true));
    lines << QCoreApplication::translate("ufrmOptionsSummary", "Number of copies: %1").arg(choices->Copies);
  }
  // The image page's warning, repeated where the burn is confirmed.
  if (!layout && !IsTreeMode(settings.Mode) && QFileInfo(imageFileName).isFile())
    if (const TsbIsoInfo info = ReadIsoInfo(imageFileName); !info.IsIso) lines << IsoInfoText(info);
  return lines;
}

TfrmOptionsSummary::TfrmOptionsSummary(QWidget* parent) : TsbDockForm(parent) {
  SetWhiteBackground(this);

  lblName = NewHeading(ResStr(sSummaryHeading), this);
  edtSummary = new QPlainTextEdit(this);
  edtSummary->setReadOnly(true);
  // Read-only, yet the keyboard still moves through the text and selects it.
  edtSummary->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  edtSummary->setFocusPolicy(Qt::StrongFocus);
  edtSummary->setTabChangesFocus(true);
  edtSummary->setLineWrapMode(QPlainTextEdit::NoWrap);
  edtSummary->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  edtSummary->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  edtSummary->setAccessibleName(lblName->text());
  QPalette pagePalette = edtSummary->palette();
  pagePalette.setColor(QPalette::Base, palette().color(QPalette::Window));
  edtSummary->setPalette(pagePalette);
  lblName->setBuddy(edtSummary);
  lblNextAction = new QLabel(ResStr(sClickNextToStartBurning), this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 10, 10, 10);
  layout->setSpacing(8);
  layout->addWidget(lblName);
  layout->addWidget(edtSummary, 1);
  layout->addWidget(lblNextAction);
}

TfrmOptionsSummary::~TfrmOptionsSummary() = default;

void TfrmOptionsSummary::ShowSummary(const TsbBurner& burner, const QString& imageFileName,
                                     const std::optional<TsbSummaryChoices>& choices) {
  edtSummary->clear();
  // Plain text: a file name with "<" or "&" is shown as it is.
  for (const QString& line : SummaryLines(burner, imageFileName, choices)) edtSummary->appendPlainText(line);
}

#include "ufrmSourceFileSelection.h"

#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>

#include "sbBurner.h"
#include "sbDialogs.h"
#include "sbChecksumFile.h"
#include "sbErrors.h"
#include "sbFilesPanel.h"
#include "sbFileSelection.h"
#include "sbIsoInfo.h"
#include "sbPageStyle.h"
#include "sbPageText.h"
#include "sbReadDiscFlow.h"
#include "sbStrings.h"
#include "sbTrackLayout.h"
#include "sbTracksPanel.h"

namespace {

QString Megabytes(int64_t bytes) { return LocaleNumber(double(bytes) / 1024 / 1024, 2); }

// Notes under the file list: a refusal in red, what the disc leaves out or only some
// readers read whole in the warning colour of the image page.
const QString kRefusalColour = QStringLiteral("color: #b00000");
const QString kNoteColour = QStringLiteral("color: #9a5b00");
// A CD of 80 minutes, taken when the disc's own size is not known.
constexpr uint32_t kCdBlocks = 80 * 60 * 75;
// "79:57": a disc's minutes are counted on past the hour, as CDs are sold.
QString MinutesText(uint32_t blocks) {
  const uint32_t seconds = blocks / 75;
  return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// A chosen folder may hold any number of pipes or sockets: past this many lines the
// note shows the first ones and a count, and the whole list is its tooltip (and in the log).
constexpr qsizetype kShownNoteLines = 3;

}  // namespace

QString DroppedImageFile(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().isEmpty()) return {};
  const QUrl url = data->urls().constFirst();
  if (!url.isLocalFile()) return {};
  // Shown as the system writes paths (backslashes on Windows).
  const QString path = QDir::toNativeSeparators(url.toLocalFile());
  return path.endsWith(QStringLiteral(".iso"), Qt::CaseInsensitive) ||
                 path.endsWith(QStringLiteral(".cue"), Qt::CaseInsensitive)
             ? path
             : QString();
}

TfrmSourceFileSelection::TfrmSourceFileSelection(QWidget* parent) : TsbDockForm(parent) {
  SetWhiteBackground(this);
  setAcceptDrops(true);

  Label1 = NewHeading(tr("Select file system image to burn"), this);
  Label2 = new QLabel(tr("Image file path:"), this);
  Edit1 = new QLineEdit(this);
  // A file dropped on the edit box is taken by the page, not pasted as a URL.
  Edit1->setAcceptDrops(false);
  Label2->setBuddy(Edit1);
  Button1 = new QPushButton(QStringLiteral("..."), this);
  Button1->setAccessibleName(tr("Browse for the image file"));
  Button1->setToolTip(Button1->accessibleName());
  // As narrow as the edit box is high, whatever the style's minimum button width.
  Button1->setFixedWidth(Button1->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
  btnReadDisc = new QPushButton(tr("&Read from a disc..."), this);
  btnReadDisc->setToolTip(tr("Save a disc in one of the drives as an image, and burn that image"));
  lblSizeInformation = new QLabel(this);
  lblSizeInformation->setTextInteractionFlags(Qt::TextSelectableByMouse);
  rbImage = new QRadioButton(tr("Image file"), this);
  rbFiles = new QRadioButton(tr("Files and folders"), this);
  rbAudio = new QRadioButton(tr("Audio CD"), this);
  rbImage->setChecked(true);
  FilesPanel = new TsbFilesPanel(this);
  TracksPanel = new TsbTracksPanel(this);
  lblImageInfo = new QLabel(this);
  lblImageInfo->setWordWrap(true);
  lblImageInfo->setTextInteractionFlags(Qt::TextSelectableByMouse);
  chbChecksum = new QCheckBox(this);
  chbChecksum->setVisible(false);
  lblFilesProblem = new QLabel(this);
  lblFilesProblem->setWordWrap(true);
  lblFilesProblem->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblFilesProblem->setStyleSheet(kRefusalColour);
  lblSizeProblem = new QLabel(ResStr(sImageTooBig), this);
  lblSizeProblem->setStyleSheet(kRefusalColour);
  lblSizeProblem->setVisible(false);
  for (QRadioButton* source : {rbImage, rbFiles, rbAudio})
    connect(source, &QRadioButton::toggled, this, [this](bool checked) {
      if (!checked) return;  // the button switched off tells too
      ShowSource();
      if (FilesChosen()) MeasureFiles();
      else if (CueSheetChosen()) MeasureImageFile();
      else UpdateSizeInformation();
      if (OnSourceChanged) OnSourceChanged();
    });
  connect(FilesPanel, &TsbFilesPanel::Changed, this, [this] { MeasureFiles(); });
  connect(TracksPanel, &TsbTracksPanel::Changed, this, [this] { UpdateSizeInformation(); });

  connect(Edit1, &QLineEdit::textChanged, this, &TfrmSourceFileSelection::Edit1Change);
  connect(Button1, &QPushButton::clicked, this, &TfrmSourceFileSelection::Button1Click);
  connect(btnReadDisc, &QPushButton::clicked, this, &TfrmSourceFileSelection::btnReadDiscClick);

  auto* layout = grid_ = new QGridLayout(this);
  layout->setContentsMargins(10, 10, 10, 10);
  layout->setHorizontalSpacing(6);
  layout->setVerticalSpacing(6);
  layout->addWidget(Label1, 0, 0, 1, 3);
  layout->setRowMinimumHeight(1, 8);
  auto* sources = new QHBoxLayout;
  sources->addWidget(rbImage);
  sources->addWidget(rbFiles);
  sources->addWidget(rbAudio);
  sources->addStretch(1);
  layout->addLayout(sources, 2, 0, 1, 3);
  layout->addWidget(Label2, 3, 0, 1, 3);
  layout->addWidget(Edit1, 4, 0);
  layout->addWidget(Button1, 4, 1);
  layout->addWidget(btnReadDisc, 4, 2);
  layout->addWidget(FilesPanel, 5, 0, 1, 3);
  layout->addWidget(TracksPanel, 6, 0, 1, 3);
  layout->setRowMinimumHeight(7, 4);
  layout->addWidget(lblSizeInformation, 8, 0, 1, 3);
  layout->addWidget(lblSizeProblem, 9, 0, 1, 3);
  layout->addWidget(lblImageInfo, 10, 0, 1, 3);
  layout->addWidget(chbChecksum, 11, 0, 1, 3);
  layout->addWidget(lblFilesProblem, 12, 0, 1, 3);
  layout->setRowStretch(13, 1);
  layout->setColumnStretch(0, 1);

  ShowSource();
  UpdateSizeInformation();
}

TfrmSourceFileSelection::~TfrmSourceFileSelection() = default;

void TfrmSourceFileSelection::Activate(TsbBurner* burner) {
  TsbDockForm::Activate(burner);
  ShowDiscFiles();
  if (FilesChosen()) MeasureFiles();
  else if (CueSheetChosen()) MeasureImageFile();
  else UpdateSizeInformation();
}

void TfrmSourceFileSelection::ShowDiscFiles() {
  std::vector<TsbDiscFile> files;
  QString label;
  if (AppendToDisc && Burner) {
    try {
      const TsbDiscContents contents = CreateFileTreeFromDisc(*Burner);
      files = DiscFilesOf(*Burner);
      label = contents.Label;
    } catch (const TsbError& e) {
      FilesProblem = e.Message();  // said under the list; Next refuses the same way
    }
  }
  FilesPanel->ShowDiscFiles(files);
  // Files are what a disc left open takes: they are offered first, with the disc's label.
  if (AppendToDisc && !discFilesShown_) {
    rbFiles->setChecked(true);
    if (!label.isEmpty()) FilesPanel->edtLabel->setText(label);
  }
  discFilesShown_ = AppendToDisc;
}

int64_t TfrmSourceFileSelection::MeasureImageFile() {
  // QFileInfo asks without opening, so a typed path naming a pipe or a device
  // cannot block the window.
  const QFileInfo file(ImageFileName);
  ImageFileSize = !ImageFileName.isEmpty() && file.isFile() && file.isReadable() ? file.size() : 0;
  if (CueSheetChosen()) {
    ReadCueSheet();
    ShowSource();
    UpdateSizeInformation();
    return ImageFileSize;
  }
  cueLayout_.reset();
  cuePath_.clear();
  CueProblem.clear();
  // Raw data is burned too; the page only says that it is not a file system image.
  const TsbIsoInfo info = ImageFileSize > 0 ? ReadIsoInfo(ImageFileName) : TsbIsoInfo{};
  lblImageInfo->setText(ImageFileSize > 0 ? IsoInfoText(info) : QString());
  lblImageInfo->setStyleSheet(info.IsIso ? QString() : QStringLiteral("color: #9a5b00"));
  // Offered, and checked, whenever the image changes; the user may switch it off.
  if (const QString found = ImageFileSize > 0 ? ChecksumFileBeside(ImageFileName) : QString(); found != ChecksumFile) {
    ChecksumFile = found;
    chbChecksum->setText(tr("Check the image against %1").arg(QFileInfo(found).fileName()));
    chbChecksum->setToolTip(found);
    chbChecksum->setChecked(true);
  }
  UpdateSizeInformation();
  return ImageFileSize;
}

bool TfrmSourceFileSelection::FilesChosen() const { return rbFiles->isChecked(); }

bool TfrmSourceFileSelection::AudioChosen() const { return rbAudio->isChecked(); }

bool TfrmSourceFileSelection::CueSheetChosen() const {
  return rbImage->isChecked() && ImageFileName.endsWith(QStringLiteral(".cue"), Qt::CaseInsensitive);
}

std::shared_ptr<TsbTrackLayout> TfrmSourceFileSelection::ChosenLayout() const {
  if (AudioChosen()) return audioLayout_;
  return CueSheetChosen() ? cueLayout_ : nullptr;
}

std::shared_ptr<TsbTrackLayout> TfrmSourceFileSelection::AudioLayout() {
  if (!audioLayout_) {
    try {
      audioLayout_ = std::make_shared<TsbTrackLayout>();
    } catch (const TsbError& e) {
      TracksPanel->lblRefused->setText(e.Message());
      TracksPanel->lblRefused->setVisible(true);
    }
  }
  return audioLayout_;
}

void TfrmSourceFileSelection::ReadCueSheet() {
  // Read again each time it is measured: the burn takes the sheet and its files as they are now.
  cueLayout_.reset();
  cuePath_ = ImageFileName;
  CueProblem.clear();
  if (ImageFileSize <= 0) {
    CueProblem = ResStr(sSelectImageFile);
    return;
  }
  try {
    cueLayout_ = TsbTrackLayout::FromCueSheet(QDir::fromNativeSeparators(ImageFileName));
  } catch (const TsbError& e) {
    CueProblem = e.Message();  // names the line of the sheet it stopped at
  }
}

namespace {

// Audio sectors exist on CDs only: a DVD or BD chosen before takes no tracks.
bool HoldsNoTracks(const TsbBurner* burner) {
  return burner && (IsDVDDiscType(burner->DiscType) || IsBDDiscType(burner->DiscType) || IsHDDVDDiscType(burner->DiscType));
}

}  // namespace

uint32_t TfrmSourceFileSelection::DiscBlocks() const {
  const int64_t bytes = Burner && !HoldsNoTracks(Burner) ? Burner->DiscSpace.FreeBytes : 0;
  return bytes > 0 ? uint32_t(bytes / 2048) : kCdBlocks;
}

QString TfrmSourceFileSelection::TracksText(const TsbTrackLayout& layout, uint32_t discBlocks) {
  const int count = layout.TrackCount();
  const QString time = MinutesText(layout.TotalBlocks());
  if (discBlocks == 0) return count == 1 ? tr("1 track, %1").arg(time) : tr("%1 tracks, %2").arg(count).arg(time);
  const QString disc = MinutesText(discBlocks);
  return count == 1 ? tr("1 track, %1 of %2").arg(time, disc) : tr("%1 tracks, %2 of %3").arg(count).arg(time, disc);
}

QString TfrmSourceFileSelection::ChosenChecksumFile() const {
  return rbImage->isChecked() && !CueSheetChosen() && !ChecksumFile.isEmpty() && chbChecksum->isChecked() ? ChecksumFile
                                                                                                        : QString();
}

void TfrmSourceFileSelection::ShowSource() {
  const bool files = FilesChosen();
  const bool audio = AudioChosen();
  const bool image = !files && !audio;
  const bool cue = CueSheetChosen();
  Label1->setText(files   ? tr("Select the files and folders to burn")
                  : audio ? tr("Select the music files for the audio CD, in the order of the disc")
                          : tr("Select file system image to burn"));
  Label2->setVisible(image);
  Edit1->setVisible(image);
  Button1->setVisible(image);
  btnReadDisc->setVisible(image);
  FilesPanel->setVisible(files);
  // The audio CD's tracks to edit, or a cue sheet's to look at.
  const std::shared_ptr<TsbTrackLayout> shown = audio ? AudioLayout() : cue ? cueLayout_ : nullptr;
  if (TracksPanel->Layout() != shown || (shown && TracksPanel->lstTracks->topLevelItemCount() == 0))
    TracksPanel->SetLayout(shown, !audio);
  TracksPanel->lblCaption->setText(cue ? tr("Tracks of the cue sheet %1:").arg(QFileInfo(ImageFileName).fileName())
                                       : QString());
  TracksPanel->lblCaption->setVisible(cue);
  TracksPanel->setVisible(audio || (cue && cueLayout_));
  if (grid_) {
    grid_->setRowStretch(6, TracksPanel->isVisibleTo(this) ? 1 : 0);
    grid_->setRowStretch(13, TracksPanel->isVisibleTo(this) ? 0 : 1);
  }
  lblFilesProblem->setVisible(files && !FilesProblem.isEmpty());
  if (cue) {
    // A refused sheet is said where the image's description stands.
    lblImageInfo->setText(CueProblem);
    lblImageInfo->setStyleSheet(kRefusalColour);
  }
  lblImageInfo->setVisible(image && !lblImageInfo->text().isEmpty());
  chbChecksum->setVisible(image && !cue && !ChecksumFile.isEmpty());
}

uint64_t TfrmSourceFileSelection::MeasureFiles() {
  FilesImageSize = 0;
  FilesProblem.clear();
  QString shown;
  bool refused = false;
  const QStringList paths = FilesPanel->Paths();
  if (Burner && !paths.isEmpty()) {
    try {
      // What the disc leaves out or only some readers read whole is said under the list:
      // the files over 4 GiB first, as they are burned, then the entries left out.
      ReplacedOnDisc.clear();
      TsbFileTreeNotes notes;
      uint32_t startBlock = 0;
      if (AppendToDisc) {
        // The new session as the burn writes it: the disc's directory, the left-out
        // files gone, the chosen entries added (replacing what they name).
        const TsbDiscContents contents = CreateFileTreeFromDisc(*Burner);
        startBlock = contents.NextWritable;
        for (const QString& path : FilesPanel->LeftOut()) LeaveOutOfDiscTree(*Burner, path);
        ReplacedOnDisc = DiscPathsTaken(*Burner, paths);
        notes = AddToDiscTree(*Burner, paths, true);
      } else {
        notes = CreateFileTree(*Burner, paths);
      }
      FilesPanel->MarkReplacing(ReplacedOnDisc);
      QStringList lines;
      for (const QString& taken : ReplacedOnDisc)
        lines << QStringLiteral("\"%1\" %2").arg(taken, TsbFilesPanel::ReplacesText());
      for (const QString& path : notes.LargeFiles) lines << LargeFileLine(path);
      QStringList skipped;
      for (const auto& [name, why] : notes.Skipped) skipped << LeftOutLine(name, why);
      skipped.sort();
      lines << skipped;
      FilesProblem = lines.join(QLatin1Char('\n'));
      shown = lines.size() <= kShownNoteLines
                  ? FilesProblem
                  : QStringList(lines.mid(0, kShownNoteLines - 1)).join(QLatin1Char('\n')) + QLatin1Char('\n') +
                        tr("... and %1 more: point here for the whole list").arg(lines.size() - kShownNoteLines + 1);
      FilesImageSize = MeasureFileTree(*Burner, FilesPanel->VolumeLabel(), startBlock);
    } catch (const TsbError& e) {
      FilesProblem = shown = e.Message();
      refused = true;
    }
  }
  lblFilesProblem->setText(shown);
  lblFilesProblem->setToolTip(shown == FilesProblem ? QString() : FilesProblem);
  lblFilesProblem->setStyleSheet(refused ? kRefusalColour : kNoteColour);
  ShowSource();
  UpdateSizeInformation();
  return FilesImageSize;
}

void TfrmSourceFileSelection::Edit1Change() {
  ImageFileName = Edit1->text();
  MeasureImageFile();
  ShowSource();
}

void TfrmSourceFileSelection::btnReadDiscClick() {
  // A click comes from the event loop, which must not see an exception.
  try {
    // The burn's drive is let go, so that its disc can be swapped for the one to copy;
    // the disc in it is checked again on Next.
    if (Burner) Burner->Release();
    DestinationDiscChanged = true;
    const TsbDiscReadResult read = ReadDiscIntoImage(this, DestinationDrive);
    if (read.Image.isEmpty()) return;
    Edit1->setText(read.Image);
    MeasureImageFile();
    ShowSource();
  } catch (const std::exception& error) {
    Dialogs().ApplicationError(QString::fromLocal8Bit(error.what()));
  }
}

void TfrmSourceFileSelection::Button1Click() {
  TsbFileDialogRequest request;
  request.Filter = tr("ISO image (*.iso *.ISO)") + QStringLiteral(";;") + tr("Cue sheets (*.cue *.CUE)");
  request.DefaultSuffix = QStringLiteral("iso");
  request.Proposal = ImageFileName;
  const QString chosen = Dialogs().OpenFileName(request);
  if (chosen.isEmpty()) return;
  Edit1->setText(QDir::toNativeSeparators(chosen));
  // The same path chosen again does not change the text: measure anyway.
  MeasureImageFile();
  ShowSource();
}

void TfrmSourceFileSelection::UpdateSizeInformation() {
  if (const std::shared_ptr<TsbTrackLayout> layout = ChosenLayout(); layout || AudioChosen()) {
    // Tracks are measured in time against the minutes of the disc.
    QString text;
    bool tooLong = false;
    try {
      const uint32_t disc = DiscBlocks();
      text = layout ? TracksText(*layout, disc) : QString();
      tooLong = layout && layout->TotalBlocks() > disc;
    } catch (const TsbError& e) {
      text = e.Message();
    }
    lblSizeInformation->setText(text);
    lblSizeInformation->setStyleSheet(tooLong ? kRefusalColour : QString());
    const bool onOpenDisc = AppendToDisc;
    const bool noCd = HoldsNoTracks(Burner);
    lblSizeProblem->setText(noCd ? tr("An audio CD needs a CD-R or CD-RW: this disc is a %1.")
                                       .arg(DiscTypeName(Burner->DiscType, true))
                            : onOpenDisc ? tr("This disc holds files and takes more: an audio CD needs a blank disc.")
                                         : tr("The tracks do not fit on the disc"));
    lblSizeProblem->setWordWrap(true);
    lblSizeProblem->setVisible(tooLong || onOpenDisc || noCd);
    return;
  }
  const int64_t discBytes = Burner ? Burner->DiscSpace.FreeBytes : 0;
  const int64_t sourceBytes = FilesChosen() ? int64_t(FilesImageSize) : ImageFileSize;
  lblSizeInformation->setText(FillPlaceholders(ResStr(sSizeInformation), QStringLiteral("%.2f"),
                                               {Megabytes(sourceBytes), Megabytes(discBytes)}));
  // Said when chosen, not first on Next; without a disc there is nothing to compare.
  const bool tooBig = Burner != nullptr && sourceBytes > discBytes;
  lblSizeInformation->setStyleSheet(tooBig ? kRefusalColour : QString());
  // An image on a disc left open would hide its files: said before Next refuses it.
  const bool imageOnOpenDisc = AppendToDisc && !FilesChosen();
  lblSizeProblem->setText(imageOnOpenDisc ? tr("This disc holds files and takes more: an image would hide them. Choose "
                                               "Files and folders to add files to the disc.")
                                          : ResStr(sImageTooBig));
  lblSizeProblem->setWordWrap(true);
  lblSizeProblem->setVisible(tooBig || imageOnOpenDisc);
}

namespace {

QStringList DroppedLocalFiles(const QMimeData* data) {
  QStringList paths;
  if (data && data->hasUrls())
    for (const QUrl& url : data->urls())
      if (url.isLocalFile()) paths << QDir::toNativeSeparators(url.toLocalFile());
  return paths;
}

}  // namespace

void TfrmSourceFileSelection::dragEnterEvent(QDragEnterEvent* event) {
  if (FilesChosen() || AudioChosen() ? !DroppedLocalFiles(event->mimeData()).isEmpty() : !DroppedImageFile(event->mimeData()).isEmpty())
    event->acceptProposedAction();
}

void TfrmSourceFileSelection::dropEvent(QDropEvent* event) {
  // With files and folders chosen, whatever is dropped joins the list.
  if (FilesChosen()) {
    const QStringList paths = DroppedLocalFiles(event->mimeData());
    if (paths.isEmpty()) return;
    event->acceptProposedAction();
    FilesPanel->AddPaths(paths);
    return;
  }
  if (AudioChosen()) {
    const QStringList paths = DroppedLocalFiles(event->mimeData());
    if (paths.isEmpty()) return;
    event->acceptProposedAction();
    TracksPanel->AddFiles(paths);
    return;
  }
  const QString path = DroppedImageFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  Edit1->setText(path);
  MeasureImageFile();
}

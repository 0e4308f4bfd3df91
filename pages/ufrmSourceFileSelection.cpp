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

namespace {

QString Megabytes(int64_t bytes) { return LocaleNumber(double(bytes) / 1024 / 1024, 2); }

// Notes under the file list: a refusal in red, what the disc leaves out or only some
// readers read whole in the warning colour of the image page.
const QString kRefusalColour = QStringLiteral("color: #b00000");
const QString kNoteColour = QStringLiteral("color: #9a5b00");
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
  return path.endsWith(QStringLiteral(".iso"), Qt::CaseInsensitive) ? path : QString();
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
  rbImage->setChecked(true);
  FilesPanel = new TsbFilesPanel(this);
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
  connect(rbFiles, &QRadioButton::toggled, this, [this] {
    ShowSource();
    if (FilesChosen()) MeasureFiles();
    else UpdateSizeInformation();
    if (OnSourceChanged) OnSourceChanged();
  });
  connect(FilesPanel, &TsbFilesPanel::Changed, this, [this] { MeasureFiles(); });

  connect(Edit1, &QLineEdit::textChanged, this, &TfrmSourceFileSelection::Edit1Change);
  connect(Button1, &QPushButton::clicked, this, &TfrmSourceFileSelection::Button1Click);
  connect(btnReadDisc, &QPushButton::clicked, this, &TfrmSourceFileSelection::btnReadDiscClick);

  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(10, 10, 10, 10);
  layout->setHorizontalSpacing(6);
  layout->setVerticalSpacing(6);
  layout->addWidget(Label1, 0, 0, 1, 3);
  layout->setRowMinimumHeight(1, 8);
  auto* sources = new QHBoxLayout;
  sources->addWidget(rbImage);
  sources->addWidget(rbFiles);
  sources->addStretch(1);
  layout->addLayout(sources, 2, 0, 1, 3);
  layout->addWidget(Label2, 3, 0, 1, 3);
  layout->addWidget(Edit1, 4, 0);
  layout->addWidget(Button1, 4, 1);
  layout->addWidget(btnReadDisc, 4, 2);
  layout->addWidget(FilesPanel, 5, 0, 1, 3);
  layout->setRowMinimumHeight(6, 4);
  layout->addWidget(lblSizeInformation, 7, 0, 1, 3);
  layout->addWidget(lblSizeProblem, 8, 0, 1, 3);
  layout->addWidget(lblImageInfo, 9, 0, 1, 3);
  layout->addWidget(chbChecksum, 10, 0, 1, 3);
  layout->addWidget(lblFilesProblem, 11, 0, 1, 3);
  layout->setRowStretch(12, 1);
  layout->setColumnStretch(0, 1);

  ShowSource();
  UpdateSizeInformation();
}

TfrmSourceFileSelection::~TfrmSourceFileSelection() = default;

void TfrmSourceFileSelection::Activate(TsbBurner* burner) {
  TsbDockForm::Activate(burner);
  ShowDiscFiles();
  if (FilesChosen()) MeasureFiles();
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

QString TfrmSourceFileSelection::ChosenChecksumFile() const {
  return !FilesChosen() && !ChecksumFile.isEmpty() && chbChecksum->isChecked() ? ChecksumFile : QString();
}

void TfrmSourceFileSelection::ShowSource() {
  const bool files = FilesChosen();
  Label1->setText(files ? tr("Select the files and folders to burn") : tr("Select file system image to burn"));
  Label2->setVisible(!files);
  Edit1->setVisible(!files);
  Button1->setVisible(!files);
  btnReadDisc->setVisible(!files);
  FilesPanel->setVisible(files);
  lblFilesProblem->setVisible(files && !FilesProblem.isEmpty());
  lblImageInfo->setVisible(!files && !lblImageInfo->text().isEmpty());
  chbChecksum->setVisible(!files && !ChecksumFile.isEmpty());
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
  request.Filter = tr("ISO image (*.iso *.ISO)");
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
  if (FilesChosen() ? !DroppedLocalFiles(event->mimeData()).isEmpty() : !DroppedImageFile(event->mimeData()).isEmpty())
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
  const QString path = DroppedImageFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  Edit1->setText(path);
  MeasureImageFile();
}

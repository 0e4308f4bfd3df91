#include "ufrmSourceFileSelection.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include "sbBurner.h"
#include "sbDialogs.h"
#include "sbPageStyle.h"
#include "sbPageText.h"
#include "sbStrings.h"

namespace {

QString Megabytes(int64_t bytes) { return QLocale().toString(double(bytes) / 1024 / 1024, 'f', 2); }

}  // namespace

QString DroppedImageFile(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().isEmpty()) return {};
  const QUrl url = data->urls().constFirst();
  if (!url.isLocalFile()) return {};
  const QString path = url.toLocalFile();
  return path.endsWith(QStringLiteral(".iso"), Qt::CaseInsensitive) ? path : QString();
}

TfrmSourceFileSelection::TfrmSourceFileSelection(QWidget* parent) : TsbDockForm(parent) {
  SetWhiteBackground(this);
  setAcceptDrops(true);

  Label1 = NewHeading(QStringLiteral("Select file system image to burn"), this);
  Label2 = new QLabel(QStringLiteral("Image file path:"), this);
  Edit1 = new QLineEdit(this);
  // A file dropped on the edit box is taken by the page, not pasted as a URL.
  Edit1->setAcceptDrops(false);
  Label2->setBuddy(Edit1);
  Button1 = new QPushButton(QStringLiteral("..."), this);
  Button1->setAccessibleName(QStringLiteral("Browse for the image file"));
  Button1->setToolTip(Button1->accessibleName());
  // As narrow as the edit box is high, whatever the style's minimum button width.
  Button1->setFixedWidth(Button1->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
  lblSizeInformation = new QLabel(this);
  lblSizeInformation->setTextInteractionFlags(Qt::TextSelectableByMouse);

  connect(Edit1, &QLineEdit::textChanged, this, &TfrmSourceFileSelection::Edit1Change);
  connect(Button1, &QPushButton::clicked, this, &TfrmSourceFileSelection::Button1Click);

  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(10, 10, 10, 10);
  layout->setHorizontalSpacing(6);
  layout->setVerticalSpacing(6);
  layout->addWidget(Label1, 0, 0, 1, 2);
  layout->setRowMinimumHeight(1, 16);
  layout->addWidget(Label2, 2, 0, 1, 2);
  layout->addWidget(Edit1, 3, 0);
  layout->addWidget(Button1, 3, 1);
  layout->setRowMinimumHeight(4, 4);
  layout->addWidget(lblSizeInformation, 5, 0, 1, 2);
  layout->setRowStretch(6, 1);
  layout->setColumnStretch(0, 1);

  UpdateSizeInformation();
}

TfrmSourceFileSelection::~TfrmSourceFileSelection() = default;

void TfrmSourceFileSelection::Activate(TsbBurner* burner) {
  TsbDockForm::Activate(burner);
  UpdateSizeInformation();
}

int64_t TfrmSourceFileSelection::MeasureImageFile() {
  // QFileInfo asks without opening, so a typed path naming a pipe or a device
  // cannot block the window.
  const QFileInfo file(ImageFileName);
  ImageFileSize = !ImageFileName.isEmpty() && file.isFile() && file.isReadable() ? file.size() : 0;
  UpdateSizeInformation();
  return ImageFileSize;
}

void TfrmSourceFileSelection::Edit1Change() {
  ImageFileName = Edit1->text();
  MeasureImageFile();
}

void TfrmSourceFileSelection::Button1Click() {
  TsbFileDialogRequest request;
  request.Filter = QStringLiteral("ISO image (*.iso *.ISO)");
  request.DefaultSuffix = QStringLiteral("iso");
  request.Proposal = ImageFileName;
  const QString chosen = Dialogs().OpenFileName(request);
  if (chosen.isEmpty()) return;
  Edit1->setText(chosen);
  // The same path chosen again does not change the text: measure anyway.
  MeasureImageFile();
}

void TfrmSourceFileSelection::UpdateSizeInformation() {
  const int64_t discBytes = Burner ? Burner->DiscSpace.FreeBytes : 0;
  lblSizeInformation->setText(FillPlaceholders(ResStr(sSizeInformation), QStringLiteral("%.2f"),
                                               {Megabytes(ImageFileSize), Megabytes(discBytes)}));
}

void TfrmSourceFileSelection::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedImageFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TfrmSourceFileSelection::dropEvent(QDropEvent* event) {
  const QString path = DroppedImageFile(event->mimeData());
  if (path.isEmpty()) return;
  event->acceptProposedAction();
  Edit1->setText(path);
  MeasureImageFile();
}

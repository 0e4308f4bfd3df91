#include "ufrmOperationProgress.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "sbAnimation.h"

TfrmOperationProgress::TfrmOperationProgress(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setFixedSize(371, 161);
  setSizeGripEnabled(false);

  lblInfo = new QLabel(QStringLiteral("lblInfo"), this);
  lblInfo->setFixedSize(348, 63);
  lblInfo->setWordWrap(true);
  lblInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Animate = new TsbAnimation(this);
  Animate->setFixedSize(352, 18);
  pbProgress = new QProgressBar(this);
  pbProgress->setRange(0, 100);
  pbProgress->setTextVisible(false);  // the figure stands beside the bar, the same in every style
  pbProgress->setAccessibleName(tr("Progress"));
  lblPercent = new QLabel(this);
  lblPercent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // Wide enough for "100 %": the bar does not shift as the figure grows.
  lblPercent->setMinimumWidth(lblPercent->fontMetrics().horizontalAdvance(QStringLiteral("100 %")) + 4);
  btnCancel = new QPushButton(tr("Cancel"), this);
  btnCancel->setFixedSize(75, 25);
  lblCancelling = new QLabel(tr("Cancelling..."), this);
  lblCancelling->hide();
  connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });

  auto* buttonRow = new QHBoxLayout;
  buttonRow->addWidget(lblCancelling);
  buttonRow->addStretch(1);
  buttonRow->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 10, 9, 10);
  layout->setSpacing(8);
  layout->addWidget(lblInfo);
  layout->addWidget(Animate);
  auto* barRow = new QHBoxLayout;
  barRow->setSpacing(6);
  barRow->addWidget(pbProgress, 1);
  barRow->addWidget(lblPercent);
  layout->addLayout(barRow);
  layout->addStretch(1);
  layout->addLayout(buttonRow);

  lblInfo->clear();
  ShowBar(false);
  shown_ = false;
  Animate->SetResName(QStringLiteral("MYCLOCK"));
}

TfrmOperationProgress::~TfrmOperationProgress() = default;

void TfrmOperationProgress::SetCancelVisible(bool visible) { btnCancel->setVisible(visible); }

void TfrmOperationProgress::btnCancelClick() {
  if (!OnCancel) return;
  lblCancelling->show();
  btnCancel->setEnabled(false);
  OnCancel(this);
}

void TfrmOperationProgress::reject() {
  if (btnCancel->isVisible() && btnCancel->isEnabled()) btnCancelClick();
}

void TfrmOperationProgress::Show(const QString& caption, const QString& info, std::function<void()> onCancel) {
  setWindowTitle(caption);
  lblInfo->setText(info);
  lblInfo->setToolTip(QString());
  ShowBar(false);
  OnCancel = [onCancel = std::move(onCancel)](TfrmOperationProgress*) {
    if (onCancel) onCancel();
  };
  lblCancelling->hide();
  btnCancel->setEnabled(true);
  SetCancelVisible(true);
  show();
  raise();
  activateWindow();
}

void TfrmOperationProgress::Hide() { hide(); }

void TfrmOperationProgress::SetPercent(int percent) {
  // The library reports from its own threads; widgets change on theirs.
  if (QThread::currentThread() != thread()) {
    QMetaObject::invokeMethod(this, [this, percent] { SetPercent(percent); }, Qt::QueuedConnection);
    return;
  }
  percent = std::clamp(percent, 0, 100);
  ShowBar(true);
  pbProgress->setValue(percent);
  lblPercent->setText(QStringLiteral("%1 %").arg(percent));
}

QString TfrmOperationProgress::ElidedPath(const QString& path) const {
  // Room for the quotes the texts put around a name.
  const QFontMetrics metrics = lblInfo->fontMetrics();
  return metrics.elidedText(path, Qt::ElideMiddle, lblInfo->width() - metrics.horizontalAdvance(QStringLiteral("\"\"")));
}

void TfrmOperationProgress::ShowBar(bool bar) {
  if (bar == pbProgress->isVisibleTo(this) && bar != Animate->isVisibleTo(this)) return;
  if (!bar) {
    pbProgress->setValue(0);
    lblPercent->setText(QStringLiteral("0 %"));
  }
  pbProgress->setVisible(bar);
  lblPercent->setVisible(bar);
  Animate->setVisible(!bar);
  if (bar)
    Animate->Stop();
  else if (shown_)
    Animate->Start();
}

void TfrmOperationProgress::showEvent(QShowEvent* event) {
  if (const QScreen* screen = this->screen()) {
    QRect placed = frameGeometry();
    placed.moveCenter(screen->availableGeometry().center());
    move(placed.topLeft());
  }
  QDialog::showEvent(event);
  if (Animate->isVisibleTo(this)) Animate->Start();
  shown_ = true;
}

void TfrmOperationProgress::hideEvent(QHideEvent* event) {
  Animate->Stop();
  shown_ = false;
  QDialog::hideEvent(event);
}

void TfrmOperationProgress::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
    // Another window takes activation only after this one lost it: look once it has.
    QTimer::singleShot(0, this, [this] { FormDeactivate(); });
  }
}

void TfrmOperationProgress::FormDeactivate() {
  if (!shown_ || isActiveWindow()) return;
  // Only another window of this program is pushed back; switching to another
  // program, or a message box that now waits for an answer, is left alone.
  QWidget* active = QApplication::activeWindow();
  if (!active) return;
  if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != this) return;
  raise();
  activateWindow();
}

std::unique_ptr<TsbProgressView> MakeOperationProgressView() { return std::make_unique<TfrmOperationProgress>(); }

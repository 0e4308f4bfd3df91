#include "ufrmFinalAction.h"

#include "sbFileSystem.h"

#include <QApplication>

#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "sbActions.h"
#include "sbBurnFigures.h"
#include "sbBurner.h"
#include "sbCallbacks.h"
#include "sbDialogs.h"
#include "sbHelpers.h"
#include "sbPageStyle.h"
#include "sbThreads.h"
#include "sbUiHooks.h"

namespace {

enum Column { colInformation = 0, colTime = 1 };

QIcon SmallIcon(QStyle::StandardPixmap which) {
  return QIcon(QApplication::style()->standardIcon(which).pixmap(16, 16));
}

}  // namespace

QString LogTimeText(const QDateTime& time) {
  // Worked out once per locale (the language can change between two runs in one process).
  thread_local QString localeName, format;
  const QLocale locale;
  if (locale.name() != localeName || format.isEmpty()) {
    localeName = locale.name();
    format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*t+")));
    format = format.trimmed();
  }
  return time.isNull() ? QString() : locale.toString(time.time(), format);
}

QString ProposedLogFileName(const QDateTime& now) {
  return now.toString(QStringLiteral("'Log_'ddMM'_'HHmm'.txt'"));
}

TfrmFinalAction::TfrmFinalAction(QWidget* parent) : TsbDockForm(parent) {
  SetWhiteBackground(this);

  imlSmall = {SmallIcon(QStyle::SP_MessageBoxInformation), SmallIcon(QStyle::SP_MessageBoxCritical),
              SmallIcon(QStyle::SP_MessageBoxWarning)};

  pnlTop = new QWidget(this);
  pnlTop->setFixedHeight(70);
  lablProgressCaption = new QLabel(QStringLiteral("lablProgressCaption"), pnlTop);
  lblProcentValue = new QLabel(QStringLiteral("0 %"), pnlTop);
  pbWrite = new QProgressBar(pnlTop);
  pbWrite->setRange(0, 100);
  pbWrite->setTextVisible(false);
  pbWrite->setAccessibleName(tr("Write progress"));
  lblBufferStatus = new QLabel(tr("Buffer status:"), pnlTop);
  pbBuffer = new QProgressBar(pnlTop);
  pbBuffer->setRange(0, 100);
  pbBuffer->setTextVisible(false);
  lblBufferStatus->setBuddy(pbBuffer);
  lblBufferValue = new QLabel(QStringLiteral("0 %"), pnlTop);
  auto* bufferRow = new QHBoxLayout;
  bufferRow->addWidget(lblBufferStatus);
  bufferRow->addWidget(pbBuffer, 1);
  bufferRow->addWidget(lblBufferValue);
  auto* top = new QVBoxLayout(pnlTop);
  top->setContentsMargins(5, 2, 5, 2);
  top->setSpacing(2);
  top->addWidget(lablProgressCaption);
  // The percentage stays centred above the bar; the live figures stand at the right.
  lblBurnFigures = new QLabel(pnlTop);
  lblBurnFigures->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // "Copy 2 of 3" at the left of the row while several copies are made; the log scrolls away.
  lblCopyNumber = new QLabel(pnlTop);
  lblCopyNumber->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  auto* percentRow = new QGridLayout;
  percentRow->setContentsMargins(0, 0, 0, 0);
  percentRow->setHorizontalSpacing(12);  // a long average never runs into the percentage
  percentRow->setColumnStretch(0, 1);
  percentRow->setColumnStretch(2, 1);
  percentRow->addWidget(lblCopyNumber, 0, 0);
  percentRow->addWidget(lblProcentValue, 0, 1);
  percentRow->addWidget(lblBurnFigures, 0, 2);
  top->addLayout(percentRow);
  top->addWidget(pbWrite);
  top->addLayout(bufferRow);

  pnlFinalPage = new QWidget(this);
  lblBurningLog = new QLabel(tr("Burning log:"), pnlFinalPage);
  lvLog = new QTreeWidget(pnlFinalPage);
  lvLog->setColumnCount(2);
  lvLog->setHeaderLabels({tr("Information"), tr("Time")});
  lvLog->setRootIsDecorated(false);
  lvLog->setUniformRowHeights(true);
  lvLog->setSortingEnabled(false);
  lvLog->header()->setSectionsClickable(false);
  lvLog->header()->setStretchLastSection(false);
  lvLog->setColumnWidth(colInformation, 440);
  // Room for the widest time of the user's format ("11:59:59 PM" where the clock has 12 hours).
  const QString widestTime = LogTimeText(QDateTime(QDate(2000, 12, 28), QTime(23, 58, 58)));
  lvLog->setColumnWidth(colTime, std::max(60, lvLog->fontMetrics().horizontalAdvance(widestTime) + 16));
  lvLog->header()->setSectionResizeMode(colInformation, QHeaderView::Stretch);
  lvLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvLog->setIconSize(QSize(16, 16));
  lvLog->setTextElideMode(Qt::ElideRight);
  lblBurningLog->setBuddy(lvLog);
  Label2 = new QLabel(tr("Click Save Log to save Burning Log text to a file."), pnlFinalPage);
  btnSaveLog = new QPushButton(tr("Save &Log ..."), pnlFinalPage);
  btnSaveLog->setEnabled(false);
  connect(btnSaveLog, &QPushButton::clicked, this, &TfrmFinalAction::btnSaveLogClick);
  auto* saveRow = new QHBoxLayout;
  saveRow->addWidget(Label2, 1);
  saveRow->addWidget(btnSaveLog);
  auto* body = new QVBoxLayout(pnlFinalPage);
  body->setContentsMargins(5, 5, 5, 5);
  body->addWidget(lblBurningLog);
  body->addWidget(lvLog, 1);
  body->addLayout(saveRow);

  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(0, 0, 0, 0);
  page->setSpacing(0);
  page->addWidget(pnlTop);
  page->addWidget(pnlFinalPage, 1);

  HideBufferGauge();
  lablProgressCaption->clear();
  ProcessMessages();
}

TfrmFinalAction::~TfrmFinalAction() = default;

void TfrmFinalAction::HideBufferGauge() {
  lablProgressCaption->hide();
  lblBufferStatus->hide();
  pbBuffer->hide();
  lblBufferValue->hide();
  // The percentage stands centred above the bar, both as wide as the log.
  lblProcentValue->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
}

void TfrmFinalAction::showEvent(QShowEvent* event) {
  TsbDockForm::showEvent(event);
  if (pbBuffer->isHidden()) pnlTop->setFixedHeight(36);
  ProcessMessages();
}

void TfrmFinalAction::ResetProgress() {
  pbWrite->setValue(0);
  lblProcentValue->setText(QStringLiteral("0 %"));
  lblBurnFigures->clear();
  pbBuffer->setValue(0);
  lblBufferValue->setText(QStringLiteral("0 %"));
  pbBuffer->setEnabled(true);
}

void TfrmFinalAction::Activate(TsbBurner* burner) {
  TsbDockForm::Activate(burner);
  ResetProgress();
  lvLog->setUpdatesEnabled(false);
  lvLog->clear();
  if (Log) {
    for (int i = 0; i < Log->Count(); ++i) {
      const TsbLogItem& item = Log->Items(i);
      AddRow(item.LogMessage, litInfo, LogTimeText(item.LogTime));
    }
  }
  lvLog->setUpdatesEnabled(true);
}

void TfrmFinalAction::RunActions() {
  btnSaveLog->setEnabled(false);
  ResetProgress();
  GlobalBurnFigures().Start(0);  // no figures of an earlier burn
  // Unbound before AfterRun resets the bars, so no late report moves them again.
  std::optional<TsbEventerBinding> events(
      std::in_place, [this](TsbCallBackEventer* sender, int percent) { ShowWriteProgress(sender, percent); },
      [this](TsbCallBackEventer* sender, int percent) { ShowBufferProgress(sender, percent); },
      [](TsbCallBackEventer*) {});
  lastTrack_ = 0;
  checkingTracks_ = false;
  // Bound for the whole run; a burn adds its own rows beside it.
  GlobalCallBackEventer().OnTrack = [this](TsbCallBackEventer*, int number, int count) {
    Post({Update::Track, {}, number, count, {}});
  };

  struct AfterRun {
    TfrmFinalAction& page;
    std::optional<TsbEventerBinding>& events;
    ~AfterRun() {
      events.reset();
      GlobalCallBackEventer().OnTrack = nullptr;
      page.ApplyPending();  // a track reported last is not shown after the run
      if (page.OnTrackLine) page.OnTrackLine({});
      page.ShowWriteProgress(&page, 100);
      page.pbBuffer->setValue(0);
      page.lblBufferValue->setText(QStringLiteral("0 %"));
      page.btnSaveLog->setEnabled(true);
      if (const TsbBurnFiguresSnapshot figures = GlobalBurnFigures().Snapshot(); figures.Started)
        page.lblBurnFigures->setText(FiguresAverage(figures));
      if (page.Burner) page.Burner->Release();
    }
  } afterRun{*this, events};

  if (!ActionList || !Burner) return;
  // The figures change between two percent steps too.
  QTimer figures;
  connect(&figures, &QTimer::timeout, this, [this] { lblBurnFigures->setText(FiguresLine(GlobalBurnFigures().Snapshot())); });
  figures.start(500);
  auto show = [this](const void* sender, const QString& text, TsbLogItemType kind) { AddLogLine(sender, text, kind); };
  Copies = TsbCopiesOutcome{};
  lblCopyNumber->clear();
  stopCopies_ = false;
  TsbCopiesHooks hooks;
  hooks.OnCopy = [this](int copy, int wanted) {
    lastTrack_ = 0;  // each copy writes its tracks before it checks them
    checkingTracks_ = false;
    lblCopyNumber->setText(CopyNumberText(copy, wanted));
    if (copy > 1 && OnCopiesWait) OnCopiesWait({}, copy - 1);
  };
  hooks.OnWait = [this](int copy, int wanted, const QString& drive, const QString& refusal) {
    ApplyPending();  // the last copy's final figures first, then the idle bar
    pbWrite->setValue(0);
    lblProcentValue->clear();
    lblBurnFigures->clear();
    lblCopyNumber->setText(tr("%1 of %2 copies made").arg(copy - 1).arg(wanted));
    const QString insert = InsertDiscText(copy, wanted, drive);
    if (OnCopiesWait) OnCopiesWait(refusal.isEmpty() ? insert : refusal + QLatin1Char('\n') + insert, copy - 1);
  };
  hooks.StopRequested = [this] { return stopCopies_.load(); };
  struct WaitOver {  // a cancel or a stop ends the wait too
    TfrmFinalAction& page;
    ~WaitOver() {
      if (page.OnCopiesWait) page.OnCopiesWait({}, page.Copies.Made);
    }
  } waitOver{*this};
  if (Plan)
    Copies = RunCopies(*Plan, *ActionList, *Burner, show, this, hooks);
  else
    ::RunActions(*ActionList, *Burner, show, this);
}

void TfrmFinalAction::AddLogLine(const void*, const QString& text, TsbLogItemType kind) {
  Post({Update::Row, text, int(kind), 0, QDateTime::currentDateTime()});
}

void TfrmFinalAction::ShowWriteProgress(const void*, int percent) { Post({Update::Write, {}, percent, 0, {}}); }

void TfrmFinalAction::ShowBufferProgress(const void*, int percent) { Post({Update::Buffer, {}, percent, 0, {}}); }

void TfrmFinalAction::Post(Update update) {
  const bool onWindowThread = QThread::currentThread() == thread();
  // Rows and the bar are shown at once; the buffer fill, reported for every
  // piece written and hidden in this wizard, waits for the end of the slice.
  const bool urgent = update.kind != Update::Buffer;
  bool post = false, wake = false;
  {
    std::lock_guard lock(pendingMutex_);
    // Only the latest figure since the last row counts; rows are all kept, in order.
    auto same = std::find_if(pending_.rbegin(), pending_.rend(), [&](const Update& u) {
      return u.kind == Update::Row || u.kind == update.kind;
    });
    // Each track is said, however quickly the next one follows.
    const bool merged = update.kind != Update::Row && update.kind != Update::Track;
    if (merged && same != pending_.rend() && same->kind == update.kind)
      *same = std::move(update);
    else
      pending_.push_back(std::move(update));
    post = !applyPosted_;
    applyPosted_ = true;
    wake = urgent && !wakeSent_;
    wakeSent_ = wakeSent_ || urgent;
  }
  if (onWindowThread) {
    // Earlier reports from the burn thread go first.
    ApplyPending();
    ProcessMessages();
  } else {
    if (post) QMetaObject::invokeMethod(this, [this] { ApplyPending(); }, Qt::QueuedConnection);
    if (wake) WakeWaitingThreads();
  }
}

void TfrmFinalAction::ApplyPending() {
  for (;;) {
    Update update;
    {
      std::lock_guard lock(pendingMutex_);
      applyPosted_ = false;
      wakeSent_ = false;
      if (pending_.empty()) return;
      update = std::move(pending_.front());
      pending_.pop_front();
    }
    Apply(update);
  }
}

void TfrmFinalAction::Apply(const Update& update) {
  switch (update.kind) {
    case Update::Row:
      AddRow(update.text, update.value, LogTimeText(update.time));
      lvLog->scrollToItem(lvLog->topLevelItem(lvLog->topLevelItemCount() - 1));
      break;
    case Update::Write: {
      const int percent = std::min(update.value, 100);
      pbWrite->setValue(percent);
      lblProcentValue->setText(QStringLiteral("%1 %").arg(percent));
      break;
    }
    case Update::Buffer:
      pbBuffer->setValue(update.value);
      lblBufferValue->setText(QStringLiteral("%1 %").arg(update.value));
      break;
    case Update::Track:
      if (OnTrackLine) OnTrackLine(TrackLine(update.value, update.count));
      break;
  }
}

QString TfrmFinalAction::TrackLine(int number, int count) {
  if (lastTrack_ > 0 && number <= lastTrack_) checkingTracks_ = true;
  lastTrack_ = number;
  return checkingTracks_ ? tr("Checking track %1 of %2").arg(number).arg(count)
                         : tr("Writing track %1 of %2").arg(number).arg(count);
}

void TfrmFinalAction::AddRow(const QString& text, int image, const QString& time) {
  auto* row = new QTreeWidgetItem(lvLog, {text, time});
  if (image >= 0 && image < int(imlSmall.size())) row->setIcon(colInformation, imlSmall[size_t(image)]);
  row->setToolTip(colInformation, text);
}

void TfrmFinalAction::btnSaveLogClick() {
  TsbFileDialogRequest request;
  request.Caption = tr("Save Log");
  request.Filter = tr("Text files (*.txt)");
  request.DefaultSuffix = QStringLiteral("txt");
  request.Proposal = ProposedLogFileName(QDateTime::currentDateTime());
  const QString fileName = Dialogs().SaveFileName(request);
  if (fileName.isEmpty()) return;
  SaveLog(fileName);
}

void TfrmFinalAction::SaveLog(const QString& fileName) {
  // The log must never replace the image it tells of.
  if (ActionList && ActionList->Source.Assigned && sbfile::SameFile(fileName, ActionList->Source.FileName)) {
    Dialogs().ErrorMessage(tr("Cannot save the log to \"%1\": it is the image file \"%2\"; choose another name")
                               .arg(fileName, ActionList->Source.FileName));
    return;
  }
  // A device or a pipe chosen by mistake is never removed to make room for the log.
  if (const QString why = sbfile::NotAFileReason(fileName); !why.isEmpty()) {
    Dialogs().ErrorMessage(tr("Cannot save the log to \"%1\": %2; choose another name").arg(fileName, why));
    return;
  }
  QFile file(fileName);
  if (file.exists() && !file.remove()) {
    Dialogs().ErrorMessage(tr("Cannot replace \"%1\": %2").arg(fileName, file.errorString()));
    return;
  }
  // Each line is appended and the file closed again, so that what was written
  // stays when a later line fails.
  for (int i = 0; i < lvLog->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = lvLog->topLevelItem(i);
    QString time = row->text(colTime);
    if (time.isEmpty()) time = QString(8, QLatin1Char(' '));
    const QByteArray line = (time + QLatin1Char(' ') + row->text(colInformation)).toLocal8Bit() + "\r\n";
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(line) != line.size() || !file.flush()) {
      const QString reason = WriteFailureText(file);
      file.close();
      Dialogs().ErrorMessage(tr("Cannot write the log to \"%1\": %2").arg(fileName, reason));
      return;
    }
    errno = 0;
    file.close();
    if (file.error() != QFileDevice::NoError) {
      Dialogs().ErrorMessage(tr("Cannot write the log to \"%1\": %2").arg(fileName, WriteFailureText(file)));
      return;
    }
  }
}

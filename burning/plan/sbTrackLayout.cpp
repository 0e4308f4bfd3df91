#include "sbTrackLayout.h"

#include <cstring>

#include "sbErrors.h"
#include "sbLogging.h"

namespace {

struct Triple {
  char text[DISCWRIGHT_TEXT_SIZE] = {};
  uint32_t status = 0;
};

template <class Function, class... Args>
void Call(const char* name, Function function, DiscwrightHandle handle, Args... args) {
  Triple t;
  LogDiagnostic(QString::fromLatin1(name));
  if (function(handle, t.text, DISCWRIGHT_TEXT_SIZE, &t.status, args...) != DW_E_OK)
    throw TsbError(QString::fromUtf8(t.text));
}

template <size_t N>
void Put(char (&field)[N], const QString& text) {
  QByteArray bytes = text.toUtf8();
  // Cut at a whole character: never in the middle of a UTF-8 sequence.
  int n = std::min<int>(bytes.size(), int(N) - 1);
  while (n > 0 && n < bytes.size() && (uint8_t(bytes[n]) & 0xC0) == 0x80) --n;
  std::memcpy(field, bytes.constData(), size_t(n));
  field[n] = '\0';
}

}  // namespace

TsbTrackLayout::TsbTrackLayout() {
  Triple t;
  LogDiagnostic(QStringLiteral("Discwright_TrackLayout_Create"));
  if (Discwright_TrackLayout_Create(&handle_, t.text, DISCWRIGHT_TEXT_SIZE, &t.status) != DW_E_OK)
    throw TsbError(QString::fromUtf8(t.text));
}

TsbTrackLayout::TsbTrackLayout(DiscwrightHandle handle, const QString& cueSheet) : handle_(handle), cueSheet_(cueSheet) {}

std::shared_ptr<TsbTrackLayout> TsbTrackLayout::FromCueSheet(const QString& cuePath) {
  Triple t;
  DiscwrightHandle handle = 0;
  LogDiagnostic(QStringLiteral("Discwright_TrackLayout_CreateFromCueSheet: ") + cuePath);
  if (Discwright_TrackLayout_CreateFromCueSheet(&handle, t.text, DISCWRIGHT_TEXT_SIZE, &t.status,
                                                cuePath.toUtf8().constData()) != DW_E_OK)
    throw TsbError(QString::fromUtf8(t.text));
  return std::shared_ptr<TsbTrackLayout>(new TsbTrackLayout(handle, cuePath));
}

TsbTrackLayout::~TsbTrackLayout() {
  if (handle_) Discwright_Destroy(&handle_);
}

int TsbTrackLayout::AddAudioFile(const QString& path) {
  uint32_t number = 0;
  Call("Discwright_TrackLayout_AddAudioFile", Discwright_TrackLayout_AddAudioFile, handle_,
       path.toUtf8().constData(), &number);
  return int(number) - 1;
}

DiscwrightLayoutDisc TsbTrackLayout::Disc() const {
  DiscwrightLayoutDisc disc{};
  Call("Discwright_TrackLayout_GetDisc", Discwright_TrackLayout_GetDisc, handle_, &disc);
  return disc;
}

int TsbTrackLayout::TrackCount() const { return int(Disc().Tracks); }

TsbLayoutTrack TsbTrackLayout::Track(int index) const {
  DiscwrightLayoutTrack raw{};
  Call("Discwright_TrackLayout_GetTrack", Discwright_TrackLayout_GetTrack, handle_, uint32_t(index + 1), &raw);
  TsbLayoutTrack t;
  t.TrackKind = TsbLayoutTrack::Kind(raw.Kind);
  t.Title = QString::fromUtf8(raw.Title);
  t.Performer = QString::fromUtf8(raw.Performer);
  t.Isrc = QString::fromLatin1(raw.Isrc);
  t.Source = QString::fromUtf8(raw.Source);
  t.PauseBlocks = raw.PauseBlocks;
  t.PostgapBlocks = raw.PostgapBlocks;
  t.Blocks = raw.SourceBlocks - raw.SourcePregapBlocks;
  t.SourcePregapBlocks = raw.SourcePregapBlocks;
  t.StartBlock = raw.StartBlock;
  t.SourceRate = raw.SourceRate;
  t.SourceChannels = raw.SourceChannels;
  t.CopyPermitted = (raw.Flags & DW_TRACK_FLAG_COPY) != 0;
  t.PreEmphasis = (raw.Flags & DW_TRACK_FLAG_PREEMPHASIS) != 0;
  return t;
}

void TsbTrackLayout::SetTrack(int index, const TsbLayoutTrack& track) {
  DiscwrightLayoutTrack raw{};
  Put(raw.Title, track.Title);
  Put(raw.Performer, track.Performer);
  Put(raw.Isrc, track.Isrc);
  raw.PauseBlocks = track.PauseBlocks;
  raw.PostgapBlocks = track.PostgapBlocks;
  raw.Flags = uint8_t((track.CopyPermitted ? DW_TRACK_FLAG_COPY : 0) | (track.PreEmphasis ? DW_TRACK_FLAG_PREEMPHASIS : 0));
  Call("Discwright_TrackLayout_SetTrack", Discwright_TrackLayout_SetTrack, handle_, uint32_t(index + 1),
       static_cast<const DiscwrightLayoutTrack*>(&raw));
}

void TsbTrackLayout::MoveTrack(int from, int to) {
  Call("Discwright_TrackLayout_MoveTrack", Discwright_TrackLayout_MoveTrack, handle_, uint32_t(from + 1),
       uint32_t(to + 1));
}

void TsbTrackLayout::RemoveTrack(int index) {
  Call("Discwright_TrackLayout_RemoveTrack", Discwright_TrackLayout_RemoveTrack, handle_, uint32_t(index + 1));
}

QString TsbTrackLayout::AlbumTitle() const { return QString::fromUtf8(Disc().Title); }
QString TsbTrackLayout::AlbumPerformer() const { return QString::fromUtf8(Disc().Performer); }

void TsbTrackLayout::SetAlbum(const QString& title, const QString& performer) {
  DiscwrightLayoutDisc disc = Disc();
  Put(disc.Title, title);
  Put(disc.Performer, performer);
  Call("Discwright_TrackLayout_SetDisc", Discwright_TrackLayout_SetDisc, handle_,
       static_cast<const DiscwrightLayoutDisc*>(&disc));
}

uint32_t TsbTrackLayout::TotalBlocks() const { return Disc().TotalBlocks; }

bool TsbTrackLayout::HasCdText() const {
  uint32_t count = 0;
  Call("Discwright_TrackLayout_GetCdTextPacks", Discwright_TrackLayout_GetCdTextPacks, handle_,
       static_cast<void*>(nullptr), uint32_t(0), &count);
  return count > 0;
}

bool TsbTrackLayout::AudioOnly() const {
  for (int i = 0, n = TrackCount(); i < n; ++i)
    if (Track(i).TrackKind != TsbLayoutTrack::Audio) return false;
  return true;
}

bool TsbTrackLayout::HasOwnPauses() const {
  for (int i = 0, n = TrackCount(); i < n; ++i) {
    const TsbLayoutTrack t = Track(i);
    if ((i > 0 || t.PauseBlocks > 150) && t.PauseBlocks != 150) return true;
    if (t.PostgapBlocks != 0) return true;
  }
  return false;
}

bool TsbTrackLayout::Decoding() {
  uint8_t decoding = 0;
  Discwright_TrackLayout_GetAudioSupport(&decoding, nullptr, 0);
  return decoding != 0;
}

QStringList TsbTrackLayout::AudioKinds() {
  char kinds[256] = {};
  Discwright_TrackLayout_GetAudioSupport(nullptr, kinds, sizeof kinds);
  return QString::fromLatin1(kinds).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString TrackTime(uint32_t blocks) {
  const uint32_t seconds = blocks / 75;
  if (seconds >= 3600)
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
  return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

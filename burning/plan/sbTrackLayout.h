// The tracks of an audio CD or a cue sheet as the wizard and korvanel-cli hold them: a
// track layout of the library, read and changed through its calls. Failures are raised
// as TsbError with the library's text.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

#include "Discwright.h"

struct TsbLayoutTrack {
  enum Kind : uint8_t { Audio = DW_TRACK_AUDIO, Data = DW_TRACK_MODE1, DataRaw = DW_TRACK_MODE2_RAW };
  Kind TrackKind = Audio;
  QString Title;
  QString Performer;
  QString Isrc;
  QString Source;             // the file it comes from
  uint32_t PauseBlocks = 150; // before the track; 75 a second
  uint32_t PostgapBlocks = 0;
  uint32_t SourcePregapBlocks = 0;  // of a cue sheet's track: the pause its file holds (index 0)
  uint32_t Blocks = 0;        // from the source, the pause not counted
  uint32_t StartBlock = 0;    // index 1 on the disc as laid out
  uint32_t SourceRate = 0;    // music files: the file's sample rate
  uint8_t SourceChannels = 0;
  bool CopyPermitted = false;
  bool PreEmphasis = false;
};

class TsbTrackLayout {
 public:
  // The library must be up. An empty layout (an audio CD the user fills), or the tracks
  // of a cue sheet with every file it names opened and measured.
  TsbTrackLayout();
  static std::shared_ptr<TsbTrackLayout> FromCueSheet(const QString& cuePath);
  ~TsbTrackLayout();
  TsbTrackLayout(const TsbTrackLayout&) = delete;
  TsbTrackLayout& operator=(const TsbTrackLayout&) = delete;

  DiscwrightHandle Handle() const { return handle_; }
  const QString& CueSheet() const { return cueSheet_; }  // empty for an audio CD

  // Appends the file as a track (title and performer from its tags); answers its index.
  int AddAudioFile(const QString& path);
  int TrackCount() const;
  TsbLayoutTrack Track(int index) const;  // 0-based
  // Takes the title, performer, ISRC, pause, postgap and flags of track.
  void SetTrack(int index, const TsbLayoutTrack& track);
  void MoveTrack(int from, int to);
  void RemoveTrack(int index);

  QString AlbumTitle() const;
  QString AlbumPerformer() const;
  void SetAlbum(const QString& title, const QString& performer);

  // From block 0 to the lead-out, as laid out (75 blocks a second).
  uint32_t TotalBlocks() const;
  bool HasCdText() const;
  bool AudioOnly() const;
  // Pauses other than 2 s (track 1's always is), which track-at-once cannot write.
  bool HasOwnPauses() const;

  // Whether this build decodes music files beyond plain WAV, and the kinds it opens
  // ("wav flac ogg opus mp3"), for the file chooser.
  static bool Decoding();
  static QStringList AudioKinds();

 private:
  explicit TsbTrackLayout(DiscwrightHandle handle, const QString& cueSheet);
  DiscwrightLayoutDisc Disc() const;

  DiscwrightHandle handle_ = 0;
  QString cueSheet_;
};

// "4:05" (minutes and seconds of blocks, rounded down), "1:02:03" past an hour.
QString TrackTime(uint32_t blocks);

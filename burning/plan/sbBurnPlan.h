// One burn as the user chose it: the device, the source, the burning mode and the
// options. The wizard fills it page by page as each page is left, korvanel-cli all at
// once; each step checks what it is given, refuses with the text the user sees, and
// hands what passed to the burner. The action list is built from it.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "sbBurnModes.h"
#include "sbDeviceTypes.h"
#include "sbErrors.h"
#include "sbFileSelection.h"

class TsbAction;
class TsbActionList;
class TsbBurner;
struct TsbDeviceItem;
class TsbImageChecksumAction;
class TsbTrackLayout;
class TsbVerifyAction;
struct TsbDiscSpeedItem;

// A step the burn cannot take. Beside the reason, the library's failures that explain it
// (a query that failed leaves a disc looking unusable).
class TsbBurnRefusal : public TsbError {
 public:
  explicit TsbBurnRefusal(const QString& reason, const QStringList& libraryFailures = {});
  const QString& Reason() const { return reason_; }
  const QStringList& LibraryFailures() const { return libraryFailures_; }

 private:
  QString reason_;
  QStringList libraryFailures_;
};

// Chosen entries whose names the disc already holds, when adding to it without replacing.
class TsbNamesTakenRefusal : public TsbBurnRefusal {
 public:
  explicit TsbNamesTakenRefusal(const QStringList& discPaths);
  const QStringList DiscPaths;
};

class TsbBurnPlan {
 public:
  explicit TsbBurnPlan(TsbBurner& burner);
  ~TsbBurnPlan();
  TsbBurnPlan(const TsbBurnPlan&) = delete;
  TsbBurnPlan& operator=(const TsbBurnPlan&) = delete;

  // The recorder and its disc (none selected: nullptr). Refuses a device that cannot write,
  // cannot be used now, or holds a damaged disc or one that cannot be burned; otherwise copies
  // the device's data to the burner, opens and locks it.
  void SetDevice(const TsbDeviceItem* device, TsbTransportType transport);
  // An image file as it is now: missing, unreadable or too large for the disc is refused.
  void SetImageFile(const QString& fileName);
  // Files and folders: the tree is made again from them as they are now, and every
  // problem is named before the burn. Answers the entries left out (special files) and the
  // files that need a reader of ISO 9660 level 3.
  TsbFileTreeNotes SetFiles(const QStringList& paths, const QString& volumeLabel);
  // An audio CD or the tracks of a cue sheet, burned session-at-once (track-at-once where
  // the drive offers nothing else), closing the disc. An empty layout is refused; the
  // burner burns the layout's handle in place of an image while the plan holds it.
  void SetTrackLayout(std::shared_ptr<TsbTrackLayout> layout);
  const std::shared_ptr<TsbTrackLayout>& TrackLayout() const { return trackLayout_; }
  // Refuses a source that does not fit the disc: for a source chosen before the device
  // (korvanel-cli) and for the disc of each further copy. A disc that holds sessions
  // takes only files added to it (AppendFiles). Tracks want a blank CD-R or CD-RW that
  // lasts as long as they do.
  void CheckSourceFits() const;

  // The chosen disc holds closed sessions and takes another: files and folders go onto it
  // as a further session whose directory also lists the disc's files; an image would hide them.
  bool AppendableDisc() const { return appendableDisc_; }
  struct AppendChoices {
    bool Replace = false;    // a chosen name replaces the disc's entry of that name
    QStringList Removals;    // paths of the disc left out of the new directory
  };
  // The files as a further session of the appendable disc chosen: the disc's directory read
  // through the library, the removals left out, the chosen entries added. An empty label keeps
  // the disc's. Refuses names already on the disc unless replacing, a removal the disc does not
  // hold, a disc whose file system cannot be read, and a session that does not fit.
  TsbFileTreeNotes AppendFiles(const QStringList& paths, const QString& volumeLabel, const AppendChoices& choices);
  // What the disc held when its files were read for AppendFiles (Session 0: not appending).
  const TsbDiscContents& DiscContents() const { return discContents_; }
  bool Appending() const { return discContents_.Session > 0; }
  // "The disc in CdRom0 already holds 12 files in 2 sessions": reads the disc's directory.
  QString AppendableDiscText();
  // The writing methods the device offers for the disc and this source, in offering order.
  std::vector<TsbBurnModeKind> OfferedMethods() const;
  // No method (none offered) is refused with the device and the disc named.
  void SetMode(std::optional<TsbBurnModeKind> method, bool testWrite);
  // The speed and the session options; what the mode rules out is left off.
  void SetOptions(const TsbDiscSpeedItem& speed, bool multiSession, bool sendOPC);

  bool FilesChosen() const { return filesChosen_; }
  const QString& ImageFile() const { return imageFile_; }
  uint64_t FilesBytes() const { return filesBytes_; }
  const QStringList& Paths() const { return paths_; }
  // The run's first log row: "Burning image", "Burning files and folders", "Burning an
  // audio CD" or "Burning the tracks of a cue sheet".
  QString HeadingLine() const;
  // "Source image file: /x.iso", "Source: 3 files, 2 folders, 412.7 MB", "Source: 12
  // tracks, 58:31" or "Source cue sheet: /x/album.cue".
  QString SourceLine() const;
  // The chosen device's name ("CdRom0") and transport, to find it again for the next disc.
  const QString& DeviceName() const { return deviceName_; }
  TsbTransportType Transport() const { return transport_; }
  // The device page's failed queries, to be shown beside a refusal they explain.
  const QStringList& ProbeFailures() const { return probeFailures_; }

  // Read after the burn: verify the disc, check the image against a checksum file first
  // (empty: no check), leave the disc in the drive when done.
  bool Verify = false;
  QString ChecksumFile;
  bool EjectWhenDone = true;
  // Discs to burn one after the other, each checked as the first was (1 to 99).
  int Copies = 1;

  // Points the list at the source and appends the actions: the checksum check, the burn
  // (the caller's action), the verify. Items carry pageOwner.
  void AddActions(TsbActionList& list, TsbAction& burn, int32_t pageOwner);
  // The SHA-256 the last verify read back from the disc; empty when none passed.
  QString VerifiedSha256() const;

 private:
  void CheckTracksFit() const;

  TsbBurner& burner_;
  bool deviceSet_ = false;
  QString deviceName_;
  TsbTransportType transport_ = ttSpti;
  bool blankDisc_ = true;
  bool appendableDisc_ = false;
  TsbDiscContents discContents_;
  bool filesChosen_ = false;
  QString imageFile_;
  std::shared_ptr<TsbTrackLayout> trackLayout_;
  QStringList paths_;
  uint64_t filesBytes_ = 0;
  QStringList probeFailures_;
  std::unique_ptr<TsbImageChecksumAction> checksumAction_;
  std::unique_ptr<TsbVerifyAction> verifyAction_;
};

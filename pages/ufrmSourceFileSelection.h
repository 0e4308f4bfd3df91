// Wizard page 3: the image file to burn, typed, browsed for or dropped on the
// page, with its size next to the free space of the inserted disc.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

#include "sbDockForm.h"

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TsbFilesPanel;
class TsbTrackLayout;
class TsbTracksPanel;

class TfrmSourceFileSelection : public TsbDockForm {
  Q_OBJECT

 public:
  explicit TfrmSourceFileSelection(QWidget* parent = nullptr);
  ~TfrmSourceFileSelection() override;

  QLabel* Label1;
  QLabel* Label2;
  QLineEdit* Edit1;
  QPushButton* Button1;
  QPushButton* btnReadDisc;  // "Read from a disc...": a disc saved as the image to burn
  // The drive the burn goes to, and whether its disc was taken out for a read since it was checked.
  QString DestinationDrive;
  bool DestinationDiscChanged = false;
  QLabel* lblSizeInformation;
  QRadioButton* rbImage;
  QRadioButton* rbFiles;
  QRadioButton* rbAudio;  // "Audio CD": music files as the tracks of an audio CD
  TsbFilesPanel* FilesPanel;
  // The tracks of the audio CD, or of a cue sheet chosen as the image (read-only).
  TsbTracksPanel* TracksPanel;
  QLabel* lblImageInfo;     // what the image's volume descriptors say, or that it is no ISO 9660 image
  QLabel* lblFilesProblem;
  QLabel* lblSizeProblem;  // in red, as soon as the image or the files do not fit the disc
  // Told when the user switches between an image file and files and folders.
  std::function<void()> OnSourceChanged;
  // The chosen disc was left open: files go onto it as a further session, listed with its
  // own files; an image is refused. Set before Activate.
  bool AppendToDisc = false;
  QStringList ReplacedOnDisc;  // disc paths the chosen entries take, as last measured
  // "Check the image against <file>", offered when a checksum file beside the image has a line for it.
  QCheckBox* chbChecksum;
  QString ChecksumFile;  // the file found beside the image, or empty
  // The checksum file to check the image against before the burn, or empty.
  QString ChosenChecksumFile() const;  // why the chosen files cannot make a disc, when they cannot

  QString ImageFileName;
  int64_t ImageFileSize = 0;  // bytes of the file at ImageFileName when last measured

  // Keeps the burner and shows the sizes against its disc space.
  void Activate(TsbBurner* burner) override;
  // Reads the size of the file at ImageFileName now, so that the size check
  // uses the file that will be burned: 0 when it is missing or unreadable
  // (whether it exists is the wizard's check). Refreshes the size line.
  int64_t MeasureImageFile();

  // Files and folders rather than an image file.
  bool FilesChosen() const;
  // An audio CD of music files.
  bool AudioChosen() const;
  // The image source names a cue sheet (".cue"): its tracks are burned, not the file.
  bool CueSheetChosen() const;
  // The tracks to burn: the audio CD's, or the chosen cue sheet's (none when it was
  // refused: CueProblem says why); none for an image or files.
  std::shared_ptr<TsbTrackLayout> ChosenLayout() const;
  QString CueProblem;
  // "12 tracks, 58:31" (with the disc's minutes: "12 tracks, 58:31 of 79:57").
  static QString TracksText(const TsbTrackLayout& layout, uint32_t discBlocks = 0);
  // The blocks of the disc chosen before (a CD of 80 minutes when none is known).
  uint32_t DiscBlocks() const;
  // Builds the burner's file tree of the chosen files and measures its image, as
  // the burn will write it: 0 with the reason shown when it cannot be built.
  uint64_t MeasureFiles();
  uint64_t FilesImageSize = 0;
  QString FilesProblem;

  void Edit1Change();
  void Button1Click();
  void btnReadDiscClick();

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void UpdateSizeInformation();
  void ShowSource();
  void ShowDiscFiles();
  void ReadCueSheet();
  std::shared_ptr<TsbTrackLayout> AudioLayout();
  bool discFilesShown_ = false;
  QGridLayout* grid_ = nullptr;
  std::shared_ptr<TsbTrackLayout> audioLayout_;
  std::shared_ptr<TsbTrackLayout> cueLayout_;
  QString cuePath_;  // the cue sheet cueLayout_ (or CueProblem) was read from
};

// The local ISO image or cue sheet a drop carries (the first URL, ".iso" or ".cue"
// in any case), or empty when the drop is anything else.
QString DroppedImageFile(const class QMimeData* data);

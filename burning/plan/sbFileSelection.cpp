#include "sbFileSelection.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

#include "Discwright.h"
#include "sbBurner.h"
#include "sbCallbacks.h"
#include "sbErrors.h"
#include "sbHelpers.h"
#include "sbLibraryCall.h"
#include "sbLogging.h"
#include "sbStrings.h"

namespace {

bool IsLabelCharacter(QChar c) {
  return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
         c == QLatin1Char('_');
}

void TreeCallback(uint32_t reason, void* context, void* param1, void* param2) {
  auto* notes = static_cast<TsbFileTreeNotes*>(context);
  if ((reason & 0xFF) == DW_REASON_IGNORE_NAME)
    notes->Skipped.emplace_back(QString::fromUtf8(static_cast<const char*>(param1)),
                                QString::fromUtf8(static_cast<const char*>(param2)));
  else if ((reason & 0xFF) == DW_REASON_LARGE_FILE)
    notes->LargeFiles << QString::fromUtf8(static_cast<const char*>(param1));
}

// A folder's tree also reports the names it adds and clashes of names, which the
// burner's callback counts and tells apart as in every other tree.
void FolderTreeCallback(uint32_t reason, void* context, void* param1, void* param2) {
  auto* notes = static_cast<TsbFileTreeNotes*>(context);
  switch (reason & 0xFF) {
    case DW_REASON_IGNORE_NAME:
    case DW_REASON_LARGE_FILE:
      TreeCallback(reason, context, param1, param2);
      return;
    case DW_REASON_ADD_NAME:
      ++notes->Added;
      break;
  }
  LibraryCallback(reason, nullptr, param1, param2);
}

// The library's words for an entry it leaves out, and the sentence the user reads
// instead, in the user's language.
struct TsbSkippedKind {
  const char* Library;
  const char* Sentence;
};
constexpr TsbSkippedKind kSkippedKinds[] = {
    {"is a FIFO; left out of the image",
     QT_TRANSLATE_NOOP("sbFileSelection", "\"%1\" is a named pipe (FIFO); it is left out of the disc")},
    {"is a socket; left out of the image",
     QT_TRANSLATE_NOOP("sbFileSelection", "\"%1\" is a socket; it is left out of the disc")},
    {"is a character device; left out of the image",
     QT_TRANSLATE_NOOP("sbFileSelection", "\"%1\" is a character device; it is left out of the disc")},
    {"is a block device; left out of the image",
     QT_TRANSLATE_NOOP("sbFileSelection", "\"%1\" is a block device; it is left out of the disc")},
};

// one and many: the texts for one and for several, marked with QT_TRANSLATE_NOOP.
QString Plural(qsizetype n, const char* one, const char* many) {
  return QCoreApplication::translate("sbFileSelection", n == 1 ? one : many).arg(n);
}

}  // namespace

QString DefaultVolumeLabel(const QDate& today) { return today.toString(QStringLiteral("yyyy_MM_dd")); }

TsbVolumeLabel CleanVolumeLabel(const QString& wanted, const QDate& today) {
  if (wanted.trimmed().isEmpty()) {
    const QString label = DefaultVolumeLabel(today);
    return {
        label,
        QCoreApplication::translate("sbFileSelection", "The disc is labelled \"%1\": a disc needs a label").arg(label)};
  }
  QString label = wanted.trimmed().toUpper();
  bool replaced = false;
  for (QChar& c : label)
    if (!IsLabelCharacter(c)) {
      c = QLatin1Char('_');
      replaced = true;
    }
  const bool cut = label.size() > kVolumeLabelLength;
  label.truncate(kVolumeLabelLength);
  if (label == wanted) return {label, {}};
  QStringList why;
  if (label.compare(wanted.left(label.size()), Qt::CaseInsensitive) != 0 || replaced || wanted.trimmed() != wanted)
    why << QCoreApplication::translate("sbFileSelection", "a disc label holds only capitals, digits and \"_\"");
  else
    why << QCoreApplication::translate("sbFileSelection", "a disc label holds capitals");
  if (cut) why << QCoreApplication::translate("sbFileSelection", "at most %1 of them").arg(kVolumeLabelLength);
  return {label, QCoreApplication::translate("sbFileSelection", "The label became \"%1\": %2")
                     .arg(label, why.join(QStringLiteral(", ")))};
}

QString LargeFileLine(const QString& path) {
  return QCoreApplication::translate("sbFileSelection",
                                     "\"%1\" is larger than 4 GiB: only systems that read ISO 9660 level 3 "
                                     "(most current ones) read it whole from the disc")
      .arg(path);
}

QString LeftOutLine(const QString& name, const QString& why) {
  for (const TsbSkippedKind& kind : kSkippedKinds)
    if (why == QLatin1String(kind.Library))
      return QCoreApplication::translate("sbFileSelection", kind.Sentence).arg(name);
  return QStringLiteral("\"%1\" %2").arg(name, why);
}

QStringList TsbFileTreeNotes::Lines() const {
  QStringList lines;
  for (const auto& [name, why] : Skipped) lines << LeftOutLine(name, why);
  for (const QString& path : LargeFiles) lines << LargeFileLine(path);
  return lines;
}

TsbFileTreeNotes CreateFileTree(TsbBurner& burner, const QStringList& paths) {
  if (paths.isEmpty())
    throw TsbError(QCoreApplication::translate("sbFileSelection", "Add the files and folders to burn"));
  burner.DestroyFileTree();
  std::vector<QByteArray> names;
  std::vector<const char*> pointers;
  for (const QString& path : paths) names.push_back(QFile::encodeName(path));
  for (const QByteArray& name : names) pointers.push_back(name.constData());
  TsbFileTreeNotes notes;
  if (!SB_TREE_CREATE(burner, Discwright_ISO9660JolietFileTree_CreateFromPaths, TreeCallback,
                      static_cast<void*>(&notes), static_cast<const char* const*>(pointers.data()),
                      uint32_t(pointers.size()))) {
    const QString failure = burner.LastFailureText();
    GlobalLogger().WriteLog(failure, 0);
    // A problem of the user's files is said in their words; the call and its codes go to the log.
    if (burner.ExceptionNumber == DW_E_FILE) throw TsbError(QString::fromUtf8(burner.ExceptionText));
    throw TsbError(failure);
  }
  for (const QString& line : notes.Lines()) GlobalLogger().WriteLog(line, 0);
  // Every chosen entry left out (a device, a pipe): a burn would close an empty disc.
  // An empty folder is still something to burn.
  QSet<QString> chosen;
  for (const QByteArray& name : names) chosen << QString::fromUtf8(name);
  qsizetype chosenLeftOut = 0;
  for (const auto& [name, why] : notes.Skipped) chosenLeftOut += chosen.remove(name) ? 1 : 0;
  if (chosenLeftOut > 0 && chosen.isEmpty()) {
    burner.DestroyFileTree();
    QStringList lines;
    for (const auto& [name, why] : notes.Skipped) lines << LeftOutLine(name, why);
    throw TsbError(QCoreApplication::translate("sbFileSelection",
                                               "Nothing is left to burn: %1; choose files or folders")
                       .arg(lines.join(QStringLiteral("; "))));
  }
  return notes;
}

TsbFileTreeNotes CreateFolderTree(TsbBurner& burner, const QString& folder) {
  burner.DestroyFileTree();
  const QByteArray name = QFile::encodeName(folder);
  TsbFileTreeNotes notes;
  if (!SB_TREE_CREATE(burner, Discwright_ISO9660JolietFileTree_Create, FolderTreeCallback, static_cast<void*>(&notes),
                      name.constData())) {
    const QString failure = burner.LastFailureText();
    LogDiagnostic(failure);
    throw TsbError(failure);
  }
  return notes;
}

uint64_t MeasureFileTree(TsbBurner& burner, const QString& label, uint32_t startBlock) {
  const QByteArray volume = label.toUtf8();
  const QByteArray program = ImageCreatorId();
  uint64_t size = 0;
  if (!SB_TREE_CALL(burner, Discwright_ISO9660JolietFileTree_BuildImage, startBlock, 0, 1, volume.constData(),
                    program.constData(), program.constData()) ||
      !SB_TREE_CALL(burner, Discwright_ISO9660JolietFileTree_GetSizeInUCHARs, &size))
    throw TsbError(burner.FailureText(burner.LastCall));
  return size;
}

QString FileSelectionSummary(const QStringList& paths, uint64_t imageBytes) {
  qsizetype folders = 0;
  for (const QString& path : paths) folders += QFileInfo(path).isDir() ? 1 : 0;
  return QStringLiteral("%1, %2, %3")
      .arg(Plural(paths.size() - folders, QT_TRANSLATE_NOOP("sbFileSelection", "%1 file"),
                  QT_TRANSLATE_NOOP("sbFileSelection", "%1 files")),
           Plural(folders, QT_TRANSLATE_NOOP("sbFileSelection", "%1 folder"),
                  QT_TRANSLATE_NOOP("sbFileSelection", "%1 folders")),
           LocaleMegabytes(int64_t(imageBytes)));
}

namespace {

// A failure of a call on the disc's tree: the user's own problem (a name, a path) in the
// library's words, anything else as the call's failure text (also in the log).
[[noreturn]] void RaiseTreeFailure(TsbBurner& burner) {
  const QString failure = burner.LastFailureText();
  GlobalLogger().WriteLog(failure, 0);
  if (burner.ExceptionNumber == DW_E_FILE || burner.ExceptionNumber == DW_E_NOT_SUPPORTED ||
      burner.ExceptionNumber == DW_E_OUT_OF_SPACE || burner.ExceptionNumber == DW_E_IO)
    throw TsbError(QString::fromUtf8(burner.ExceptionText));
  throw TsbError(failure);
}

struct EncodedPaths {
  std::vector<QByteArray> names;
  std::vector<const char*> pointers;
  explicit EncodedPaths(const QStringList& paths) {
    for (const QString& path : paths) names.push_back(QFile::encodeName(path));
    for (const QByteArray& name : names) pointers.push_back(name.constData());
  }
  const char* const* data() const { return pointers.data(); }
  uint32_t count() const { return uint32_t(pointers.size()); }
};

}  // namespace

TsbDiscContents CreateFileTreeFromDisc(TsbBurner& burner) {
  burner.DestroyFileTree();
  if (!SB_TREE_CREATE(burner, Discwright_ISO9660JolietFileTree_CreateFromDisc, burner.Grabber, nullptr, nullptr))
    RaiseTreeFailure(burner);
  DiscwrightTreeOrigin origin{};
  if (!SB_TREE_CALL(burner, Discwright_ISO9660JolietFileTree_GetOrigin, &origin)) RaiseTreeFailure(burner);
  return {origin.Session, origin.NextWritable, origin.DiscFiles, origin.DiscFolders,
          QString::fromUtf8(origin.VolumeLabel).trimmed()};
}

QStringList DiscPathsTaken(TsbBurner& burner, const QStringList& paths) {
  const EncodedPaths encoded(paths);
  QStringList taken;
  auto collect = [](uint32_t reason, void* context, void* param1, void*) {
    if ((reason & 0xFF) == DW_REASON_ON_DISC)
      *static_cast<QStringList*>(context) << QString::fromUtf8(static_cast<const char*>(param1));
  };
  uint32_t count = 0;
  if (!SB_TREE_CALL(burner, Discwright_ISO9660JolietFileTree_FindClashes, +collect, static_cast<void*>(&taken), "/",
                    encoded.data(), encoded.count(), &count))
    RaiseTreeFailure(burner);
  taken.sort();
  return taken;
}

TsbFileTreeNotes AddToDiscTree(TsbBurner& burner, const QStringList& paths, bool replace) {
  if (paths.isEmpty())
    throw TsbError(QCoreApplication::translate("sbFileSelection", "Add the files and folders to burn"));
  const EncodedPaths encoded(paths);
  TsbFileTreeNotes notes;
  if (!SB_TREE_CALL(burner, Discwright_ISO9660JolietFileTree_AddPaths, TreeCallback, static_cast<void*>(&notes), "/",
                    encoded.data(), encoded.count(), uint8_t(replace ? 1 : 0)))
    RaiseTreeFailure(burner);
  for (const QString& line : notes.Lines()) GlobalLogger().WriteLog(line, 0);
  return notes;
}

void LeaveOutOfDiscTree(TsbBurner& burner, const QString& discPath) {
  const QByteArray path = discPath.toUtf8();
  if (!SB_TREE_CALL(burner, Discwright_ISO9660JolietFileTree_RemovePath, path.constData())) RaiseTreeFailure(burner);
}

std::vector<TsbDiscFile> DiscFilesOf(TsbBurner& burner) {
  std::vector<TsbDiscFile> files;
  if (!SB_TREE_CALL(burner, Discwright_ISO9660JolietFileTree_ForEachDiscFile, CollectDiscFile, static_cast<void*>(&files)))
    RaiseTreeFailure(burner);
  SortByPath(files);
  return files;
}

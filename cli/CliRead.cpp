// read DEVICE OUTPUT.iso: the disc's data track saved as an image file; read DEVICE
// OUTPUT.cue: a CD saved whole as OUTPUT.bin and the cue sheet OUTPUT.cue.
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

#include "CliCommands.h"
#include "CliEngine.h"
#include "CliPlatform.h"
#include "sbDiscToCueSheet.h"
#include "sbDiscToImage.h"
#include "sbErrors.h"

namespace {

int ReadToCueSheet(const CliArgs& args, CliOutput& output) {
  const QString device = args.positional[0];
  TsbDiscToCueSheet read;
  read.CueSheet = args.positional[1];
  read.ImageFile = ImageFileOfCueSheet(read.CueSheet);
  RefuseNotAFile(read.CueSheet);
  RefuseNotAFile(read.ImageFile);
  CliEngine engine(args);
  TsbDeviceItem& item = engine.FindWrittenDisc(
      device, QCoreApplication::translate("CliRead", "The disc in %1 is blank: it holds no tracks to read"));
  read.Device = item;
  read.Transport = engine.Transport();
  read.DeviceLabel = device;
  read.OnMessage = [&](const QString& text, TsbLogItemType kind) {
    output.Finish();
    output.Line(text, kind);
  };
  read.OnProgress = [&](int percent) { output.Progress(percent); };
  read.CancelRequested = [] { return InterruptRequested(); };
  bool saved = false;
  try {
    saved = read.Run();
  } catch (const TsbError&) {
    output.Finish();
    throw;
  }
  output.Finish();
  return saved ? kExitSuccess : kExitCancelled;
}

}  // namespace

int RunRead(const CliArgs& args, CliOutput& output) {
  const QString device = args.positional[0];
  const QString target = args.positional[1];
  if (target.endsWith(QLatin1String(".cue"), Qt::CaseInsensitive)) return ReadToCueSheet(args, output);
  // "-" is standard output, taken only when named so; a pipe or device at a file name is refused.
  const bool toStdout = target == QLatin1String("-");
  if (toStdout && IsTerminal(stdout))
    throw TsbError(QCoreApplication::translate("CliRead", "Standard output is a terminal: send the image into a file or a pipe"));
  if (!toStdout) RefuseNotAFile(target);
  CliEngine engine(args);
  TsbDeviceItem& item = engine.FindWrittenDisc(
      device, QCoreApplication::translate("CliRead", "The disc in %1 is blank: it holds no data to read into an image"));

  TsbDiscToImage read;
  read.Device = item;
  read.Transport = engine.Transport();
  read.DeviceLabel = device;
  read.Target = toStdout ? QCoreApplication::translate("CliRead", "standard output") : target;
  if (toStdout) read.OutputHandle = ::fileno(stdout);
  read.OnMessage = [&](const QString& text, TsbLogItemType kind) {
    output.Finish();
    output.Line(text, kind);
  };
  read.OnProgress = [&](int percent) { output.Progress(percent); };
  read.CancelRequested = [] { return InterruptRequested(); };
  QString sha256;
  try {
    sha256 = read.Run();
  } catch (const TsbError&) {
    output.Finish();
    throw;
  }
  if (sha256.isEmpty()) return kExitCancelled;
  std::fprintf(toStdout ? stderr : stdout, "%s  %s\n", sha256.toLatin1().constData(), QFile::encodeName(target).constData());
  return kExitSuccess;
}

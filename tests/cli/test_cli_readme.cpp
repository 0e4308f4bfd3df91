// Every korvanel-cli example of the README runs as written on the demo set.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "common/test_os.h"

namespace {

TEST(ReadmeTest, EveryCommandLineExampleRunsOnTheDemoSet) {
  SKIP_WITHOUT_FILE_TREES();  // the examples build and burn folders
  QFile readme(QStringLiteral(KORVANEL_README));
  ASSERT_TRUE(readme.open(QIODevice::ReadOnly | QIODevice::Text));
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // The files the examples name, in the folder they run in.
  QDir work(dir.path());
  ASSERT_TRUE(work.mkpath(QStringLiteral("FOLDER")) && work.mkpath(QStringLiteral("MORE")) &&
              work.mkpath(QStringLiteral("state")));
  for (const char* name : {"FOLDER/hello.txt", "MORE/later.txt"}) {
    QFile text(work.filePath(QLatin1String(name)));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write(QByteArray(100000, 'h'));
  }
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("XDG_STATE_HOME"), work.filePath(QStringLiteral("state")));
  auto run = [&](const QStringList& arguments) {
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KORVANEL_CLI), arguments);
    EXPECT_TRUE(process.waitForFinished(120000));
    return std::make_pair(process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                          QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError()));
  };
  ASSERT_EQ(run({QStringLiteral("build-image"), QStringLiteral("FOLDER"), QStringLiteral("disc.iso")}).first, 0);
  QFile image(work.filePath(QStringLiteral("disc.iso")));
  ASSERT_TRUE(image.open(QIODevice::ReadOnly));
  QFile sums(work.filePath(QStringLiteral("SHA256SUMS")));
  ASSERT_TRUE(sums.open(QIODevice::WriteOnly));
  sums.write(QCryptographicHash::hash(image.readAll(), QCryptographicHash::Sha256).toHex() + "  disc.iso\n");
  sums.close();

  // An indented line of a code block: the command, then an optional part in
  // brackets and a comment, which are left out.
  static const QRegularExpression example(QStringLiteral("^    korvanel-cli (.*)$"));
  int examples = 0;
  while (!readme.atEnd()) {
    const auto match = example.match(QString::fromUtf8(readme.readLine()).chopped(1));
    if (!match.hasMatch()) continue;
    QString command = match.captured(1);
    command = command.left(command.indexOf(QStringLiteral("  #")));
    command.remove(QRegularExpression(QStringLiteral("\\[[^\\]]*\\]")));
    SCOPED_TRACE(command.toStdString());
    ++examples;
    const auto [status, output] = run(command.split(QLatin1Char(' '), Qt::SkipEmptyParts));
    EXPECT_EQ(status, 0) << output.toStdString();
  }
  EXPECT_GE(examples, 7) << "the README's examples were not found";
}

}  // namespace

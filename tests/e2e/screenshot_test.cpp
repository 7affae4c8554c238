// The program as a user starts it: the executable opens its frame window and can picture it.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>

#include "support/tempfolder.h"

TEST(Program, ScreenshotOfTheFrameWindowIsNotBlank) {
  TTempFolder tmp;
  const QString shot = tmp.File("shot.png");
  QProcess quorlex;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  quorlex.setProcessEnvironment(env);
  quorlex.start(QStringLiteral(QUORLEX_BINARY_DIR "/quorlex"), {"--screenshot", shot});
  ASSERT_TRUE(quorlex.waitForFinished(30000)) << "quorlex did not exit";
  EXPECT_EQ(quorlex.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(quorlex.exitCode(), 0) << quorlex.readAllStandardError().toStdString();
  const QImage image(shot);
  ASSERT_FALSE(image.isNull());
  EXPECT_GE(image.width(), 640);
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); y += 7)
    for (int x = 0; x < image.width(); x += 7) colours.insert(image.pixel(x, y));
  EXPECT_GT(colours.size(), 1) << "the picture is one flat colour";
}

// A bad option value is named and refused before any window or recording starts.
TEST(Program, BadOptionValuesAreRefusedWithAMessage) {
  TTempFolder tmp;
  const std::vector<std::pair<QString, const char*>> cases{
      {"--screenshot-delay", "-5"}, {"--screenshot-delay", "abc"}, {"--screenshot-delay", "1.5"},
      {"--screenshot-delay", "99999999999"}, {"--record", "abc"}, {"--record", "0"}, {"--record", "-20"}};
  for (const auto& [option, value] : cases) {
    QProcess quorlex;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    quorlex.setProcessEnvironment(env);
    quorlex.start(QStringLiteral(QUORLEX_BINARY_DIR "/quorlex"), {"--screenshot", tmp.File("shot.png"), option, value});
    ASSERT_TRUE(quorlex.waitForFinished(30000)) << value << ": quorlex did not exit";
    EXPECT_EQ(quorlex.exitCode(), 2) << value;
    EXPECT_TRUE(quorlex.readAllStandardError().contains(option.toUtf8())) << value;
    EXPECT_FALSE(QFile::exists(tmp.File("shot.png"))) << value;
  }
}

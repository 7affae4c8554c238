// The program's self-check on the demo rig: every enabled command does something visible.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>

#include "support/tempfolder.h"

TEST(WalkCommands, EveryEnabledCommandOfTheDemoRigHasAVisibleEffect) {
  const QString program = QStringLiteral(QUORLEX_BINARY_DIR "/quorlex");
  if (!QFileInfo(program).isExecutable()) GTEST_SKIP() << "the program is not built";
  TTempFolder tmp;
  QProcess walk;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("QUORLEX_DEVICE_DIR", tmp.File("no-devices"));
  walk.setProcessEnvironment(env);
  walk.start(program, {"--rig", QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/demo"), "--walk-commands", tmp.File("walk")});
  ASSERT_TRUE(walk.waitForFinished(240000));
  const QString out = QString::fromUtf8(walk.readAllStandardOutput());
  EXPECT_EQ(walk.exitCode(), 0) << out.toStdString();
  const QString index = QString::fromUtf8(TTempFolder::Read(tmp.File("walk/index.txt")));
  EXPECT_FALSE(index.contains("NO VISIBLE EFFECT")) << index.toStdString();
  const QStringList lines = index.split('\n', Qt::SkipEmptyParts);
  EXPECT_GE(lines.size(), 40);
  for (const QString& line : lines) {
    const QString picture = line.section('\t', 2);
    EXPECT_TRUE(QFileInfo(tmp.File("walk/" + picture)).size() > 0) << line.toStdString();
  }
  EXPECT_TRUE(index.contains("Format > Rename Sheet...\tinput \"Sheet Name\"")) << index.toStdString();
  EXPECT_FALSE(index.contains("HELP ERROR")) << index.toStdString();
  EXPECT_FALSE(index.contains("CUT TEXT")) << index.toStdString();
  EXPECT_FALSE(index.contains("OFF SCREEN")) << index.toStdString();
}

// The other shipped rigs: no command opens a help page that is missing, and no label, button or
// panel of the main window, its windows or its dialogs shows a cut text.
class TWalkShippedRig : public ::testing::TestWithParam<const char*> {};

// Walks `rig` with `env` (offscreen, no card devices) into folder/walk; its index, or an empty
// text after a failure.
QString WalkIndex(const QString& rig, QProcessEnvironment env, const TTempFolder& tmp) {
  env.insert("QUORLEX_DEVICE_DIR", tmp.File("no-devices"));
  QProcess walk;
  walk.setProcessEnvironment(env);
  walk.start(QStringLiteral(QUORLEX_BINARY_DIR "/quorlex"), {"--rig", rig, "--walk-commands", tmp.File("walk")});
  EXPECT_TRUE(walk.waitForFinished(300000));
  EXPECT_EQ(walk.exitCode(), 0) << walk.readAllStandardOutput().toStdString();
  const QString index = QString::fromUtf8(TTempFolder::Read(tmp.File("walk/index.txt")));
  EXPECT_GE(index.count('\n'), 20) << index.toStdString();
  EXPECT_FALSE(index.contains("HELP ERROR")) << index.toStdString();
  EXPECT_FALSE(index.contains("CUT TEXT")) << index.toStdString();
  EXPECT_FALSE(index.contains("OFF SCREEN")) << index.toStdString();
  return index;
}

TEST_P(TWalkShippedRig, NoHelpErrorAndNoCutText) {
  if (!QFileInfo(QStringLiteral(QUORLEX_BINARY_DIR "/quorlex")).isExecutable()) GTEST_SKIP() << "the program is not built";
  TTempFolder tmp;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  WalkIndex(QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/") + QLatin1String(GetParam()), env, tmp);
}

INSTANTIATE_TEST_SUITE_P(ShippedRigs, TWalkShippedRig, ::testing::Values("airflow", "capture", "plant"));

// Other screens: a small 1024x768 one, and a 1920x1080 one at 125 % and 150 % scaling. Every
// window and dialog the walk opens lies wholly on the screen and shows its whole text; on the
// big screen the main window takes the screen's room.
struct TScreen {
  const char* Rig;
  int Width, Height;
  const char* Scale;
};

void PrintTo(const TScreen& s, std::ostream* os) { *os << s.Rig << " " << s.Width << "x" << s.Height << " at " << s.Scale; }

class TWalkOnScreen : public ::testing::TestWithParam<TScreen> {};

TEST_P(TWalkOnScreen, EveryWindowOnTheScreenWithItsWholeText) {
  const QString program = QStringLiteral(QUORLEX_BINARY_DIR "/quorlex");
  if (!QFileInfo(program).isExecutable()) GTEST_SKIP() << "the program is not built";
  const TScreen& screen = GetParam();
  TTempFolder tmp;
  QFile config(tmp.File("screen.json"));
  ASSERT_TRUE(config.open(QIODevice::WriteOnly));
  config.write(QStringLiteral(R"({"screens": [{"name": "test", "x": 0, "y": 0, "width": %1, "height": %2, )"
                              R"("logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                   .arg(screen.Width)
                   .arg(screen.Height)
                   .toUtf8());
  config.close();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + tmp.File("screen.json"));
  env.insert("QT_SCALE_FACTOR", screen.Scale);
  const QString rig = QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/") + QLatin1String(screen.Rig);
  // The help window is among the windows checked.
  EXPECT_TRUE(WalkIndex(rig, env, tmp).contains("Help > Contents"));

  if (screen.Width < 1920) return;
  QProcess shot;
  shot.setProcessEnvironment(env);
  shot.start(program, {"--rig", rig, "--screenshot", tmp.File("main.png")});
  ASSERT_TRUE(shot.waitForFinished(120000));
  // The picture is in the screen's own pixels, whatever the scaling.
  const QSize main = QImageReader(tmp.File("main.png")).size();
  EXPECT_GE(main.width(), screen.Width * 9 / 10) << main.width() << "x" << main.height();
  EXPECT_GE(main.height(), screen.Height * 8 / 10) << main.width() << "x" << main.height();
}

INSTANTIATE_TEST_SUITE_P(Screens, TWalkOnScreen,
                         ::testing::Values(TScreen{"demo", 1024, 768, "1"}, TScreen{"demo", 1920, 1080, "1.5"},
                                           TScreen{"plant", 1920, 1080, "1.25"}),
                         [](const auto& info) {
                           return std::string(info.param.Rig) + "_" + std::to_string(info.param.Width) + "x" +
                                  std::to_string(info.param.Height) + "_" +
                                  QString::fromLatin1(info.param.Scale).replace('.', '_').toStdString();
                         });

// The program's self-check on the demo rig: every enabled command does something visible.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
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
}

// The other shipped rigs: no command opens a help page that is missing, and no label, button or
// panel of the main window, its windows or its dialogs shows a cut text.
class TWalkShippedRig : public ::testing::TestWithParam<const char*> {};

TEST_P(TWalkShippedRig, NoHelpErrorAndNoCutText) {
  const QString program = QStringLiteral(QUORLEX_BINARY_DIR "/quorlex");
  if (!QFileInfo(program).isExecutable()) GTEST_SKIP() << "the program is not built";
  TTempFolder tmp;
  QProcess walk;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("QUORLEX_DEVICE_DIR", tmp.File("no-devices"));
  walk.setProcessEnvironment(env);
  walk.start(program, {"--rig", QStringLiteral(QUORLEX_SOURCE_DIR "/examples/rigs/") + QLatin1String(GetParam()),
                       "--walk-commands", tmp.File("walk")});
  ASSERT_TRUE(walk.waitForFinished(240000));
  EXPECT_EQ(walk.exitCode(), 0) << walk.readAllStandardOutput().toStdString();
  const QString index = QString::fromUtf8(TTempFolder::Read(tmp.File("walk/index.txt")));
  EXPECT_GE(index.count('\n'), 20) << index.toStdString();
  EXPECT_FALSE(index.contains("HELP ERROR")) << index.toStdString();
  EXPECT_FALSE(index.contains("CUT TEXT")) << index.toStdString();
}

INSTANTIATE_TEST_SUITE_P(ShippedRigs, TWalkShippedRig, ::testing::Values("airflow", "capture", "plant"));

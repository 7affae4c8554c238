// The fuzz corpus replayed: every seed and every input a fuzzing run kept (tests/fuzz/corpus/
// <target>/) goes through its parser again, so a fault once found stays fixed.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "fuzzentries.h"

namespace {

TEST(FuzzCorpus, EveryKeptInputRunsThroughItsParser) {
  const QDir root(QStringLiteral(QUORLEX_SOURCE_DIR "/tests/fuzz/corpus"));
  ASSERT_TRUE(root.exists());
  for (const TFuzzEntries::TTarget& target : TFuzzEntries::Targets()) {
    const QDir dir(root.filePath(QString::fromLatin1(target.Name)));
    const QStringList files = dir.entryList(QDir::Files);
    EXPECT_FALSE(files.isEmpty()) << target.Name << " has no seed";
    for (const QString& name : files) {
      QFile f(dir.filePath(name));
      ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
      const QByteArray bytes = f.readAll();
      SCOPED_TRACE(std::string(target.Name) + "/" + name.toStdString());
      target.Run(reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size()));
    }
  }
}

}  // namespace

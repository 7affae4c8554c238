// Launch parameters: "¦"-separated name=value pairs in the first argument.
#include <gtest/gtest.h>

#include "ifd/serial/qrlinfo.h"

namespace {
const QString kSep(QChar(TQrlInfo::Separator));
TQrlInfo Launch(const QString& argument) { return TQrlInfo({"/opt/quorlex/quorlex", argument}); }
}  // namespace

TEST(QrlInfo, ReadsThePortNumbers) {
  const TQrlInfo info = Launch(kSep + "COMm=5" + kSep + "COMs=6");
  EXPECT_EQ(info.getAppParamVal_COMm(), 5);
  EXPECT_EQ(info.getAppParamsVal_COMs(), 6);
  EXPECT_EQ(info.ParameterPieces(), (QStringList{"COMm=5", "COMs=6"}));
  EXPECT_TRUE(info.Warnings().isEmpty());
  EXPECT_EQ(info.ExeName(), "quorlex");
  EXPECT_EQ(info.ExePath(), "/opt/quorlex");
}

TEST(QrlInfo, MissingParametersGiveMinusOne) {
  const TQrlInfo none({"/opt/quorlex/quorlex"});
  EXPECT_EQ(none.getAppParamVal_COMm(), -1);
  EXPECT_EQ(none.getAppParamsVal_COMs(), -1);
  EXPECT_EQ(none.ParameterValue("COMm"), TQrlInfo::ParameterNotFound);
  const TQrlInfo noValue = Launch("COMm" + kSep + "COMs=");
  EXPECT_EQ(noValue.ParameterValue("COMm"), TQrlInfo::ParameterValueNotFound);
  EXPECT_EQ(noValue.ParameterValue("COMs"), TQrlInfo::ParameterValueNotFound);
  EXPECT_EQ(noValue.getAppParamVal_COMm(), -1);
  EXPECT_EQ(noValue.getAppParamsVal_COMs(), -1);
  EXPECT_TRUE(noValue.Warnings().isEmpty());
}

TEST(QrlInfo, SplittingRules) {
  EXPECT_EQ(TQrlInfo::SplitParameters("a=1" + kSep), QStringList{"a=1"});
  EXPECT_EQ(TQrlInfo::SplitParameters(kSep + kSep + "a=1" + kSep + kSep + "b=2"), (QStringList{"a=1", "b=2"}));
  EXPECT_EQ(TQrlInfo::SplitParameters("plain"), QStringList{"plain"});
  EXPECT_EQ(Launch("COMs=7").getAppParamsVal_COMs(), 7);
}

TEST(QrlInfo, UnusableValuesAreReportedAndIgnored) {
  const TQrlInfo info = Launch(kSep + "COMm=abc" + kSep + "COMs=99999999999");
  EXPECT_EQ(info.getAppParamVal_COMm(), -1);
  EXPECT_EQ(info.getAppParamsVal_COMs(), -1);
  ASSERT_EQ(info.Warnings().size(), 2);
  EXPECT_TRUE(info.Warnings()[0].contains("COMm=abc"));
  EXPECT_EQ(Launch("COMm=51").getAppParamVal_COMm(), -1);
  EXPECT_EQ(Launch("COMm=-7").getAppParamVal_COMm(), -1);
  EXPECT_EQ(Launch("COMm= 12 ").getAppParamVal_COMm(), 12);
  // Garbage of any length leaves the object usable.
  const TQrlInfo garbage = Launch(QString(100000, QChar(0xA6)) + QString(5000, 'x'));
  EXPECT_EQ(garbage.getAppParamVal_COMm(), -1);
}

TEST(QrlInfo, NewInstanceParametersAndVersion) {
  TQrlInfo info({"/opt/quorlex/quorlex"}, "1.2");
  EXPECT_EQ(info.VersionText(), "1.2.0.0");
  EXPECT_EQ(info.getNewInstanceParams(), "");
  info.SetNewInstanceParamsSource([] { return kSep + "COMm=3" + kSep + "COMs=-1"; });
  const TQrlInfo next = Launch(info.getNewInstanceParams());
  EXPECT_EQ(next.getAppParamVal_COMm(), 3);
  EXPECT_EQ(next.getAppParamsVal_COMs(), -1);
}

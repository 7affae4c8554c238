#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>

#include "rigconfig/configurationfile.h"
#include "rigconfig/inistore.h"
#include "rigconfig/registry.h"
#include "rigconfig/settingsnames.h"
#include "support/scriptedprompts.h"
#include "support/tempfolder.h"

TEST(Registry, KeyNameCarriesTitleAndTwoDecimalVersion) {
  EXPECT_EQ(TRegistry::RigKey("Heat Rig", 1.0), "\\Software\\Veltrim\\Heat Rig\\Version 1.00");
  EXPECT_EQ(TRegistry::VersionText(1.1), "1.10");
  EXPECT_EQ(TRegistry::VersionText(1.0049), "1.00");
  EXPECT_EQ(TRegistry::VersionText(2.25), "2.25");
  EXPECT_EQ(TRegistry::VersionText(12.345), "12.30");
  EXPECT_EQ(TRegistry::VersionText(0), "0.00");
}

TEST(Registry, EveryValueTypeRoundTripsAcrossInstances) {
  TTempFolder tmp;
  const QString key = TRegistry::RigKey("Heat/Rig", 1.0);
  {
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(key, false));
    ASSERT_TRUE(reg.OpenKey(key, true));
    reg.WriteString("Word Processor Location", "C:\\Apps\\");
    reg.WriteString("Empty", "");
    reg.WriteInteger("Sample Interval", -2500);
    reg.WriteBool("autocom", false);
    reg.WriteFloat("TDC Offset", 0.1 + 0.2);
    reg.CloseKey();
  }
  TRegistry reg;
  EXPECT_TRUE(reg.KeyExists("\\Software\\Veltrim"));
  ASSERT_TRUE(reg.OpenKey(key, false));
  EXPECT_EQ(reg.ReadString("Word Processor Location"), "C:\\Apps\\");
  EXPECT_TRUE(reg.ValueExists("Empty"));
  EXPECT_EQ(reg.ReadString("Empty"), "");
  EXPECT_EQ(reg.ReadInteger("Sample Interval"), -2500);
  EXPECT_FALSE(reg.ReadBool("autocom"));
  EXPECT_EQ(reg.ReadFloat("TDC Offset"), 0.1 + 0.2);
  // Types are kept: reading text as a number is an error, as in the registry.
  EXPECT_THROW(reg.ReadInteger("Word Processor Location"), ERegistryError);
  EXPECT_THROW(reg.ReadFloat("Sample Interval"), ERegistryError);
  EXPECT_THROW(reg.ReadInteger("absent"), ERegistryError);
  EXPECT_EQ(reg.ReadIntegerDef("Word Processor Location", 7), 7);
  EXPECT_TRUE(reg.DeleteValue("Empty"));
  EXPECT_FALSE(reg.ValueExists("Empty"));
}

TEST(Registry, ANewVersionStartsAFreshKeyWithDefaults) {
  TTempFolder tmp;
  using namespace settings::reg;
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(TRegistry::RigKey("Heat Rig", 1.00), true));
    reg.WriteString(WordProcessorName, "writer");
    reg.WriteInteger(SampleInterval, 250);
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(TRegistry::RigKey("Heat Rig", 1.10), true));
  EXPECT_FALSE(reg.ValueExists(WordProcessorName));
  EXPECT_EQ(reg.ReadStringOrCreate(WordProcessorName, WordProcessorNameDefault), "notepad");
  EXPECT_EQ(reg.ReadIntegerOrCreate(SampleInterval, 1000), 1000);
  EXPECT_TRUE(reg.ValueExists(SampleInterval));  // written when absent
  ASSERT_TRUE(reg.OpenKey(TRegistry::RigKey("Heat Rig", 1.0), false));
  EXPECT_EQ(reg.ReadString(WordProcessorName), "writer");
}

namespace {
const QByteArray kIni =
    "; installer settings\n"
    "[scope]\n"
    "FEATURE=On\n"
    "; sample interval in microseconds\n"
    "Sample Interval=500\n"
    "[Autopilot]\n"
    "Feature=on\n"
    "[Custom]\n"
    "kept=yes\n";
}

TEST(IniStore, NamesMatchWithoutCaseButValuesExactly) {
  TTempFolder tmp;
  TConfigurationFile cfg(tmp.Write("config/Configuration.ini", kIni));
  EXPECT_FALSE(cfg.ScopeFeature());  // "On" is not "on"
  EXPECT_TRUE(cfg.AutopilotFeature());
  EXPECT_FALSE(cfg.LogicEngineFeature());
  EXPECT_EQ(cfg.Store().ReadString("SCOPE", "feature", ""), "On");
  const TScopeSettings s = cfg.ScopeSettings();
  EXPECT_EQ(s.SampleInterval, 500);
  EXPECT_EQ(s.SampleCount, 1000);
  EXPECT_EQ(s.Channel1, -9999);
  EXPECT_EQ(s.TriggerMode, "Software Trigger");
  EXPECT_EQ(cfg.ThreadTimeBase(), 50);
  EXPECT_FALSE(cfg.IsVexaMode());
  EXPECT_EQ(cfg.HelpSystemPackage(), "");
}

TEST(IniStore, SavingKeepsCommentsAndUnknownKeysAndWritesBooleansAsDigits) {
  TTempFolder tmp;
  const QString path = tmp.Write("Configuration.ini", kIni);
  {
    TConfigurationFile cfg(path);
    cfg.SetFeature("Scope", true);
    cfg.Store().WriteBool("Vexa", "is_vexa_mode", true);
    cfg.SetSchedules(2, "a=1,b=2,nextschedule=stop");
    ASSERT_TRUE(cfg.Save());
  }
  const QByteArray saved = TTempFolder::Read(path);
  EXPECT_TRUE(saved.contains("; installer settings"));
  EXPECT_TRUE(saved.contains("; sample interval in microseconds"));
  EXPECT_TRUE(saved.contains("kept = yes") || saved.contains("kept=yes"));
  EXPECT_TRUE(saved.contains("is_vexa_mode = 1") || saved.contains("is_vexa_mode=1"));
  TConfigurationFile again(path);
  EXPECT_TRUE(again.ScopeFeature());
  EXPECT_TRUE(again.IsVexaMode());
  EXPECT_EQ(again.Schedules(2), "a=1,b=2,nextschedule=stop");
  EXPECT_EQ(again.Store().Sections().first(), "scope");  // order and spelling of sections kept
}

TEST(IniStore, AFailedSaveWarnsAndLeavesTheFileByteIdentical) {
  TTempFolder tmp;
  const QString path = tmp.Write("Configuration.ini", kIni);
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
  TScriptedPrompts prompts;
  prompts.ExpectMessage("Configuration could not be updated. The user does not have sufficient privillages.");
  TConfigurationFile cfg(path);
  cfg.SetFeature("Scope", true);
  EXPECT_FALSE(cfg.Save());
  EXPECT_EQ(TTempFolder::Read(path), kIni);
  EXPECT_FALSE(cfg.ScopeFeature());  // the store went back to what the file holds
  EXPECT_EQ(prompts.Records()[0].Type, TMsgDlgType::mtWarning);

  // An unwritable folder fails the same way and creates nothing there.
  const QString folder = tmp.File("locked");
  QDir().mkpath(folder);
  ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
  TIniStore store(folder + "/Configuration.ini");
  store.WriteString("IFD", "tbt", "40");
  QString error;
  EXPECT_FALSE(store.UpdateFile(&error));
  EXPECT_TRUE(error.contains("read-only"));
  EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::Hidden).isEmpty());
  ::chmod(QFile::encodeName(folder).constData(), 0755);
}

TEST(IniStore, IniIniIsCreatedEmptyOnce) {
  TTempFolder tmp;
  const QString path = tmp.File("ini.ini");
  auto store = TIniStore::OpenCreating(path);
  EXPECT_TRUE(QFile::exists(path));
  EXPECT_TRUE(store->LoadError().isEmpty());
  EXPECT_EQ(QFileInfo(path).size(), 0);
  tmp.Write("ini.ini", "[x]\ny=1\n");
  auto again = TIniStore::OpenCreating(path);
  EXPECT_EQ(again->ReadInteger("X", "Y", 0), 1);  // an existing file is opened, not replaced
}

TEST(IniStore, NumbersAndBooleansReadLikeProfileFunctions) {
  TTempFolder tmp;
  TIniStore s(tmp.Write("a.ini", "[IFD]\ntbt=$20\nguiref=0x10\nthreadsel=true\nbad=12abc\nneg=-3\n"));
  EXPECT_EQ(s.ReadInteger("ifd", "tbt", 50), 32);
  EXPECT_EQ(s.ReadInteger("ifd", "guiref", 50), 16);
  EXPECT_EQ(s.ReadInteger("ifd", "bad", 50), 50);
  EXPECT_EQ(s.ReadInteger("ifd", "neg", 50), -3);
  EXPECT_FALSE(s.ReadBool("ifd", "threadsel", false));  // not a number: the default
  EXPECT_TRUE(s.ReadBool("ifd", "neg", false));
}
